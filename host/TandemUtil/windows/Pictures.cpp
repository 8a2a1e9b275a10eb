// File icons, picture controls and thumbnails on Windows. Pictures are not decoded yet: the
// controls keep what they were given and paint through the toolkit's base control, and no
// picture has a size or a thumbnail, so callers fall back to the file type's icon.
#include "TandemUtil.h"
#include "UIFileIcon.h"
#include "UIThumbControl.h"

namespace UIEx {

void UIFileIcon::SetFiles(const std::vector<std::wstring>& files, bool) {
    files_ = files;
    Invalidate();
}

void UIFileIcon::DoPaint(HDC hdc, const RECT& rcPaint) {
    CControlUI::DoPaint(hdc, rcPaint);
}

CThumbControlUI::CThumbControlUI() = default;

CThumbControlUI::~CThumbControlUI() = default;

void CThumbControlUI::Reset() {
    file_.clear();
}

bool CThumbControlUI::LoadFromData(const void*, uint32_t) {
    Reset();
    return false;
}

bool CThumbControlUI::LoadFromFile(const std::wstring& path) {
    Reset();
    file_ = path;
    Invalidate();
    return false;
}

bool CThumbControlUI::LoadFromHBITMAP(void*) {
    Reset();
    return false;
}

void CThumbControlUI::DoPaint(HDC hdc, const RECT& rcPaint) {
    CControlUI::DoPaint(hdc, rcPaint);
}

}  // namespace UIEx

bool PngThumbNailUtils::GetPicSize(const std::wstring&, int&, int&) {
    return false;
}

bool PngThumbNailUtils::GetThumbNail(const std::wstring&, std::vector<uint8_t>&, int, int,
                                     uint32_t&) {
    return false;
}

void* PngThumbNailUtils::GetFileThumb(const std::wstring&, int, int) {
    return nullptr;
}

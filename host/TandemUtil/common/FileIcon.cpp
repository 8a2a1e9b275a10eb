// The file icon and the picture control: a page with a folded corner in a colour of the file's
// type (a second page behind it for several files); pictures centred and fitted, a missing
// default icon drawn as the page of its type.
#include "FilePage.h"
#include "TandemUtil.h"
#include "TandemUtilStandIn.h"
#include "UIFileIcon.h"
#include "UIThumbControl.h"

#include <algorithm>

namespace UIEx {

void PaintFilePage(HDC hdc, const RECT& rc, int fileType, bool several) {
    // One hue per file type (other, picture, video, audio, document, archive).
    static const double hues[][3] = {{0.45, 0.48, 0.53}, {0.20, 0.66, 0.38}, {0.86, 0.33, 0.30},
                                     {0.93, 0.55, 0.14}, {0.24, 0.48, 0.97}, {0.58, 0.42, 0.80}};
    const double* hue = hues[fileType > 0 && fileType < 6 ? fileType : 0];
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    const double size = std::min(width, height);
    const double x = rc.left + (width - size) / 2.0;
    const double y = rc.top + (height - size) / 2.0;
    if (several) {
        DrawPage(hdc, x + size * 0.3, y + size * 0.04, size * 0.62, size * 0.8, hue);
    }
    DrawPage(hdc, x + size * 0.12, y + size * 0.14, size * 0.62, size * 0.8, hue);
}

int DefaultIconType(const std::wstring& path) {
    for (int type = tandemstandin::kFileTypeOther; type <= tandemstandin::kFileTypeArchive;
         ++type) {
        if (GetDefaultIconPath(type) == path) {
            return type;
        }
    }
    return -1;
}

void UIFileIcon::SetFiles(const std::vector<std::wstring>& files, bool) {
    files_ = files;
    Invalidate();
}

void UIFileIcon::DoPaint(HDC hdc, const RECT&) {
    if (files_.empty() || GetWidth() <= 0 || GetHeight() <= 0) {
        return;
    }
    PaintFilePage(hdc, m_rcItem, GetFileType(TandemUtilClass::GetFileExt(files_.front())),
                  files_.size() > 1);
}

CThumbControlUI::CThumbControlUI() = default;

CThumbControlUI::~CThumbControlUI() = default;

void CThumbControlUI::Reset() {
    picture_.reset();
    file_.clear();
}

bool CThumbControlUI::LoadFromData(const void* data, uint32_t size) {
    Reset();
    if (data && size != 0) {
        picture_ = Picture::FromData(data, size);
    }
    Invalidate();
    return picture_ != nullptr;
}

bool CThumbControlUI::LoadFromFile(const std::wstring& path) {
    Reset();
    if (path.empty()) {
        return false;
    }
    file_ = path;
    picture_ = Picture::FromFile(DuiLib::CPaintManagerUI::ResolveResource(path));
    Invalidate();
    return picture_ != nullptr || DefaultIconType(path) >= 0;
}

bool CThumbControlUI::LoadFromHBITMAP(void* bitmap) {
    Reset();
    picture_ = bitmap ? Picture::FromBitmap(bitmap) : nullptr;
    Invalidate();
    return picture_ != nullptr;
}

void CThumbControlUI::DoPaint(HDC hdc, const RECT& rcPaint) {
    CControlUI::DoPaint(hdc, rcPaint);
    if (GetWidth() <= 0 || GetHeight() <= 0) {
        return;
    }
    if (!picture_) {
        const int type = DefaultIconType(file_);
        if (type >= 0) {
            PaintFilePage(hdc, m_rcItem, type, false);
        }
        return;
    }
    const double pw = picture_->Width();
    const double ph = picture_->Height();
    const double scale = std::min(GetWidth() / pw, GetHeight() / ph);
    picture_->Draw(hdc, m_rcItem, m_rcItem.left + (GetWidth() - pw * scale) / 2.0,
                   m_rcItem.top + (GetHeight() - ph * scale) / 2.0, pw * scale, ph * scale);
}

}  // namespace UIEx

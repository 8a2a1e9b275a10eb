// The utility library's picture control: shows a thumbnail from encoded bytes, a picture file
// or a bitmap, fitted into the control with its aspect ratio kept.
#pragma once

#include <UIlib.h>

#include <cstdint>
#include <memory>
#include <string>

namespace UIEx {

class Picture;

class CThumbControlUI : public DuiLib::CControlUI {
public:
    CThumbControlUI();
    ~CThumbControlUI() override;
    DuiLib::CDuiString GetClass() const override { return L"ThumbControlUI"; }

    // Encoded picture bytes (PNG, JPEG, BMP); false when they cannot be decoded.
    bool LoadFromData(const void* data, uint32_t size);
    // A picture file under the resource folder or an absolute path; false when it cannot be
    // read. A file type's default icon that is not there is drawn as a page of that type.
    bool LoadFromFile(const std::wstring& path);
    // A bitmap of PngThumbNailUtils::GetFileThumb, which the control takes (and deletes);
    // false where the platform has none.
    bool LoadFromHBITMAP(void* bitmap);

    void DoPaint(HDC hdc, const RECT& rcPaint) override;

private:
    void Reset();
    std::wstring file_;  // the picture file asked for, if any
    std::unique_ptr<Picture> picture_;
};

}  // namespace UIEx

// The utility library's file icon control: a page for one file, a stack for several.
#pragma once

#include <UIlib.h>

#include <string>
#include <vector>

namespace UIEx {

class UIFileIcon : public DuiLib::CControlUI {
public:
    DuiLib::CDuiString GetClass() const override { return L"FileIconUI"; }
    // The files the icon stands for; SHOW_THUMB asks for a picture's thumbnail where one can
    // be made (this platform always draws the page).
    void SetFiles(const std::vector<std::wstring>& files, bool showThumb);
    void DoPaint(HDC hdc, const RECT& rcPaint) override;

private:
    std::vector<std::wstring> files_;
};

}  // namespace UIEx

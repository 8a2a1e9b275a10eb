// A small tip window that shows one notice text, e.g. that too many files were selected. On
// devices of the second brand the share feature is called "LUMEN Glide" instead of
// "Velmora Share", in the name label and in the text.
//
// The window deletes itself on the UI thread after its final message: nobody may hold it after
// it was closed.
#pragma once

#include <UIlib.h>

#include <string>

namespace Vela::Ux {

class BeamlyTipWnd : public DuiLib::WindowImplBase {
public:
    explicit BeamlyTipWnd(std::wstring text);
    ~BeamlyTipWnd() override;

    const wchar_t* GetWindowClassName() const override;
    void InitWindow() override;
    void Notify(DuiLib::TNotifyUI& msg) override;

protected:
    DuiLib::CDuiString GetSkinFile() override;
    void OnFinalMessage(HWND hWnd) override;

private:
    std::wstring tipText;
};

}  // namespace Vela::Ux

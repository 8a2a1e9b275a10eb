// The transfer dialog's window: skin, class, creation style, always on top.
#pragma once

#include <UIlib.h>

class FileTransferDialog : public DuiLib::WindowImplBase {
public:
    static constexpr UINT kIconResource = 167;
    static constexpr DWORD kStyle =
        WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | WS_SYSMENU;  // 0x86880000
    static constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;  // no taskbar button of its own

    ~FileTransferDialog() override = default;

    // Creates the window, hidden, without parent, where the system places it.
    void CreateDialogWindow();
    void BringToFront();
    void HideDialog();

protected:
    const wchar_t* GetWindowClassName() const override { return L"FileTransferDialog"; }
    void InitWindow() override;
    DuiLib::CDuiString GetSkinFile() override;
    LRESULT OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
};

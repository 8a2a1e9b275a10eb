#include "FileTransferDialog.h"

void FileTransferDialog::CreateDialogWindow() {
    Create(nullptr, GetWindowClassName(), kStyle, kExStyle, CW_USEDEFAULT, CW_USEDEFAULT,
           CW_USEDEFAULT, CW_USEDEFAULT);
}

void FileTransferDialog::BringToFront() {
    SetForegroundWindow(GetHWND());
    SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
}

void FileTransferDialog::HideDialog() {
    if (IsWindowVisible(GetHWND())) {
        ShowWindow(false, false);
    }
}

void FileTransferDialog::InitWindow() {
    SetIcon(kIconResource);
}

DuiLib::CDuiString FileTransferDialog::GetSkinFile() {
    return L"../../res/layout/swiftsend/file_transfer_dialog.xml";
}

LRESULT FileTransferDialog::OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    GetShadow()->ShowShadow(true);
    GetShadow()->SetSize(5);
    GetShadow()->SetDarkness(44);
    const LRESULT result = WindowImplBase::OnCreate(msg, wParam, lParam, handled);
    SetWindowPos(GetHWND(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return result;
}

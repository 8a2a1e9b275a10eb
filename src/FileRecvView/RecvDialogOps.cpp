// The dispatcher's calls on the receive dialog.
#include "RecvDialogOps.h"

#include "FileRecvDialog.h"
#include "UIBackgroundProgress.h"

#include <TandemUtil.h>

#include <new>

namespace recvdialogops {

FileRecvDialog* Create(Vela::Ux::ITransferFile* transfer) {
    auto* dialog = new (std::nothrow) FileRecvDialog;
    if (dialog) {
        dialog->SetTransfer(transfer);
    }
    return dialog;
}

bool Prepare(FileRecvDialog* dialog) {
    return dialog->Prepare();
}

void OnRecvFail(FileRecvDialog* dialog, uint32_t code) {
    dialog->OnRecvFail(code);
}

bool IsClosed(FileRecvDialog* dialog) {
    return dialog->IsClosed();
}

bool ShowOffer(FileRecvDialog* dialog, const RecvOffer& offer) {
    dialog->SetSender(offer.sender);
    dialog->SetOfferedFiles(offer.offeredNames, offer.totalSize);
    dialog->SetThumbnail(offer.thumbnail.empty() ? nullptr : offer.thumbnail.data(),
                         static_cast<uint32_t>(offer.thumbnail.size()));
    dialog->SetSavePath(offer.savePath);
    dialog->SetAutoAccept(offer.autoAccept);
    if (dialog->Create(nullptr, L"RECEIVE FILE DIALOG", WS_POPUP, WS_EX_TOOLWINDOW) == nullptr) {
        return false;
    }
    dialog->CenterWindow();
    dialog->ShowWindow(true, true);
    return true;
}

void SetSavePath(FileRecvDialog* dialog, const std::wstring& folder) {
    dialog->SetSavePath(folder);
}

void ShowProgress(FileRecvDialog* dialog, uint32_t percent, int32_t timeLeft, uint32_t speed) {
    if (dialog->GetState() != RecvState::Receiving) {
        return;
    }
    if (UIBackgroundProgress* progress = dialog->GetProgress()) {
        progress->SetPercent(percent);
    }
    DuiLib::CPaintManagerUI* pm = dialog->GetPaintManager();
    if (DuiLib::CControlUI* label = pm->FindControl(L"file_recv_dialog_speed")) {
        label->SetText(TandemUtilClass::FormatTransferSpeed(speed).c_str());
    }
    if (DuiLib::CControlUI* label = pm->FindControl(L"file_recv_dialog_time_remains")) {
        const std::wstring left = TandemUtilClass::FormatTransferLeftTime(timeLeft);
        label->SetText(left.c_str());
        label->SetToolTip(left.c_str());
    }
}

void Complete(FileRecvDialog* dialog, const std::vector<std::wstring>& paths) {
    if (dialog->GetState() != RecvState::Receiving) {
        return;
    }
    if (UIBackgroundProgress* progress = dialog->GetProgress()) {
        progress->SetPercent(100);
    }
    dialog->SetReceivedPaths(paths);
    dialog->SetState(RecvState::Received);
}

void Destroy(FileRecvDialog* dialog) {
    if (IsWindow(dialog->GetHWND())) {
        DestroyWindow(dialog->GetHWND());
    }
    delete dialog;
}

}  // namespace recvdialogops

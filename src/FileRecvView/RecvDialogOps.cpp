// The dispatcher's calls on the receive dialog.
#include "RecvDialogOps.h"

#include "FileRecvDialog.h"
#include "UIBackgroundProgress.h"

#include <TandemUtil.h>

#include <new>

namespace recvdialogops {

FileRecvDialog* Create(Vela::Ux::ITransferFile* transfer,
                       std::function<void(FileRecvDialog*)> pickerOpened) {
    auto* dialog = new (std::nothrow) FileRecvDialog;
    if (dialog) {
        dialog->SetTransfer(transfer);
        dialog->SetPickerListener(std::move(pickerOpened));
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

bool IsInProgress(FileRecvDialog* dialog) {
    const RecvState state = dialog->GetState();
    return !dialog->IsClosed() && (state == RecvState::Waiting || state == RecvState::Receiving);
}

bool IsUnansweredOfferFrom(FileRecvDialog* dialog, const KxShareDevices& sender) {
    const KxShareDevices& shown = dialog->GetSender();
    return !dialog->IsClosed() && dialog->GetState() == RecvState::Waiting &&
           shown.nickName == sender.nickName && shown.devName == sender.devName;
}

bool ShowOffer(FileRecvDialog* dialog, const RecvOffer& offer) {
    dialog->SetSender(offer.sender);
    dialog->SetOfferedFiles(offer.offeredNames, offer.totalSize);
    dialog->SetThumbnail(offer.thumbnail.empty() ? nullptr : offer.thumbnail.data(),
                         static_cast<uint32_t>(offer.thumbnail.size()));
    dialog->SetSavePath(offer.savePath);
    dialog->SetAutoAccept(offer.autoAccept);
    if (dialog->Create(nullptr, L"RECEIVE FILE DIALOG", FileRecvDialog::kStyle,
                       FileRecvDialog::kExStyle) == nullptr) {
        return false;
    }
    dialog->MoveToCorner();
    dialog->ShowWindow(true, true);
    return true;
}

bool FolderPicked(FileRecvDialog* dialog, const std::wstring& folder) {
    return dialog->OnFolderPicked(folder);
}

void ClosePicker(FileRecvDialog* dialog) {
    dialog->CloseDirDialog();
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
        const std::wstring text = TandemUtilClass::FormatTransferSpeed(speed);
        label->SetText(text.c_str());
        label->SetToolTip(text.c_str());
    }
    if (DuiLib::CControlUI* label = pm->FindControl(L"file_recv_dialog_time_remains")) {
        const std::wstring left = TandemUtilClass::FormatTransferLeftTime(timeLeft);
        label->SetText(left.c_str());
        label->SetToolTip(left.c_str());
    }
}

bool Complete(FileRecvDialog* dialog, const std::vector<std::wstring>& paths) {
    if (dialog->GetState() != RecvState::Receiving) {
        return false;
    }
    if (UIBackgroundProgress* progress = dialog->GetProgress()) {
        progress->SetPercent(100);
    }
    // Nothing is on its way any more.
    DuiLib::CPaintManagerUI* pm = dialog->GetPaintManager();
    for (const wchar_t* name : {L"file_recv_dialog_speed", L"file_recv_dialog_time_remains"}) {
        if (DuiLib::CControlUI* label = pm->FindControl(name)) {
            label->SetVisible(false);
        }
    }
    dialog->SetReceivedPaths(paths);
    dialog->SetState(RecvState::Received);
    return true;
}

void Close(FileRecvDialog* dialog) {
    dialog->Close();
}

void Destroy(FileRecvDialog* dialog) {
    if (IsWindow(dialog->GetHWND())) {
        DestroyWindow(dialog->GetHWND());
    }
    delete dialog;
}

std::wstring DefaultSaveFolder() {
    return FileRecvDialog::DefaultSaveFolder();
}

}  // namespace recvdialogops

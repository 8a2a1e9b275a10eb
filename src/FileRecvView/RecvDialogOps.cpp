// The dispatcher's calls on the receive dialog.
#include "RecvDialogOps.h"

#include "FileRecvDialog.h"

#include <new>

namespace recvdialogops {

FileRecvDialog* Create(Vela::Ux::ITransferFile* transfer) {
    return new (std::nothrow) FileRecvDialog(transfer);
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
    dialog->SetOffer(offer);
    if (dialog->Create(nullptr, L"RECEIVE FILE DIALOG", WS_POPUP, WS_EX_TOOLWINDOW) == nullptr) {
        return false;
    }
    dialog->CenterWindow();
    dialog->ShowWindow(true, true);
    return true;
}

void Destroy(FileRecvDialog* dialog) {
    if (IsWindow(dialog->GetHWND())) {
        DestroyWindow(dialog->GetHWND());
    }
    delete dialog;
}

}  // namespace recvdialogops

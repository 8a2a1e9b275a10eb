#include "FakeRecvDialog.h"

#include "RecvDialogOps.h"

namespace fakerecvdialog {

Counts& Get() {
    static Counts counts;
    return counts;
}

void Reset() {
    Get() = Counts{};
}

}  // namespace fakerecvdialog

namespace recvdialogops {

FileRecvDialog* Create(Vela::Ux::ITransferFile* transfer) {
    auto* dialog = new FileRecvDialog;
    dialog->transfer = transfer;
    ++fakerecvdialog::Get().created;
    return dialog;
}

bool Prepare(FileRecvDialog* dialog) {
    dialog->prepared = true;
    return true;
}

void OnRecvFail(FileRecvDialog* dialog, uint32_t code) {
    dialog->failCodes.push_back(code);
}

bool IsClosed(FileRecvDialog* dialog) {
    return dialog->closed;
}

bool ShowOffer(FileRecvDialog* dialog, const RecvOffer& offer) {
    dialog->offer = offer;
    dialog->shown = !fakerecvdialog::Get().failShow;
    return dialog->shown;
}

void SetSavePath(FileRecvDialog* dialog, const std::wstring& folder) {
    dialog->offer.savePath = folder;
}

void ShowProgress(FileRecvDialog* dialog, uint32_t percent, int32_t, uint32_t) {
    dialog->percents.push_back(percent);
}

void Complete(FileRecvDialog* dialog, const std::vector<std::wstring>& paths) {
    dialog->received = paths;
}

void Destroy(FileRecvDialog* dialog) {
    ++fakerecvdialog::Get().destroyed;
    if (dialog->shown && !dialog->closed) {
        ++fakerecvdialog::Get().destroyedOpen;
    }
    delete dialog;
}

}  // namespace recvdialogops

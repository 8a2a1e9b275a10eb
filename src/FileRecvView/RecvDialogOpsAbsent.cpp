// The dispatcher's calls on the receive dialog for a build without the dialog: no dialog can be
// created, so the pool stays empty and offers are refused.
#include "RecvDialogOps.h"

namespace recvdialogops {

FileRecvDialog* Create(Vela::Ux::ITransferFile*) {
    return nullptr;
}

bool Prepare(FileRecvDialog*) {
    return false;
}

void OnRecvFail(FileRecvDialog*, uint32_t) {}

bool IsClosed(FileRecvDialog*) {
    return true;
}

bool ShowOffer(FileRecvDialog*, const RecvOffer&) {
    return false;
}

void Destroy(FileRecvDialog*) {}

}  // namespace recvdialogops

// The receive dialog's operations that the dispatcher uses, in one place: RecvDialogOps.cpp
// implements them over FileRecvDialog, and the dispatcher itself only holds pointers.
#pragma once

#include "ITransferFile.h"
#include "RecvOffer.h"

#include <cstdint>
#include <string>
#include <vector>

class FileRecvDialog;

namespace recvdialogops {

// A new dialog that posts through TRANSFER; null when it cannot be created.
FileRecvDialog* Create(Vela::Ux::ITransferFile* transfer);
// Creates the dialog's own controls; false when it cannot.
bool Prepare(FileRecvDialog* dialog);
// Marks the dialog's receive failed with the service's status CODE (UI thread).
void OnRecvFail(FileRecvDialog* dialog, uint32_t code);
// True once the dialog's window is closing or closed.
bool IsClosed(FileRecvDialog* dialog);
// Fills the dialog with OFFER, creates its window and shows it (UI thread); false when the
// window cannot be created.
bool ShowOffer(FileRecvDialog* dialog, const RecvOffer& offer);
// The folder the dialog's files go to (UI thread).
void SetSavePath(FileRecvDialog* dialog, const std::wstring& folder);
// Shows the progress of an accepted offer: percent, time left in seconds (negative while
// unknown) and speed in bytes per second (UI thread). Nothing unless the dialog is receiving.
void ShowProgress(FileRecvDialog* dialog, uint32_t percent, int32_t timeLeft, uint32_t speed);
// Ends an accepted offer with the files received at PATHS (UI thread).
void Complete(FileRecvDialog* dialog, const std::vector<std::wstring>& paths);
// Destroys the dialog's window, if it still has one, and the dialog (UI thread).
void Destroy(FileRecvDialog* dialog);

}  // namespace recvdialogops

// The receive dialog's operations that the dispatcher uses, in one place: RecvDialogOps.cpp
// implements them over FileRecvDialog, and the dispatcher itself only holds pointers.
#pragma once

#include "ITransferFile.h"
#include "RecvOffer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class FileRecvDialog;

namespace recvdialogops {

// A new dialog that posts through TRANSFER and tells PICKER_OPENED before it opens a folder
// picker; null when it cannot be created.
FileRecvDialog* Create(Vela::Ux::ITransferFile* transfer,
                       std::function<void(FileRecvDialog*)> pickerOpened);
// Creates the dialog's own controls; false when it cannot.
bool Prepare(FileRecvDialog* dialog);
// Marks the dialog's receive failed with the service's status CODE (UI thread).
void OnRecvFail(FileRecvDialog* dialog, uint32_t code);
// True once the dialog's window is closing or closed.
bool IsClosed(FileRecvDialog* dialog);
// True while the dialog's offer is open: not yet answered, or accepted and still arriving.
bool IsInProgress(FileRecvDialog* dialog);
// True while the dialog shows an offer of SENDER that the user has not answered.
bool IsUnansweredOfferFrom(FileRecvDialog* dialog, const KxShareDevices& sender);
// Fills the dialog with OFFER, creates its window and shows it (UI thread); false when the
// window cannot be created.
bool ShowOffer(FileRecvDialog* dialog, const RecvOffer& offer);
// The folder helper's answer for the dialog's picker: FOLDER picked, or empty when the picker
// closed without a choice (UI thread). False when the dialog's picker is not open.
bool FolderPicked(FileRecvDialog* dialog, const std::wstring& folder);
// Ends the dialog's folder picker, if it is open (UI thread).
void ClosePicker(FileRecvDialog* dialog);
// Shows the progress of an accepted offer: percent, time left in seconds (negative while
// unknown) and speed in bytes per second (UI thread). Nothing unless the dialog is receiving.
void ShowProgress(FileRecvDialog* dialog, uint32_t percent, int32_t timeLeft, uint32_t speed);
// Ends an accepted offer with the files received at PATHS (UI thread); false when the dialog
// was not receiving.
bool Complete(FileRecvDialog* dialog, const std::vector<std::wstring>& paths);
// Closes the dialog's window without an answer to the service (UI thread).
void Close(FileRecvDialog* dialog);
// Destroys the dialog's window, if it still has one, and the dialog (UI thread).
void Destroy(FileRecvDialog* dialog);
// The folder an offer without one saves to; empty when the user has no usable folder.
std::wstring DefaultSaveFolder();

}  // namespace recvdialogops

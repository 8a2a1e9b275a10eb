// The receive-side notice dispatcher: turns the tandem service's receive-side and connectivity
// notices into windows and message boxes, and keeps the receive dialogs.
//
// Seven handlers are registered on the UI manager's message interface. They run on the IPC
// library's thread: message boxes and the too-many-files tip start there; the receive failure,
// the WLAN-disconnect window and the decoder error window move to the UI thread.
//
// Receive dialogs: a pool of prepared dialogs that no offer has used yet, the dialog of the
// offer in progress (currentDialog), and the dialogs that served an offer and are deleted once
// closed. An offer always gets a dialog from the pool (ShowRecvOffer).
#pragma once

#include "BoundedQueue.h"
#include "ITransferFile.h"
#include "LifetimeGuard.h"
#include "RecvOffer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class DecoderErrorUI;
class FileRecvDialog;
class WifiDisconnect;

namespace DuiLib {
class WindowImplBase;
}

class FileRecvView {
public:
    static constexpr uint32_t kPoolSlots = 5;
    // Used dialogs still open beyond kUsedSlots - 1 close, the oldest first.
    static constexpr uint32_t kUsedSlots = 10;
    // The largest thumbnail an offer may carry.
    static constexpr uint32_t kMaxOfferThumbnailBytes = 256 * 1024;
    // How long the host keeps the too-many-files tip and the WLAN-disconnect window.
    static constexpr unsigned kTipDurationMs = 5000;
    static constexpr int kWlanDurationMs = 50000000;
    // The most files one selection may hold; the tip names it.
    static constexpr unsigned kMaxFileCount = 500;

    // Registers the handlers on TRANSFER (when not null) and prepares the pool.
    explicit FileRecvView(Vela::Ux::ITransferFile* transfer);
    // UI thread: deletes the dialogs and windows it owns.
    ~FileRecvView();
    FileRecvView(const FileRecvView&) = delete;
    FileRecvView& operator=(const FileRecvView&) = delete;

    // Hands WINDOW to the host's notice endpoint for DURATIONMS through PostMessage. False for
    // a null window, a zero duration, without a message interface or when the post fails.
    bool ShowMsgTipWnd(void* window, unsigned durationMs);
    // The same through the IPC client of the message interface; a failed post is logged.
    void ShowNoitfyWindow(DuiLib::WindowImplBase* window, int durationMs);

    // The handlers (IPC thread).
    void OnRecvFileFailed(char* data, unsigned length);             // 0x1C0013
    void OnShowRestartMsg(char* data, unsigned length);             // 0x1C0015
    void OnShowBtExceptionMsg(char* data, unsigned length);         // 0x1C0016
    void OnShowGoChannelBusyMsg(char* data, unsigned length);       // 0x1C0017
    void OnShowMaxFileCountTip(char* data, unsigned length);        // 0x250015
    void OnShowWlanDisconnect(char* data, unsigned length);         // 0x1C001A
    void OnShowMirrorDecoderUI(const char* data, unsigned length);  // 0x1C0028
    void OnRecvOffer(char* data, unsigned length);                  // 0x1C0011
    void OnRecvProgress(char* data, unsigned length);               // 0x1C0010
    void OnRecvDone(char* data, unsigned length);                   // 0x1C0012
    void OnFolderPicked(char* data, unsigned length);               // 0x1C0014

    // UI thread: shows OFFER in a dialog taken from the pool, which becomes the current dialog;
    // the dialog of the previous offer goes to the used dialogs, and the sender's unanswered
    // offers close. An offer without a folder saves to the user's default folder. The pool is
    // topped up by one prepared dialog. False when there is no folder, the pool is empty or the
    // window cannot be created.
    bool ShowRecvOffer(const RecvOffer& offer);

    // For tests and the demo (UI thread).
    FileRecvDialog* CurrentDialog();
    WifiDisconnect* WlanDialog() const { return wlanDialog.get(); }
    DecoderErrorUI* DecoderDialog() const { return decoderDialog.get(); }

private:
    using DialogQueue = BoundedQueue<FileRecvDialog*, kPoolSlots>;
    using UsedQueue = BoundedQueue<FileRecvDialog*, kUsedSlots>;

    void RegisterHandlers();
    FileRecvDialog* PrepareDialog();
    void DestroyDialog(FileRecvDialog* dialog);
    void FillPool();
    // Deletes the used dialogs that are closed, after showing each used dialog to VISIT.
    void CollectUsedDialogs(const std::function<void(FileRecvDialog*)>& visit = nullptr);
    // Puts a dialog whose offer is over into the used dialogs.
    void Retire(FileRecvDialog* dialog);
    void ShowMessageNotice(uint32_t messageId);
    // The UI-thread halves of the failure, WLAN and decoder notices.
    void ApplyRecvFailure(uint32_t code);
    void ShowWlanWindow();
    void ShowDecoderWindow(const std::string& text);

    Vela::Ux::ITransferFile* transfer;
    FileRecvDialog* currentDialog = nullptr;
    // The dialog whose folder picker is open (UI thread); the picker's answer goes to it.
    FileRecvDialog* pickerOwner = nullptr;
    std::recursive_mutex lock;
    std::unique_ptr<WifiDisconnect> wlanDialog;
    std::unique_ptr<DecoderErrorUI> decoderDialog;
    DialogQueue dialogPool;
    UsedQueue usedDialogs;
    // Expired by the destructor: a handler still registered on the message interface, or a
    // task still queued, does nothing once the view is gone.
    LifetimeGuard lifetime;
};

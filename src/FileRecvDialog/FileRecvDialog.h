// The receive dialog: the window in which the user answers a phone's offer to send files to
// this computer. It names the sending device and the offered files, lets the user accept (into
// a save folder), refuse or later cancel, choose the save folder through the folder helper
// program, and open the save folder with the received files selected.
//
// The dialog transfers nothing itself: every answer is posted to the tandem service through
// ITransferFile, and the folder helper ("OpenDir.exe") is started and then driven with
// messages. Everything runs on the UI thread; the state and flags are atomics because the
// receive-side dispatcher reads IsClosed() while it collects used dialogs.
//
// Ownership: the dialog owns its picture control and progress bar. While the window exists
// they sit in the skin's containers; they are taken back out before the window's controls go.
#pragma once

#include "ITransferFile.h"
#include "KxShareDevices.h"

#include <UIlib.h>
#include <UIThumbControl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class UIBackgroundProgress;

enum class RecvState : int32_t {
    Waiting = 0,    // offer shown, no answer yet
    Receiving = 1,  // accepted
    Received = 2,   // only displayed; set from outside
    Failed = 3,     // cancelled or failed
};

class FileRecvDialog : public DuiLib::WindowImplBase {
public:
    static constexpr UINT_PTR kAutoCloseTimerId = 1110;
    static constexpr UINT kAutoCloseTickMs = 500;
    // Whole calendar seconds without activity after which the armed dialog closes ("more than").
    static constexpr double kAutoCloseIdleSeconds = 5.0;
    // The folder helper is given this long to start before it is sent its first message. The
    // wait runs as a one-shot window timer so that the UI thread is not blocked.
    static constexpr UINT kHelperStartWaitMs = 500;
    static constexpr UINT_PTR kPickerPostTimerId = 1111;
    static constexpr UINT_PTR kOpenFolderPostTimerId = 1112;

    // A popup with a taskbar button of its own, so that an offer can always be found again.
    static constexpr DWORD kStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_SYSMENU;
    static constexpr DWORD kExStyle = 0;
    // Design pixels between the window and the corner of the work area.
    static constexpr int kCornerMargin = 10;

    FileRecvDialog();
    ~FileRecvDialog() override;

    // Creates the picture control and the progress bar; false (and neither kept) when either
    // cannot be created. Called once, right after construction.
    bool Prepare();

    // The offer. Set before the window is created; none of them touches the window.
    void SetTransfer(Vela::Ux::ITransferFile* channel) { transfer = channel; }
    void SetSender(const KxShareDevices& device) { sender = device; }
    const KxShareDevices& GetSender() const { return sender; }
    // NAMES may carry paths; only the part after the last backslash or slash is shown.
    void SetOfferedFiles(std::vector<std::wstring> names, int64_t totalBytes);
    // The encoded thumbnail of the offered file (copied); null or 0 for none.
    void SetThumbnail(const uint8_t* data, uint32_t size);
    void SetAutoAccept(bool on) { autoAccept = on ? 1 : 0; }
    void SetSavePath(const std::wstring& folder) { savePath = folder; }
    const std::wstring& GetSavePath() const { return savePath; }
    // Full paths of the files that arrived.
    void SetReceivedPaths(std::vector<std::wstring> paths);

    RecvState GetState() const { return static_cast<RecvState>(state.load()); }
    // Moves to STATE and refreshes the header line and the footers.
    void SetState(RecvState newState);

    // The failure notice of the running receive (a ShareStatusCode): reports it, shows the
    // failed state and arms the auto-close. Nothing once the dialog is closing.
    void OnRecvFail(uint32_t code);

    // Frees the thumbnail bytes, stops the auto-close timer, closes the folder picker if it is
    // open and closes the window with result 1.
    void Close();
    bool IsClosed() const { return closed.load(); }

    // The user's answers; each returns whether its message was posted.
    // Posts the save folder to the service (0x15004A).
    bool OnAcceptClick();
    // Posts the refusal (0x15004C) and closes.
    bool OnRefuseClick();
    // Shows the failed state; posts the cancel (0x15004D), arms the auto-close and closes.
    bool OnCancelClick();
    // Refuses in state Waiting, cancels in state Receiving, then closes.
    void OnCloseClick();
    // Opens the folder picker on the save folder, or on the first usable standard folder of the
    // user ("Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos"). False when no
    // folder qualifies.
    bool OnSaveClick();
    // Opens the one received file with its default program; false when there is not exactly
    // one, it is gone or the shell cannot open it.
    bool OnOpenClick();
    // Opens the save folder with the received files that exist selected. True when the message
    // to the folder helper was scheduled (it goes after kHelperStartWaitMs).
    bool OnOpenDirClick();

    // Starts the folder helper and, after kHelperStartWaitMs, asks it to show its picker at
    // FOLDER (0x350003). While the picker is open the window answers every message with 0.
    void OpenDirDialog(const std::wstring& folder);
    // Tells the folder helper to close its picker (0x350002), when it is open.
    void CloseDirDialog();
    // The folder helper's answer: FOLDER picked (empty: closed without a choice) becomes the
    // save folder, and the picker is over. False when this dialog's picker is not open.
    bool OnFolderPicked(const std::wstring& folder);
    // Told before this dialog opens a folder picker.
    void SetPickerListener(std::function<void(FileRecvDialog*)> listener) {
        pickerListener = std::move(listener);
    }
    // The first of the user's standard folders that can take files ("Desktop", "Documents",
    // ...); empty when none can.
    static std::wstring DefaultSaveFolder();
    bool IsFolderDialogOpen() const { return folderDialogOpen.load(); }

    // Closes the dialog once the calendar clock shows more than kAutoCloseIdleSeconds since
    // the last activity (the cursor over the window).
    void ArmAutoClose();
    bool IsAutoCloseArmed() const { return autoCloseArmed.load(); }

    // GetTickCount64 when the accept was posted; 0 before.
    uint64_t GetAcceptTicks() const { return acceptTicks; }
    // Fed from outside while a receive runs.
    UIBackgroundProgress* GetProgress() const { return progress.get(); }
    UIEx::CThumbControlUI* GetThumbControl() const { return thumbControl.get(); }

    // Puts the window above the others at the bottom right corner of its monitor's work area.
    void MoveToCorner();

    void Notify(DuiLib::TNotifyUI& msg) override;

protected:
    const wchar_t* GetWindowClassName() const override;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void InitWindow() override;
    DuiLib::CDuiString GetSkinFile() override;
    LRESULT OnClose(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    void OnFinalMessage(HWND hWnd) override;

private:
    DuiLib::CControlUI* Find(const wchar_t* name) const;
    void ShowFileNameAndIcon();
    void ShowFileSize();
    void RefreshStateViews();
    void RefreshHeader();
    void RefreshFooters();
    void OnAutoCloseTick();
    void PostToFolderHelper(uint32_t messageId, const std::string& utf8WithNul);
    void SendPendingHelperPost(UINT_PTR timerId);
    // Takes the picture control and the progress bar out of the window's containers.
    void ReclaimControls();

    Vela::Ux::ITransferFile* transfer = nullptr;
    std::atomic<int32_t> state{static_cast<int32_t>(RecvState::Waiting)};
    int64_t totalSize = 0;
    int32_t autoAccept = 0;
    KxShareDevices sender;
    std::unique_ptr<uint8_t[]> thumbnailData;
    uint32_t thumbnailSize = 0;
    std::vector<std::wstring> offeredNames;
    std::vector<std::wstring> receivedPaths;
    std::unique_ptr<UIEx::CThumbControlUI> thumbControl;
    std::unique_ptr<UIBackgroundProgress> progress;
    std::wstring savePath;
    std::atomic<bool> folderDialogOpen{false};
    std::atomic<bool> autoCloseArmed{false};
    __time64_t lastActivity = 0;
    std::atomic<bool> closed{false};
    uint64_t acceptTicks = 0;
    UINT_PTR autoCloseTimer = 0;
    // Messages to the folder helper waiting for it to start, by timer id (UTF-8 with NUL).
    std::string pendingPickerPost;
    std::string pendingOpenFolderPost;
    std::function<void(FileRecvDialog*)> pickerListener;
};

// What the transfer dialog tells its controller about the user's actions.
#pragma once

class FileTransferViewNotifyCallback {
public:
    virtual ~FileTransferViewNotifyCallback() = default;
    // The remove button of the fixed item or of a queued row was clicked.
    virtual void OnRemoveItem(unsigned id) { (void)id; }
    // The retry button of the fixed item was clicked.
    virtual void OnRetryItem(unsigned id) { (void)id; }
    // The user closed the dialog (close button or system close).
    virtual void OnCancelAll() {}
    // The next queued item has moved into the fixed item; AFTER_CANCEL is the flag the
    // controller gave with ScheduleNextItem.
    virtual void OnItemShown(unsigned afterCancel) { (void)afterCancel; }
    // A queued row has been taken out of the list after RemoveQueuedItem.
    virtual void OnQueueChanged() {}
    // The hide timer ended with nothing queued and the dialog was hidden.
    virtual void OnCloseAll() {}
    // The window received its final message.
    virtual void OnViewDestroyed() {}
    // The number of queued items the controller holds.
    virtual int GetQueuedCount() = 0;
};

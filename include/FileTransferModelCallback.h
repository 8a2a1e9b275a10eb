// What the send model reports about its items. Called on the UI thread only.
#pragma once

namespace Vela::Ux {

class FileTransferItem;

class FileTransferModelCallback {
public:
    virtual ~FileTransferModelCallback() = default;
    // An item was added to the queue, or a queued item took in a new request.
    virtual void OnItemQueued(FileTransferItem* item) = 0;
    // The item became the running item.
    virtual void OnItemStarted(FileTransferItem* item) = 0;
    // A queued item is being removed; it is destroyed right after the call returns.
    virtual void OnItemRemoved(FileTransferItem* item) = 0;
    // The item's state changed.
    virtual void OnItemStateChanged(FileTransferItem* item) = 0;
};

}  // namespace Vela::Ux

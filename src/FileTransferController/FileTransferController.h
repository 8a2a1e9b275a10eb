// Joins the send model to the transfer dialog: the model's events become display records and
// view updates, the user's actions in the view become model calls. It also maps an item's
// state and failure reason to the text the dialog shows. UI thread only.
#pragma once

#include "FileTransferModelCallback.h"
#include "FileTransferViewNotifyCallback.h"
#include "UIListItemInfo.h"

#include <memory>

class FileTransferView;

namespace Vela::Ux {

class FileTransferItem;
class FileTransferModel;
class FileTransferSendItem;

class FileTransferModelCallbackImpl : public FileTransferModelCallback {
public:
    void OnItemQueued(FileTransferItem* item) override;
    void OnItemStarted(FileTransferItem* item) override;
    void OnItemRemoved(FileTransferItem* item) override;
    void OnItemStateChanged(FileTransferItem* item) override;

    FileTransferView* view = nullptr;
    FileTransferModel* model = nullptr;

private:
    void OnFinished(FileTransferItem* item, const TransferItemState& state);
};

class FileTransferViewNotifyCallbackImpl : public FileTransferViewNotifyCallback {
public:
    void OnRemoveItem(unsigned id) override;
    void OnRetryItem(unsigned id) override;
    void OnCancelAll() override;
    void OnItemShown(unsigned afterCancel) override;
    void OnQueueChanged() override;
    void OnCloseAll() override;
    int GetQueuedCount() override;

    FileTransferView* view = nullptr;
    FileTransferModel* model = nullptr;
};

class FileTransferController {
public:
    FileTransferController();
    ~FileTransferController();
    FileTransferController(const FileTransferController&) = delete;
    FileTransferController& operator=(const FileTransferController&) = delete;

    // Initialises the view and becomes its notify callback. Call before SetModel.
    void SetView(FileTransferView* view);
    // Becomes the model's callback.
    void SetModel(FileTransferModel* model);

    static UIListItemInfo GetUIListItemInfo(FileTransferItem* item);
    // The text of a send failure without a specific cause, from the share type and, for share
    // type 0, the PC's radios as they are now.
    static void GetFailedUIInfoStateString(FileTransferSendItem* item, UIListItemInfo& info);
    // The skin's "cancel_delay" (ms) as read when the view was set.
    static int CancelDelayMs();

private:
    struct Record;
    std::unique_ptr<Record> record;
};

}  // namespace Vela::Ux

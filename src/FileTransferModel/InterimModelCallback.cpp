#include "InterimModelCallback.h"

#include "FileTransferSendItem.h"
#include "SDK/Util/LogTool/LogTool.h"
#include "UIlib.h"

#include <sstream>

namespace Vela {
namespace Ux {

namespace {

const char* StageName(TransferStage stage) {
    switch (stage) {
        case TransferStage::None:
            return "None";
        case TransferStage::Preparing:
            return "Preparing";
        case TransferStage::Connecting:
            return "Connecting";
        case TransferStage::Transferring:
            return "Transferring";
        case TransferStage::Finished:
            return "Finished";
    }
    return "Unknown";
}

const char* ResultName(TransferResult result) {
    switch (result) {
        case TransferResult::Ok:
            return "Ok";
        case TransferResult::Failed:
            return "Failed";
        case TransferResult::CancelledByUser:
            return "CancelledByUser";
        case TransferResult::Cancelled:
            return "Cancelled";
        case TransferResult::Rejected:
            return "Rejected";
    }
    return "Unknown";
}

int32_t ReasonOf(FileTransferItem* item) {
    auto* sendItem = dynamic_cast<FileTransferSendItem*>(item);
    return sendItem != nullptr ? static_cast<int32_t>(sendItem->GetFailReason()) : 0;
}

}  // namespace

InterimModelCallback::InterimModelCallback(FileTransferModel& model, int32_t cancelDelayMs)
    : model(model), cancelDelayMs(cancelDelayMs), alive(std::make_shared<int>(0)) {
    model.SetCallback(this);
}

InterimModelCallback::~InterimModelCallback() {
    model.SetCallback(nullptr);
}

std::string InterimModelCallback::DescribeState(FileTransferItem* item) {
    TransferItemState state = item->GetState();
    std::ostringstream text;
    text << "item " << item->GetId() << ' ' << StageName(state.stage) << ' '
         << ResultName(state.result) << ' ' << state.progress << "% speed " << state.speed
         << " left " << state.leftTime << " reason " << ReasonOf(item);
    return text.str();
}

void InterimModelCallback::OnItemQueued(FileTransferItem* item) {
    auto* sendItem = dynamic_cast<FileTransferSendItem*>(item);
    LOG_WARN("item " << item->GetId() << " queued, "
                     << (sendItem != nullptr ? sendItem->GetFiles().size() : 0) << " files, "
                     << (sendItem != nullptr ? sendItem->GetTotalBytes() : 0) << " bytes");
}

void InterimModelCallback::OnItemStarted(FileTransferItem* item) {
    runningId = item->GetId();
    runningFinished = item->GetState().stage == TransferStage::Finished;
    restartPosted = false;
    LOG_WARN("item " << runningId << " started");
}

void InterimModelCallback::OnItemRemoved(FileTransferItem* item) {
    LOG_WARN("item " << item->GetId() << " removed");
}

void InterimModelCallback::OnItemStateChanged(FileTransferItem* item) {
    LOG_WARN(DescribeState(item));
    if (item->GetId() != runningId) {
        return;
    }
    TransferItemState state = item->GetState();
    runningFinished = state.stage == TransferStage::Finished;
    if (!runningFinished) {
        // Started again (retry): a restart posted earlier no longer applies.
        restartPosted = false;
        return;
    }
    if (restartPosted) {
        // A second finished notice (a late status, a radio going off) restarts nothing more.
        return;
    }
    restartPosted = true;
    int32_t delayMs = state.result == TransferResult::CancelledByUser ? cancelDelayMs : 0;
    uint32_t finishedId = runningId;
    std::weak_ptr<int> token = alive;
    // Not at once: the item is still inside its own state change.
    DuiLib::UIMainQueue::getInstance()->dispatch([this, token, finishedId, delayMs] {
        if (token.lock()) {
            RestartAfter(finishedId, delayMs);
        }
    });
}

void InterimModelCallback::RestartAfter(uint32_t finishedId, int32_t delayMs) {
    // Skipped when another item has started meanwhile or the finished one was retried.
    if (runningId != finishedId || !runningFinished) {
        return;
    }
    runningId = 0;
    runningFinished = false;
    model.StartNext(delayMs);
}

}  // namespace Ux
}  // namespace Vela

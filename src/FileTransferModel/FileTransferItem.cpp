#include "FileTransferItem.h"

#include <atomic>
#include <new>

namespace Vela::Ux {

namespace {

// Items are created on the requesting threads (pipe listener, IPC), hence atomic. The first
// item gets id 1, so 0 never names an item.
std::atomic<uint32_t> itemSerial{0};

}  // namespace

FileTransferItem::FileTransferItem(uint32_t direction, const KxShareDevices& device)
    : data(new (std::nothrow) FileTransferItemData) {
    if (data) {
        data->direction = direction;
        data->id = ++itemSerial;
        data->device = device;
    }
}

FileTransferItem::~FileTransferItem() = default;

uint32_t FileTransferItem::GetId() const {
    return data ? data->id : 0;
}

TransferItemState FileTransferItem::GetState() const {
    if (!data) {
        return TransferItemState{};
    }
    std::lock_guard<std::mutex> guard(data->stateLock);
    return data->state;
}

KxShareDevices FileTransferItem::GetDevice() const {
    return data ? data->device : KxShareDevices{};
}

std::wstring FileTransferItem::GetDevName() const {
    return data ? data->device.devName : std::wstring();
}

std::wstring FileTransferItem::GetNickName() const {
    return data ? data->device.nickName : std::wstring();
}

int32_t FileTransferItem::GetDelay() const {
    return data ? data->delayMs : 0;
}

uint32_t FileTransferItem::GetShareType() const {
    if (!data) {
        return 2;
    }
    uint32_t shareType = data->device.shareType;
    return shareType == 0 || shareType == 1 ? shareType : 2;
}

bool FileTransferItem::IsDevTypeOne() const {
    return data ? data->device.devTypeIsOne : false;
}

void FileTransferItem::SetNotifier(IStateNotifier* notifier) {
    if (data) {
        data->notifier = notifier;
    }
}

void FileTransferItem::SetSendHelper(ITransferFile* sendHelper) {
    if (data) {
        data->sendHelper = sendHelper;
    }
}

void FileTransferItem::SetState(const TransferItemState& newState) {
    if (!data) {
        return;
    }
    IStateNotifier* notifier = nullptr;
    {
        std::lock_guard<std::mutex> guard(data->stateLock);
        data->state = newState;
        if (data->state.stage == TransferStage::Finished && data->cancelRequested) {
            data->state.result = TransferResult::CancelledByUser;
        }
        notifier = data->notifier;
    }
    if (notifier != nullptr) {
        notifier->OnStateChanged(this);
    }
}

void FileTransferItem::StartWithDelay(int32_t delayMs) {
    if (data) {
        data->delayMs = delayMs;
    }
    Start();
}

void FileTransferItem::CancelByUser() {
    if (!data) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(data->stateLock);
        if (data->cancelRequested) {
            return;
        }
        data->cancelRequested = true;
    }
    Cancel();
}

}  // namespace Vela::Ux

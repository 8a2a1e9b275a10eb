#include "FileTransferSendItem.h"

#include "DataStream.h"
#include "IPCMessageIds.h"
#include "UsageReport.h"

#include <TandemUtil.h>
#include <UIExUtils.h>
#include <windows.h>

#include <cstring>

namespace Vela::Ux {

namespace {

void PostToService(ITransferFile* sendHelper, uint32_t messageId) {
    sendHelper->PostMessage(kEndpointTandemService, messageId, kReplyIdNone, nullptr, 0);
}

}  // namespace

FileTransferSendItem::FileTransferSendItem(const KxShareDevices& device,
                                           const std::vector<std::wstring>& files,
                                           SendSponsorSource source)
    : FileTransferItem(0, device), files(files), executor(new DelayExecutor), source(source) {
    for (const std::wstring& path : this->files) {
        bool ok = false;
        uint64_t size = UIEx::Utils::GetFileSize(path, ok);
        if (ok) {
            totalBytes += size;
            continue;
        }
        std::wstring mapped;
        bool isMapped = false;
        if (TandemUtilClass::IsNetShareMap(path, mapped, &isMapped) && isMapped) {
            size = UIEx::Utils::GetFileSize(mapped, ok);
            if (ok) {
                totalBytes += size;
            }
        }
    }
}

FileTransferSendItem::~FileTransferSendItem() {
    if (executor) {
        executor->QuitDelayExecuteThread();
        executor.reset();
    }
}

TransferStage FileTransferSendItem::CurrentStage() const {
    return GetState().stage;
}

TransferResult FileTransferSendItem::CurrentResult() const {
    return GetState().result;
}

void FileTransferSendItem::SetStageSilently(TransferStage stage) {
    if (data) {
        std::lock_guard<std::mutex> guard(data->stateLock);
        data->state.stage = stage;
    }
}

void FileTransferSendItem::Start() {
    if (!data || data->sendHelper == nullptr) {
        return;
    }
    btOn = false;
    wifiOn = false;
    btKnown = false;
    wifiKnown = false;
    SetFailReason(FailReason::InProgress);
    SetState({TransferStage::Preparing, TransferResult::Ok});
    PostToService(data->sendHelper, kMsgTandemPrepareRadios);
}

void FileTransferSendItem::UpdatePreparingReason() {
    SetFailReason(FailReason::None);
    uint32_t shareType = data ? data->device.shareType : 0;
    bool btClosed = btKnown && !btOn;
    if (shareType == 0) {
        if (btClosed) {
            SetFailReason(FailReason::BluetoothUnavailable);
        }
        if (wifiKnown && !wifiOn) {
            SetFailReason(GetFailReason() == FailReason::BluetoothUnavailable
                              ? FailReason::BothUnavailable
                              : FailReason::WifiUnavailable);
        }
    } else if (btClosed) {
        SetFailReason(FailReason::BluetoothUnavailable);
    }
    SetState({TransferStage::Preparing, TransferResult::Ok});
}

void FileTransferSendItem::UpdateFinishedReason() {
    if (!data) {
        return;
    }
    TransferItemState state{TransferStage::Finished, CurrentResult()};
    if (data->device.shareType == 0) {
        if (!btOn && !wifiOn) {
            SetFailReason(FailReason::BothClosed);
        } else if (!wifiOn) {
            SetFailReason(FailReason::WifiClosed);
        } else if (!btOn) {
            SetFailReason(FailReason::BluetoothClosed);
        }
    } else if (!btOn) {
        SetFailReason(FailReason::BluetoothClosed);
    }
    SetState(state);
}

void FileTransferSendItem::ExecuteSend() {
    if (!data || data->sendHelper == nullptr) {
        return;
    }
    KxShareDevices device = data->device;
    std::vector<std::wstring> fileList = files;
    if (GetDelay() < 1) {
        startTicks = GetTickCount64();
        data->sendHelper->SendShareRequest(device, fileList);
        SetFailReason(FailReason::None);
        SetState({TransferStage::Connecting, TransferResult::Ok});
        return;
    }
    DelayExecutor::DelayExecute(this, GetDelay(), data->sendHelper, device, fileList);
}

void FileTransferSendItem::HandleRadio(uint32_t id) {
    uint32_t shareType = data ? data->device.shareType : 0;
    bool wifiNeeded = shareType == 0 || shareType == 2;
    TransferItemState state = GetState();
    bool preparing = state.stage == TransferStage::Preparing;
    bool finishedFailed =
        state.stage == TransferStage::Finished && state.result == TransferResult::Failed;
    switch (id) {
        case kMsgWifiOn:
        case kMsgWifiOnAlt:
            wifiOn = true;
            wifiKnown = true;
            if (preparing && wifiNeeded && btOn) {
                ExecuteSend();
            }
            break;
        case kMsgBluetoothOn:
        case kMsgBluetoothOnAlt:
            btOn = true;
            btKnown = true;
            if (preparing && (shareType == 1 || wifiOn)) {
                ExecuteSend();
            }
            break;
        case kMsgWifiOff:
        case kMsgWifiOffAlt:
            wifiOn = false;
            wifiKnown = true;
            if (preparing) {
                if (wifiNeeded && data) {
                    UpdatePreparingReason();
                    PostToService(data->sendHelper, kMsgTandemWifiWasOff);
                }
            } else if (finishedFailed) {
                UpdateFinishedReason();
            }
            break;
        case kMsgBluetoothOff:
        case kMsgBluetoothOffAlt:
            btOn = false;
            btKnown = true;
            if (preparing) {
                if (data) {
                    UpdatePreparingReason();
                    PostToService(data->sendHelper, kMsgTandemBluetoothWasOff);
                }
            } else if (finishedFailed) {
                UpdateFinishedReason();
            }
            break;
        default:
            break;
    }
}

void FileTransferSendItem::HandleProgress(const char* payload, uint32_t length) {
    TransferItemState current = GetState();
    if (current.stage != TransferStage::Transferring || current.result != TransferResult::Ok) {
        return;
    }
    tandem::IpcBufferBuild channel(const_cast<char*>(payload), length, true);
    tandem::DataStream stream(&channel);
    KxShareProgress progress;
    stream.ReadRaw(&progress, sizeof(progress));
    TransferItemState state{TransferStage::Transferring, TransferResult::Ok};
    state.progress = progress.progress;
    state.speed = progress.speed;
    state.leftTime = static_cast<int32_t>(progress.leftTime);
    SetState(state);
}

void FileTransferSendItem::HandleStatus(const char* payload, uint32_t length) {
    tandem::IpcBufferBuild channel(const_cast<char*>(payload), length, true);
    tandem::DataStream stream(&channel);
    int32_t param = stream.ReadInt32();
    unsigned char raw[8] = {};
    stream.ReadRaw(raw, sizeof(raw));
    uint32_t code = 0;
    std::memcpy(&code, raw, sizeof(code));

    auto fail = [this](FailReason reason) {
        SetFailReason(reason);
        SetState({TransferStage::Transferring, TransferResult::Failed});
    };
    switch (code) {
        case SHARE_ERROR_IO:
        case SHARE_ERROR_SOCKET:
        case SHARE_ERROR_CLIENT_BUSY:
        case SHARE_ERROR_SELF_CHANNEL_BUSY:
        case SHARE_ERROR_OTHER_CHANNEL_BUSY:
        case SHARE_UNKNOWN_ERROR:
        case DTCP_ERR_SOCKET:
        case DTCP_ERR_REMOTE:
        case DTCP_ERR_IO:
        case DTCP_TIMEOUT_FINISH:
        case DTCP_TIMEOUT_CANCEL:
            fail(FailReason::SendFailed);
            break;
        case SHARE_ERROR_SERVER_BUSY:
            fail(FailReason::ReceiverBusy);
            break;
        case DTCP_ERR_MISSED_PAIR_DEVICE:
            fail(FailReason::MissedPair);
            break;
        case DTCP_ERR_VERSION_MISMATCH:
            fail(FailReason::VersionMismatch);
            break;
        case DTCP_ERR_NOSPACE:
            fail(FailReason::NoSpace);
            break;
        case DTCP_TIMEOUT_CONFIRM:
            fail(FailReason::ConfirmTimeout);
            break;
        case DTCP_STATUS_SEND_CONNECTING:
            SetState({TransferStage::Connecting, TransferResult::Ok});
            break;
        case DTCP_STATUS_SEND_DATA:
            SetFailReason(FailReason::InProgress);
            SetState({TransferStage::Transferring, TransferResult::Ok});
            break;
        case DTCP_STATUS_SEND_DISCONNECTED: {
            disconnectCode = static_cast<uint32_t>(stream.ReadInt32());
            TransferResult result = CurrentResult();
            if (result == TransferResult::Ok) {
                ReportEvent(UsageEvent::SendDisconnectedAfterSuccess, 0);
            } else if (result == TransferResult::Failed) {
                ReportEvent(UsageEvent::TransferFailed, 0, disconnectCode);
            }
            if (result == TransferResult::Failed) {
                UpdateFinishedReason();
            } else {
                SetState({TransferStage::Finished, result});
            }
            break;
        }
        case DTCP_STATUS_SEND_RECVCANCEL: {
            SetFailReason(FailReason::Cancelled);
            TransferItemState state{TransferStage::Transferring, TransferResult::Cancelled};
            state.progress = static_cast<uint32_t>(param);
            SetState(state);
            break;
        }
        case DTCP_STATUS_SEND_CANCEL:
            SetFailReason(FailReason::Cancelled);
            SetState({TransferStage::Transferring, TransferResult::Cancelled});
            break;
        case DTCP_STATUS_SEND_RECVREJCT:
            SetFailReason(FailReason::Rejected);
            SetState({TransferStage::Transferring, TransferResult::Rejected});
            break;
        case DTCP_STATUS_SEND_SUCCESS: {
            SetFailReason(FailReason::Succeeded);
            TransferItemState state{TransferStage::Transferring, TransferResult::Ok};
            state.progress = 100;
            SetState(state);
            break;
        }
        default:
            break;
    }
}

void FileTransferSendItem::OnIPCResponse(uint32_t id, const char* payload, uint32_t length) {
    if (executor) {
        executor->WaitWhileSending();
    }
    elapsedMs = GetTickCount64() - startTicks;
    switch (id) {
        case kMsgWifiOn:
        case kMsgWifiOnAlt:
        case kMsgWifiOff:
        case kMsgWifiOffAlt:
        case kMsgBluetoothOn:
        case kMsgBluetoothOnAlt:
        case kMsgBluetoothOff:
        case kMsgBluetoothOffAlt:
            HandleRadio(id);
            break;
        case kMsgShareProgress:
            HandleProgress(payload, length);
            break;
        case kMsgShareStatus:
            HandleStatus(payload, length);
            break;
        default:
            break;
    }
}

void FileTransferSendItem::Cancel() {
    TransferStage stage = CurrentStage();
    if (stage == TransferStage::Finished || stage == TransferStage::Preparing) {
        SetState({TransferStage::Finished, TransferResult::CancelledByUser});
        return;
    }
    if (!data || !executor || data->sendHelper == nullptr) {
        return;
    }
    executor->QuitDelayExecuteThread();
    data->sendHelper->CancelSend();
}

void FileTransferSendItem::Merge(FileTransferItem* other) {
    auto* sendItem = dynamic_cast<FileTransferSendItem*>(other);
    if (sendItem == nullptr) {
        return;
    }
    if (data) {
        data->device = sendItem->GetDevice();
    }
    totalBytes += sendItem->totalBytes;
    files.insert(files.end(), sendItem->files.begin(), sendItem->files.end());
}

}  // namespace Vela::Ux

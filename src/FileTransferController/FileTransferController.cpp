#include "FileTransferController.h"

#include "FileTransferModel.h"
#include "FileTransferSendItem.h"
#include "FileTransferView.h"
#include "UsageReport.h"

#include <BluetoothManage.h>
#include <SDK/Util/LogTool/LogTool.h>
#include <UIStringLocale.h>
#include <WifiManage.h>

#include <atomic>

namespace Vela::Ux {
namespace {

std::atomic<int> cancelDelayMs{0};
std::atomic<bool> cancelDelayRead{false};

enum TaskbarState { kTaskbarNone = 0, kTaskbarIndeterminate = 1, kTaskbarError = 3 };

void SetTaskbarState(FileTransferView* view, int state) {
    view->GetPaintManager()->SetTaskbarState(state);
}

void SetTaskbarProgress(FileTransferView* view, int progress) {
    view->GetPaintManager()->SetTaskbarProgress(progress);
}

// The text of a failure reason with a fixed meaning; WITH_DEVICE takes the device name.
struct ReasonText {
    FailReason reason;
    const wchar_t* id;
    bool withDevice;
};
constexpr ReasonText kReasonTexts[] = {
    // 12 and 14 are not produced by the model today; their texts are ready when they are.
    {static_cast<FailReason>(12), L"IDS_FILETRANSFER_STATE_STRING_CHANNELBUSY", true},
    {FailReason::ReceiverBusy, L"IDS_FILETRANSFER_FIXED_ITEM_RECEIVING", false},
    {static_cast<FailReason>(14), L"IDS_FILETRANSFER_STATE_STRING_BUSY", true},
    {FailReason::NoSpace, L"IDS_FILETRANSFER_FIXED_ITEM_NOSPACE", true},
    {FailReason::ConfirmTimeout, L"IDS_FILETRANSFER_STATE_STRING_TIMEOUT", true},
    {FailReason::BluetoothClosed, L"IDS_FILETRANSFER_FIXED_ITEM_BLUETOOTH_CLOSED", false},
    {FailReason::WifiClosed, L"IDS_FILETRANSFER_FIXED_ITEM_WIFI_CLOSED", false},
    {FailReason::BothClosed, L"IDS_FILETRANSFER_FIXED_ITEM_BOTH_CLOSED", false},
    {FailReason::BluetoothUnavailable, L"IDS_FILETRANSFER_FIXED_ITEM_BLUETOOTH_OPENED", false},
    {FailReason::WifiUnavailable, L"IDS_FILETRANSFER_FIXED_ITEM_WIFI_OPENED", false},
    {FailReason::BothUnavailable, L"IDS_FILETRANSFER_FIXED_ITEM_BOTH_OPENED", false},
    {FailReason::MissedPair, L"IDS_FILETRANSFER_FIXED_ITEM_MIS_PAIR", false},
    {FailReason::VersionMismatch, L"IDS_MYALBUM_VERSION_MISMATCH", false},
};

}  // namespace

struct FileTransferController::Record {
    FileTransferViewNotifyCallbackImpl viewNotify;
    FileTransferModelCallbackImpl modelCallback;
    FileTransferView* view = nullptr;
    FileTransferModel* model = nullptr;
};

FileTransferController::FileTransferController() : record(std::make_unique<Record>()) {}

// The view and the model are not the controller's; their owner ends them first.
FileTransferController::~FileTransferController() = default;

void FileTransferController::SetView(FileTransferView* view) {
    record->view = view;
    record->viewNotify.view = view;
    record->modelCallback.view = view;
    if (!view) {
        return;
    }
    view->InitView();
    view->SetNotifyCallback(&record->viewNotify);
    if (!cancelDelayRead.exchange(true)) {
        cancelDelayMs = view->GetPaintManager()->GetUserValue(L"cancel_delay").ToInt();
    }
}

void FileTransferController::SetModel(FileTransferModel* model) {
    record->model = model;
    record->viewNotify.model = model;
    record->modelCallback.model = model;
    if (model) {
        model->SetCallback(&record->modelCallback);
    }
}

int FileTransferController::CancelDelayMs() {
    return cancelDelayMs;
}

UIListItemInfo FileTransferController::GetUIListItemInfo(FileTransferItem* item) {
    UIListItemInfo info;
    auto* send = dynamic_cast<FileTransferSendItem*>(item);
    if (!send) {
        return info;
    }
    info.elapsedMs = send->GetElapsedMs();
    info.shareType = send->GetShareType();
    info.deviceName = send->GetDevName();
    info.nickName = send->GetNickName();
    info.files = send->GetFiles();
    info.totalBytes = send->GetTotalBytes();
    info.uiState = static_cast<uint32_t>(UIItemStateOf(send->GetState()));

    const FailReason reason = send->GetFailReason();
    if (reason == FailReason::SendFailed) {
        GetFailedUIInfoStateString(send, info);
        return info;
    }
    for (const ReasonText& text : kReasonTexts) {
        if (text.reason == reason) {
            info.stateText = text.withDevice
                                 ? UIEx::UIStringLocale::GetString(text.id, 1, info.deviceName)
                                 : UIEx::UIStringLocale::GetString(text.id);
        }
    }
    return info;
}

void FileTransferController::GetFailedUIInfoStateString(FileTransferSendItem* item,
                                                        UIListItemInfo& info) {
    if (!item) {
        return;
    }
    const wchar_t* id = nullptr;
    switch (item->GetShareType()) {
        case 1:
            id = L"IDS_FILETRANSFER_TIP_SENDFAILED_LABEL00";
            break;
        case 2:
            id = item->IsDevTypeOne() ? L"IDS_FILETRANSFER_TIP_SENDFAILED_LABEL02"
                                      : L"IDS_FILETRANSFER_TIP_SENDFAILED_LABEL01";
            break;
        default: {
            auto* bluetooth = ConnectKitBluetooth::BluetoothManage::GetInstance();
            auto* wifi = ConnectKitWifi::WifiManage::GetInstance();
            if (!bluetooth || !wifi) {
                return;
            }
            const bool bluetoothOn = bluetooth->GetBluetoothState() == 1;
            const bool wifiOn = wifi->GetWifiState() == 1;
            // These records name the function without its class.
            constexpr const char* kFunction = "GetFailedUIInfoStateString";
            if (!bluetoothOn && !wifiOn) {
                LOG_WARN_FN(kFunction, "[DaVirir] then show ensure PC's wifi or BT open");
                id = L"IDS_FILETRANSFER_FIXED_ITEM_BOTH_CLOSED";
            } else if (bluetoothOn && wifiOn) {
                LOG_WARN_FN(kFunction, "[DaVirir] Maybe phone's wifi or BT error");
                id = L"IDS_FILETRANSFER_TIP_SENDFAILED_LABEL03";
            } else if (bluetoothOn) {
                LOG_WARN_FN(kFunction, "[DaVirir] then show ensure PC's wifi open");
                id = L"IDS_FILETRANSFER_FIXED_ITEM_WIFI_CLOSED";
            } else {
                LOG_WARN_FN(kFunction, "[DaVirir] then show ensure PC's BT open");
                id = L"IDS_FILETRANSFER_FIXED_ITEM_BLUETOOTH_CLOSED";
            }
            break;
        }
    }
    info.stateText = UIEx::UIStringLocale::GetString(id);
}

// Model events.

void FileTransferModelCallbackImpl::OnItemQueued(FileTransferItem* item) {
    if (!view || !model || !item) {
        return;
    }
    const UIListItemInfo info = FileTransferController::GetUIListItemInfo(item);
    if (view->UpdateItem(item->GetId(), info)) {
        view->BringToFront();  // merged into an item already shown
        return;
    }
    view->ShowDialog();
    view->RefreshQueuedCount(static_cast<int>(model->GetQueuedCount()));
    view->AddQueuedItem(item->GetId(), info);
}

void FileTransferModelCallbackImpl::OnItemStarted(FileTransferItem* item) {
    if (!view || !item) {
        return;
    }
    view->SetTitlePercent(0);
    view->SetTitlePercentVisible(true);
    view->ShowCurrentItem(item->GetId(), FileTransferController::GetUIListItemInfo(item));
    view->ShowDialog();
    view->UpdateProgress(0, 0, 0);
    view->SetRemoveEnabled(false);
    SetTaskbarState(view, kTaskbarIndeterminate);
}

void FileTransferModelCallbackImpl::OnItemRemoved(FileTransferItem* item) {
    if (view && item) {
        view->RemoveQueuedItem(item->GetId());
    }
}

void FileTransferModelCallbackImpl::OnItemStateChanged(FileTransferItem* item) {
    if (!view || !model || !item) {
        return;
    }
    const TransferItemState state = item->GetState();
    switch (state.stage) {
        case TransferStage::Preparing:
        case TransferStage::Connecting:
            view->UpdateItem(item->GetId(), FileTransferController::GetUIListItemInfo(item));
            view->SetRetryVisible(false);
            view->SetRemoveEnabled(state.stage == TransferStage::Connecting);
            view->SetTitlePercent(0);
            view->SetTitlePercentVisible(true);
            SetTaskbarState(view, kTaskbarIndeterminate);
            break;
        case TransferStage::Transferring:
            if (state.result != TransferResult::Ok) {
                break;  // the outcome shows when it finishes
            }
            view->UpdateItem(item->GetId(), FileTransferController::GetUIListItemInfo(item));
            view->UpdateProgress(state.progress, static_cast<unsigned>(state.leftTime),
                                 state.speed);
            view->SetRetryVisible(false);
            view->SetRemoveEnabled(true);
            SetTaskbarProgress(view, static_cast<int>(state.progress));
            break;
        case TransferStage::Finished:
            OnFinished(item, state);
            break;
        default:
            break;
    }
}

void FileTransferModelCallbackImpl::OnFinished(FileTransferItem* item,
                                               const TransferItemState& state) {
    auto* send = dynamic_cast<FileTransferSendItem*>(item);
    const UIListItemInfo info = FileTransferController::GetUIListItemInfo(item);
    const double kilobytes = static_cast<double>(info.totalBytes) / 1024.0;
    const double speed =
        info.elapsedMs != 0 ? kilobytes * 1000.0 / static_cast<double>(info.elapsedMs) : kilobytes;
    ReportEvent(UsageEvent::SendFinished, state.result, send ? send->GetDisconnectCode() : 0u,
                item->IsDevTypeOne() ? 1 : 0, item->GetShareType(), speed);

    const size_t count = model->GetQueuedCount();
    const unsigned id = item->GetId();
    if (state.result == TransferResult::Ok) {
        view->UpdateCurrentItem(id, info);
        view->SetRetryVisible(false);
        view->SetRemoveEnabled(true);
        view->SetTitlePercent(100);
        SetTaskbarProgress(view, 100);
        if (count < 1) {
            view->ScheduleHide(true);
        } else {
            view->ScheduleNextItem(true, 0);
        }
        return;
    }
    view->SetTitlePercentVisible(false);
    view->UpdateCurrentItem(id, info);
    view->UpdateProgress(0, 0, 0);
    const bool byUser = state.result == TransferResult::CancelledByUser;
    view->SetRetryVisible(!byUser);
    view->SetRemoveEnabled(!byUser);
    switch (state.result) {
        case TransferResult::Failed:
        case TransferResult::Rejected:
            SetTaskbarState(view, kTaskbarError);
            break;
        case TransferResult::CancelledByUser:
            SetTaskbarState(view, kTaskbarNone);
            if (count < 1) {
                model->Clear();
                view->ScheduleHide(false);
            } else {
                view->ScheduleNextItem(false, 1);
            }
            break;
        case TransferResult::Cancelled:
            SetTaskbarState(view, kTaskbarNone);
            break;
        default:
            break;
    }
}

// User actions.

void FileTransferViewNotifyCallbackImpl::OnRemoveItem(unsigned id) {
    if (model) {
        model->RemoveItem(id);
    }
}

void FileTransferViewNotifyCallbackImpl::OnRetryItem(unsigned id) {
    if (model) {
        model->RetryItem(id);
    }
}

void FileTransferViewNotifyCallbackImpl::OnCancelAll() {
    if (view && model) {
        view->SetRemoveEnabled(false);
        model->CancelAll();
    }
}

void FileTransferViewNotifyCallbackImpl::OnItemShown(unsigned afterCancel) {
    if (!view || !model) {
        return;
    }
    if (model->GetQueuedCount() < 1) {
        model->Clear();
        view->ScheduleHide(false);
    } else {
        model->StartNext(afterCancel == 1 ? FileTransferController::CancelDelayMs() : 0);
    }
}

void FileTransferViewNotifyCallbackImpl::OnQueueChanged() {
    if (!view || !model) {
        return;
    }
    view->RefreshQueuedCount(static_cast<int>(model->GetQueuedCount()));
    if (model->GetQueuedCount() == 0 && !model->IsBusy()) {
        view->HideDialog();
    }
}

void FileTransferViewNotifyCallbackImpl::OnCloseAll() {
    if (model) {
        model->Clear();
    }
}

int FileTransferViewNotifyCallbackImpl::GetQueuedCount() {
    return model ? static_cast<int>(model->GetQueuedCount()) : 0;
}

}  // namespace Vela::Ux

#include "FileTransferModel.h"

#include "FileTransferSendItem.h"
#include "IPCMessageIds.h"
#include "SDK/Util/LogTool/LogTool.h"
#include "SafeCopy.h"
#include "UsageReport.h"

#include <OrvSoftShelf.h>
#include <SmBiosHelper.h>
#include <TandemMessageBox.h>
#include <TandemUtil.h>
#include <UIExUtils.h>
#include <UIlib.h>
#include <UIStringLocale.h>

#include <new>
#include <utility>

namespace Vela::Ux {

namespace {

// The response ids of the send side, in registration order.
constexpr uint32_t kResponseIds[] = {
    kMsgShareProgress, kMsgShareStatus, kMsgWifiOn,         kMsgWifiOff,    kMsgBluetoothOn,
    kMsgBluetoothOff,  kMsgWifiOnAlt,   kMsgBluetoothOnAlt, kMsgWifiOffAlt, kMsgBluetoothOffAlt,
};

// A sum of sizes above this (unsigned) gets the size notice on share type 1.
constexpr uint64_t kMaxSendBytes = 4290000000ULL;  // 0xFFB43480

void ShowSendNotice(const wchar_t* stringId, int flags) {
    tandem::ShowMessageBox(UIEx::UIStringLocale::GetString(stringId), nullptr, "SENDFILE_MSG",
                           flags, 0);
}

void ShowSpecialFileNotice(const KxShareDevices& device, const std::vector<std::wstring>& files) {
    OrvSoftShelf* shelf = OrvSoftShelf::GetInstance();
    if (shelf == nullptr || !shelf->IsSupportProperty("vela_plugin_davirir", "specialFileFilter") ||
        device.shareType != 2) {
        return;
    }
    for (const std::wstring& path : files) {
        std::string ext = TandemUtilClass::GetFileExt(path);
        if (ext != ".exe" && ext != ".apk") {
            continue;
        }
        std::wstring text =
            UIEx::UIStringLocale::GetString(L"IDS_BEAMLY_TIP_NOT_SUPPORT_FILE_TEXT");
        SmBiosHelper* bios = SmBiosHelper::GetInstance();
        if (bios != nullptr && bios->IsLumenDevice()) {
            const std::wstring brand = L"Velmora Share";
            size_t at = text.find(brand);
            if (at != std::wstring::npos) {
                text.replace(at, brand.size(), L"LUMEN Glide");
            }
        }
        tandem::ShowMessageBox(text, nullptr, "SENDFILE_MSG", 0, 0);
        return;
    }
}

void ShowSizeNotice(const KxShareDevices& device, const std::vector<std::wstring>& files) {
    if (device.shareType != 1) {
        return;
    }
    uint64_t sum = 0;
    for (const std::wstring& path : files) {
        bool ok = false;
        sum += UIEx::Utils::GetFileSize(path, ok);
        if (sum > kMaxSendBytes) {
            ShowSendNotice(L"IDS_FILETRANSFER_TIP_SENDFAILED_LABEL05", 10);
            return;
        }
    }
    if (sum == 0) {
        ShowSendNotice(L"IDS_FILETRANSFER_TIP_SENDFAILED_LABEL04", 10);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// FileTransferModelHelper

FileTransferModelHelper::FileTransferModelHelper(ITransferFile* sendHelper)
    : sendHelper(sendHelper) {
    if (sendHelper == nullptr) {
        return;
    }
    for (uint32_t id : kResponseIds) {
        sendHelper->RegisterMessageHandler(
            id, lifetime.Wrap([this](uint32_t messageId, const char* payload, uint32_t length) {
                OnIPCResponse(messageId, payload, length);
            }));
    }
}

FileTransferModelHelper::~FileTransferModelHelper() {
    lifetime.Expire();
    // Items stop their delayed-send workers as they are destroyed; what a worker posts
    // meanwhile is dropped on arrival.
    Clear();
}

void FileTransferModelHelper::OnIPCResponse(uint32_t id, const char* payload, uint32_t length) {
    std::shared_ptr<char[]> copy;
    if (length != 0) {
        if (payload == nullptr) {
            LOG_ERROR_FN("FileTransferModelHelper::OnIPCResponse", "src buf null");
            return;
        }
        char* block = new (std::nothrow) char[length];
        if (block == nullptr) {
            LOG_ERROR_FN("FileTransferModelHelper::OnIPCResponse", "new bufferNew failed");
            return;
        }
        copy.reset(block);
        int error = CopyBuffer(block, length, payload, length);
        if (error != 0) {
            LOG_ERROR_FN("FileTransferModelHelper::OnIPCResponse", "Copy buffer failed, " << error);
        }
    }
    PostToUi(lifetime, [this, id, copy, length] { DeliverResponse(id, copy.get(), length); });
}

void FileTransferModelHelper::DeliverResponse(uint32_t id, const char* payload, uint32_t length) {
    if (current) {
        current->OnIPCResponse(id, payload, length);
    }
}

void FileTransferModelHelper::OnStateChanged(FileTransferItem* item) {
    if (DuiLib::CPaintManagerUI::IsMainThread()) {
        HandleStateChanged(item);
        return;
    }
    if (item == nullptr) {
        return;
    }
    uint32_t id = item->GetId();
    PostToUi(lifetime, [this, item, id] {
        if (Owns(item, id)) {
            HandleStateChanged(item);
        }
    });
}

void FileTransferModelHelper::HandleStateChanged(FileTransferItem* item) {
    if (callback == nullptr || item == nullptr) {
        return;
    }
    // The callback may change the queue; look the item up again by its id afterwards.
    uint32_t id = item->GetId();
    callback->OnItemStateChanged(item);
    FileTransferItem* found = FindItem(id);
    if (found == nullptr) {
        return;
    }
    TransferItemState state = found->GetState();
    if (state.stage == TransferStage::Finished && state.result == TransferResult::Failed &&
        TandemConfig::IsAllow() && FireWallRuleManger::GetInstance().CheckRule()) {
        FireWallRuleManger::GetInstance().EnableRuleByService();
    }
}

void FileTransferModelHelper::AddItemChecked(std::unique_ptr<FileTransferItem> item) {
    FireWallRuleManger& firewall = FireWallRuleManger::GetInstance();
    firewall.OnServerStarted();
    std::wstring title = UIEx::UIStringLocale::GetString(L"IDS_FILETRANSFER_DIALOG_TITLE");
    std::wstring text = UIEx::UIStringLocale::GetString(L"IDS_FILETRANSFER_ADD_FIREWALL_RULE");
    if (firewall.TryEnableRule(title, text, false)) {
        AddItem(std::move(item));
    }
    // Otherwise the request is dropped with the item.
}

void FileTransferModelHelper::AddItem(std::unique_ptr<FileTransferItem> item) {
    if (!item) {
        return;
    }
    const std::string summary = item->GetDevice().summary;
    for (std::unique_ptr<FileTransferItem>& waiting : queue) {
        if (waiting && waiting->GetDevice().summary == summary) {
            waiting->Merge(item.get());
            if (callback != nullptr) {
                callback->OnItemQueued(waiting.get());
            }
            return;
        }
    }
    item->SetSendHelper(sendHelper);
    item->SetNotifier(this);
    FileTransferItem* added = item.get();
    queue.push_back(std::move(item));
    if (current) {
        if (callback != nullptr) {
            callback->OnItemQueued(added);
        }
        return;
    }
    StartNext(0);
}

void FileTransferModelHelper::StartNext(int32_t delayMs) {
    current.reset();
    if (queue.empty() || !queue.front()) {
        return;
    }
    current = std::move(queue.front());
    queue.pop_front();
    if (callback == nullptr) {
        return;
    }
    current->StartWithDelay(delayMs);
    if (current && callback != nullptr) {
        callback->OnItemStarted(current.get());
    }
}

void FileTransferModelHelper::RemoveItem(uint32_t id) {
    if (current && current->GetId() == id) {
        current->CancelByUser();
        return;
    }
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (*it && (*it)->GetId() == id) {
            std::unique_ptr<FileTransferItem> item = std::move(*it);
            queue.erase(it);
            if (callback != nullptr) {
                callback->OnItemRemoved(item.get());
            }
            return;
        }
    }
}

void FileTransferModelHelper::RetryItem(uint32_t id) {
    if (current && current->GetId() == id) {
        current->StartWithDelay(0);
    }
}

void FileTransferModelHelper::CancelAll() {
    std::deque<std::unique_ptr<FileTransferItem>> removed;
    removed.swap(queue);
    for (std::unique_ptr<FileTransferItem>& item : removed) {
        if (callback != nullptr) {
            callback->OnItemRemoved(item.get());
        }
        item.reset();
    }
    if (current) {
        current->CancelByUser();
    }
}

void FileTransferModelHelper::Clear() {
    current.reset();
    std::deque<std::unique_ptr<FileTransferItem>> removed;
    removed.swap(queue);
}

bool FileTransferModelHelper::IsBusy() const {
    return current && current->GetState().stage != TransferStage::Finished;
}

FileTransferItem* FileTransferModelHelper::FindItem(uint32_t id) const {
    if (current && current->GetId() == id) {
        return current.get();
    }
    for (const std::unique_ptr<FileTransferItem>& item : queue) {
        if (item && item->GetId() == id) {
            return item.get();
        }
    }
    return nullptr;
}

bool FileTransferModelHelper::Owns(const FileTransferItem* item, uint32_t id) const {
    if (current.get() == item) {
        return item->GetId() == id;
    }
    for (const std::unique_ptr<FileTransferItem>& waiting : queue) {
        if (waiting.get() == item) {
            return item->GetId() == id;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// FileTransferModel

FileTransferModel::FileTransferModel(ITransferFile* sendHelper)
    : helper(new (std::nothrow) FileTransferModelHelper(sendHelper)) {}

FileTransferModel::~FileTransferModel() = default;

void FileTransferModel::AddSendItem(const KxShareDevices& device,
                                    const std::vector<std::wstring>& files,
                                    SendSponsorSource source) {
    if (!helper) {
        return;
    }
    if (OrvSoftShelf::IsITVersion()) {
        LOG_WARN("[DaVirir] Current system is IT Version, prevent send files to others");
        return;
    }
    ShowSpecialFileNotice(device, files);
    ShowSizeNotice(device, files);
    if (source == SendSponsorSource::FromContextMenu) {
        ReportEvent(UsageEvent::UserAction, UserAction::SendFromContextMenu);
    } else if (source == SendSponsorSource::FromOther) {
        ReportEvent(UsageEvent::UserAction, UserAction::SendFromOther);
    }
    uint32_t shareType = device.shareType <= 2 ? device.shareType : 0;
    ReportEvent(UsageEvent::SendRequested, source != SendSponsorSource::FromOther,
                device.devTypeIsOne, shareType);
    std::unique_ptr<FileTransferItem> item(new (std::nothrow)
                                               FileTransferSendItem(device, files, source));
    AddItemChecked(std::move(item));
}

void FileTransferModel::AddItemChecked(std::unique_ptr<FileTransferItem> item) {
    if (!helper || !item) {
        return;
    }
    if (DuiLib::CPaintManagerUI::IsMainThread()) {
        helper->AddItemChecked(std::move(item));
        return;
    }
    // std::function needs a copyable task; the holder keeps the item owned until it runs.
    auto holder = std::make_shared<std::unique_ptr<FileTransferItem>>(std::move(item));
    FileTransferModelHelper* target = helper.get();
    PostToUi(helper->GetLifetime(),
             [target, holder] { target->AddItemChecked(std::move(*holder)); });
}

void FileTransferModel::SetCallback(FileTransferModelCallback* callback) {
    if (helper) {
        helper->SetCallback(callback);
    }
}

void FileTransferModel::RemoveItem(uint32_t id) {
    if (helper) {
        helper->RemoveItem(id);
    }
}

void FileTransferModel::RetryItem(uint32_t id) {
    if (helper) {
        helper->RetryItem(id);
    }
}

void FileTransferModel::StartNext(int32_t delayMs) {
    if (helper) {
        helper->StartNext(delayMs);
    }
}

void FileTransferModel::CancelAll() {
    if (helper) {
        helper->CancelAll();
    }
}

void FileTransferModel::Clear() {
    if (helper) {
        helper->Clear();
    }
}

size_t FileTransferModel::GetQueuedCount() const {
    return helper ? helper->GetQueuedCount() : 0;
}

bool FileTransferModel::IsBusy() const {
    return helper ? helper->IsBusy() : false;
}

}  // namespace Vela::Ux

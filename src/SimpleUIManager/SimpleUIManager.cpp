#include "SimpleUIManager.h"

#include "DataStream.h"
#include "FileRecvView.h"
#include "FileTransferModel.h"
#include "FileTransferController.h"
#include "FileTransferView.h"
#include "IPCMessageIds.h"
#include "SDK/Util/LogTool/LogTool.h"

#include <KxProcess.h>
#include <Registry.h>
#include <TandemUtil.h>
#include <UIStringLocale.h>
#include <UIlib.h>

#include <cstring>
#include <new>

namespace Vela::Ux {
namespace {

constexpr wchar_t kPairPhoneKey[] = L"\\SOFTWARE\\Velmora\\Corvix\\Beamly\\PairPhone2";
constexpr wchar_t kShareToPhone[] = L"KXSHARE_PHONE";
constexpr wchar_t kShareToDevices[] = L"KXSHARE_DEVICES";

TagIPCMessageItem ZeroedItem() {
    TagIPCMessageItem item;
    std::memset(static_cast<void*>(&item), 0, sizeof(item));
    return item;
}

bool HasPictureExtension(const std::wstring& path) {
    return path.find(L".png") != std::wstring::npos || path.find(L".jpg") != std::wstring::npos ||
           path.find(L".bmp") != std::wstring::npos;
}

// The thumbnail of the first file, when it looks like a picture and can be decoded.
std::vector<uint8_t> FirstFileThumbnail(const std::wstring& path, uint32_t& length) {
    std::vector<uint8_t> bytes;
    length = 0;
    int width = 0;
    int height = 0;
    if (!HasPictureExtension(path) || !PngThumbNailUtils::GetPicSize(path, width, height)) {
        return bytes;
    }
    int thumbWidth = 0;
    int thumbHeight = 0;
    PngThumbNailUtils::CalcThumbNailSize(width, height, thumbWidth, thumbHeight);
    if (!PngThumbNailUtils::GetThumbNail(path, bytes, thumbWidth, thumbHeight, length) ||
        length > bytes.size()) {
        bytes.clear();
        length = 0;
    }
    return bytes;
}

// The longest text a payload string holds: a longer UTF-8 form would wrap the string's 16-bit
// length, and the service could not tell the rest from the fields after it.
constexpr size_t kMaxTextBytes = static_cast<size_t>(tandem::DataStream::kMaxStringLength);

// The paths of FILES that a share request can carry: each has a UTF-8 form (no lone surrogate)
// that fits a payload string. Every path left out is logged.
std::vector<std::wstring> SendablePaths(const std::vector<std::wstring>& files) {
    std::vector<std::wstring> sendable;
    sendable.reserve(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        const size_t bytes = DE::UnicodeToUTF8(files[i]).size();
        const bool fits = bytes <= kMaxTextBytes;
        if (fits && (bytes > 0 || files[i].empty())) {
            sendable.push_back(files[i]);
            continue;
        }
        if (!fits) {
            LOG_WARN("share request: path " << i + 1 << " of " << files.size()
                                            << " left out: " << bytes
                                            << " bytes in UTF-8, more than " << kMaxTextBytes);
        } else {
            LOG_WARN("share request: path " << i + 1 << " of " << files.size()
                                            << " left out: not valid UTF-16");
        }
    }
    return sendable;
}

}  // namespace

SimpleUIManager::SimpleUIManager() : ipcClient(kEndpointPlugin, true, false) {
    auto dispatch = [this](TagIPCMessageItem& item) { OnIPCMessage(item); };
    for (uint32_t id = kMsgPluginRangeFirst; id <= kMsgPluginRangeLast; ++id) {
        ipcClient.RegisterMessageCallback(id, dispatch);
    }
    for (uint32_t id = kMsgRadioStateRangeFirst; id <= kMsgRadioStateRangeLast; ++id) {
        ipcClient.RegisterMessageCallback(id, dispatch);
    }
    for (uint32_t id = kMsgLocalNoticeRangeFirst; id <= kMsgLocalNoticeRangeLast; ++id) {
        ipcClient.RegisterMessageCallback(id, dispatch);
    }
    ipcClient.SubscribeIPCMessage(kEndpointSubscribedGroup, 0);
    ipcClient.RegisterGeneralCallback(dispatch);
}

// The transfer dialog's view, the send model and the controller that joins them, and the
// receive-side notice dispatcher. The dispatcher goes first (its handlers stop), then the model
// (its items may still report), then the view, then the controller both of them pointed at.
struct SimpleUIManager::SendSide {
    std::unique_ptr<FileTransferView> view;
    std::unique_ptr<FileTransferModel> model;
    std::unique_ptr<FileTransferController> controller;
    std::unique_ptr<FileRecvView> recvView;
    ~SendSide() {
        recvView.reset();
        model.reset();
        view.reset();
        controller.reset();
    }
};

SimpleUIManager::~SimpleUIManager() {
    lifetime.Expire();
    ipcClient.UnRegisterMessageCallbackAll();
    sendModel = nullptr;
    // Windows and the model's posted tasks belong to the UI thread, so the send side is
    // destroyed there: the task below becomes its only owner.
    if (sendSide && !DuiLib::CPaintManagerUI::IsMainThread()) {
        std::shared_ptr<SendSide> last(std::move(sendSide));
        DuiLib::UIMainQueue::getInstance()->dispatch([side = std::move(last)] {});
    }
}

void SimpleUIManager::RegisterDataHandler(uint32_t messageId, DataHandler handler) {
    std::lock_guard<std::recursive_mutex> guard(handlerLock);
    dataHandlers[messageId].push_back(std::move(handler));
}

void SimpleUIManager::RegisterMessageHandler(uint32_t messageId, MessageHandler handler) {
    std::lock_guard<std::recursive_mutex> guard(handlerLock);
    messageHandlers[messageId].push_back(std::move(handler));
}

void SimpleUIManager::RegisterItemHandler(uint32_t messageId, ItemHandler handler) {
    std::lock_guard<std::recursive_mutex> guard(handlerLock);
    itemHandlers[messageId].push_back(std::move(handler));
}

void SimpleUIManager::OnIPCMessage(TagIPCMessageItem& item) {
    std::lock_guard<std::recursive_mutex> dispatchGuard(lock);
    const uint32_t id = item.messageId;
    // The lists are copied under handlerLock, so a handler may register further handlers.
    std::vector<DataHandler> data;
    std::vector<ItemHandler> items;
    std::vector<MessageHandler> messages;
    {
        std::lock_guard<std::recursive_mutex> guard(handlerLock);
        auto found = dataHandlers.find(id);
        if (found != dataHandlers.end()) {
            data = found->second;
        }
        auto foundItem = itemHandlers.find(id);
        if (foundItem != itemHandlers.end()) {
            items = foundItem->second;
        }
        auto foundMessage = messageHandlers.find(id);
        if (foundMessage != messageHandlers.end()) {
            messages = foundMessage->second;
        }
    }
    const uint32_t length = static_cast<uint32_t>(item.dataLength);
    for (DataHandler& handler : data) {
        if (handler) {
            handler(item.data, length);
        }
    }
    for (ItemHandler& handler : items) {
        if (handler) {
            handler(item);
        }
    }
    for (MessageHandler& handler : messages) {
        if (handler) {
            handler(item.messageId, item.data, length);
        }
    }
}

bool SimpleUIManager::PostMessage(uint32_t destination, uint32_t messageId, uint32_t replyId,
                                  const char* data, uint32_t length) {
    TagIPCMessageItem item = ZeroedItem();
    item.destination = destination;
    item.source = kEndpointPlugin;
    item.messageId = messageId;
    item.replyId = replyId;
    if (data != nullptr && length != 0) {
        item.data = const_cast<char*>(data);
        item.dataLength = length;
    }
    return ipcClient.PostIPCMessage(item);
}

bool SimpleUIManager::SendMessage(uint32_t destination, uint32_t messageId, int32_t timeout,
                                  std::string& body, uint32_t option) {
    TagIPCMessageItem item = ZeroedItem();
    item.destination = destination;
    item.source = kEndpointPlugin;
    item.messageId = messageId;
    item.replyId = static_cast<uint32_t>(timeout);
    if (!body.empty()) {
        item.data = body.data();
        item.dataLength = body.size() + 1;  // with the terminating zero
    }
    TagIPCMessageItemRecv reply;
    bool sent = ipcClient.SendIPCMessage(item, timeout, reply, option);
    if (sent) {
        body = reply.data;
    }
    return sent;
}

bool SimpleUIManager::CancelSend() {
    return PostMessage(kEndpointTandemService, kMsgTandemShareCancel, 0, nullptr, 0);
}

IPCMessageClient* SimpleUIManager::GetIPCClient() {
    return &ipcClient;
}

bool SimpleUIManager::ShowSimpleUI() {
    PostToUi(lifetime, [this] {
        std::lock_guard<std::recursive_mutex> guard(lock);
        CreateSendSide();
    });
    return true;
}

void SimpleUIManager::CreateSendSide() {
    // Each part is created only when the one before it exists; the controller gets the view
    // before the model, and the receive-side dispatcher comes last.
    if (sendSide) {
        return;
    }
    sendSide = std::make_unique<SendSide>();
    sendSide->view.reset(new (std::nothrow) FileTransferView);
    if (!sendSide->view) {
        return;
    }
    sendSide->model.reset(new (std::nothrow) FileTransferModel(this));
    if (!sendSide->model) {
        return;
    }
    sendSide->controller.reset(new (std::nothrow) FileTransferController);
    if (!sendSide->controller) {
        return;
    }
    sendSide->controller->SetView(sendSide->view.get());
    sendSide->controller->SetModel(sendSide->model.get());
    sendSide->recvView.reset(new (std::nothrow) FileRecvView(this));
    sendModel = sendSide->model.get();
}

bool SimpleUIManager::HandleShareCommand(const std::wstring& command,
                                         const std::vector<std::wstring>& files) {
    if (command == kShareToDevices) {
        return true;
    }
    if (command == kShareToPhone) {
        {
            std::lock_guard<std::mutex> guard(selectionLock);
            selectedFiles = files;
        }
        // This command's own files: a selection that another thread stores meanwhile goes out
        // with that thread's command.
        SendFiles(files);
        return true;
    }
    return false;
}

void SimpleUIManager::SendFileToMyPhone() {
    std::vector<std::wstring> files;
    {
        std::lock_guard<std::mutex> guard(selectionLock);
        files = selectedFiles;
    }
    SendFiles(files);
}

void SimpleUIManager::SendFiles(const std::vector<std::wstring>& files) {
    FileTransferModel* model = sendModel.load();
    if (model == nullptr) {
        LOG_WARN_FN("Vela::Ux::SimpleUIManager::SendFileToMyPhone",
                    "transfer list view's model is null.");
        return;
    }
    if (files.empty()) {
        LOG_WARN_FN("Vela::Ux::SimpleUIManager::SendFileToMyPhone",
                    "selected send file list size is zero.");
        return;
    }
    KxShareDevices device;
    if (!ReadPairedDevice(device)) {
        return;
    }
    // An item whose share request cannot be built would hold the queue for good: what no
    // request can carry is left out here, before anything is queued or merged.
    const std::vector<std::wstring> sendable = SendablePaths(files);
    if (sendable.empty()) {
        LOG_WARN("share request dropped: none of its " << files.size() << " paths can be sent");
        return;
    }
    device.shareType = 2;
    model->AddSendItem(device, sendable, SendSponsorSource::FromContextMenu);
}

bool SimpleUIManager::ReadPairedDevice(KxShareDevices& device) {
    const std::wstring key = KXPROCESS::GetCurrentUserSidstr() + kPairPhoneKey;
    DE::Registry registry;
    registry.SetRootKey(HKEY_USERS);
    if (!registry.KeyExists(key)) {
        return false;
    }
    DWORD isPaired = 0;
    DE::Registry::GetValue(HKEY_USERS, key, L"IsPaired", isPaired, KEY_ALL_ACCESS);
    if (isPaired != 1) {
        return false;
    }
    std::wstring summary;
    DE::Registry::GetValue(HKEY_USERS, key, L"Summary", summary, KEY_ALL_ACCESS);
    device.summary = TandemUtilClass::ConvertFromWideBytes(summary);
    std::wstring devName;
    DE::Registry::GetValue(HKEY_USERS, key, L"DevName", devName, KEY_ALL_ACCESS);
    device.devName = devName;
    std::wstring userName;
    DE::Registry::GetValue(HKEY_USERS, key, L"UserName", userName, KEY_ALL_ACCESS);
    device.userName = userName;
    std::wstring nickName;
    DE::Registry::GetValue(HKEY_USERS, key, L"NickName", nickName, KEY_ALL_ACCESS);
    device.nickName = nickName;
    DWORD macSize = sizeof(device.macAddr);
    DE::Registry::GetValue(HKEY_USERS, key, L"MacAddr", device.macAddr, macSize, KEY_ALL_ACCESS);
    DWORD devType = 0;
    DE::Registry::GetValue(HKEY_USERS, key, L"DevType", devType, KEY_ALL_ACCESS);
    device.devTypeIsOne = devType == 1;
    DWORD shareType = 0;
    DE::Registry::GetValue(HKEY_USERS, key, L"ShareType", shareType, KEY_ALL_ACCESS);
    device.shareType = shareType;
    DWORD wifi5G = 0;
    DE::Registry::GetValue(HKEY_USERS, key, L"Wifi5GAbility", wifi5G, KEY_ALL_ACCESS);
    device.wifi5GAbility = wifi5G != 0;
    // Every share request carries these texts: a phone with one too long for a payload string
    // could never be sent to.
    const struct {
        const char* name;
        size_t bytes;
    } texts[] = {{"Summary", device.summary.size()},
                 {"DevName", DE::UnicodeToUTF8(devName).size()},
                 {"UserName", DE::UnicodeToUTF8(userName).size()},
                 {"NickName", DE::UnicodeToUTF8(nickName).size()}};
    for (const auto& text : texts) {
        if (text.bytes > kMaxTextBytes) {
            LOG_WARN("paired phone's " << text.name << " is " << text.bytes
                                       << " bytes in UTF-8, more than " << kMaxTextBytes
                                       << ": nothing can be sent to it");
            return false;
        }
    }
    return true;
}

bool SimpleUIManager::SendShareRequest(const KxShareDevices& device,
                                       const std::vector<std::wstring>& files) {
    if (files.empty()) {
        return false;
    }
    std::vector<std::string> paths;
    paths.reserve(files.size());
    for (const std::wstring& file : files) {
        paths.push_back(DE::UnicodeToUTF8(file));
        // A payload string holds at most 32,767 bytes; the service could not tell a longer path
        // from the fields after it, so the whole request is refused before anything is shown.
        if (paths.back().size() > static_cast<size_t>(tandem::DataStream::kMaxStringLength)) {
            LOG_WARN("share request refused: path "
                     << paths.size() << " of " << files.size() << " is " << paths.back().size()
                     << " bytes in UTF-8, more than " << tandem::DataStream::kMaxStringLength);
            return false;
        }
    }
    const std::wstring ruleName = UIEx::UIStringLocale::GetString(L"IDS_BEAMLY_MODULAR_NAME");
    const std::wstring ruleText =
        UIEx::UIStringLocale::GetString(L"IDS_KXSHARE_FIREWALL_ALLOW_SEND_TEXT");
    FireWallRuleManger::GetInstance().TryEnableRule(ruleName, ruleText, false);

    uint64_t macAddr = 0;
    std::memcpy(&macAddr, device.macAddr, sizeof(macAddr));
    uint32_t thumbLength = 0;
    std::vector<uint8_t> thumbnail = FirstFileThumbnail(files.front(), thumbLength);

    tandem::Payload payload = tandem::BuildPayload(
        int32_t{0}, static_cast<int32_t>(device.devTypeIsOne ? 1 : 0),
        static_cast<int32_t>(device.reserved), static_cast<int32_t>(device.shareType), macAddr,
        DE::UnicodeToUTF8(device.nickName), device.summary, DE::UnicodeToUTF8(device.devName),
        DE::UnicodeToUTF8(device.userName), static_cast<int32_t>(device.wifi5GAbility ? 1 : 0),
        int32_t{0}, int32_t{0}, paths, static_cast<int32_t>(thumbLength),
        tandem::RawBlock{thumbnail.data(), thumbLength});
    if (!payload) {
        LOG_WARN("share request not sent: its payload could not be built");
        return false;
    }
    LOG_WARN(kMsgTandemShareSendName);
    return PostMessage(kEndpointTandemService, kMsgTandemShareSend, kMsgShareProgress,
                       payload.block.get(), payload.size);
}

}  // namespace Vela::Ux

#include "MyAlbumStatusModel.h"

#include "IPCMessageIds.h"
#include "SDK/Util/LogTool/LogTool.h"
#include "Utf16Le.h"

#include <OrvSoftShelf.h>
#include <TandemUtil.h>
#include <UIStringLocale.h>
#include <windows.h>

#include <utility>

namespace Vela::Ux {
namespace {

// Request retries: the start-up requests every 500 ms up to 20 times, the paired-device
// request every 300 ms up to 15 times.
constexpr uint32_t kStartupIntervalMs = 500;
constexpr uint32_t kStartupCount = 20;
constexpr uint32_t kPairedDeviceIntervalMs = 300;
constexpr uint32_t kPairedDeviceCount = 15;
// Pause after each menu removal, so that the host takes them one at a time.
constexpr DWORD kMenuRemovalPauseMs = 100;

constexpr uint32_t kHostStateUnpaired = 0;
constexpr uint32_t kHostStatePaired = 1;
constexpr uint32_t kHostStateConnected = 2;

const wchar_t kShareCommandPhone[] = L"KXSHARE_PHONE";

// The global responder, alive from library load to unload.
MyAlbumStatusModelHelper g_myAlbumStatusModel;

// The little-endian 32-bit value at DATA.
uint32_t ReadLe32(const char* data) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// Builds the DataStream payload of VALUES and posts it; false when it cannot be built or the
// post fails.
template <typename... Values>
bool PostPayload(ITransferFile* t, uint32_t destination, uint32_t id, uint32_t replyId,
                 const Values&... values) {
    if (t == nullptr) {
        return false;
    }
    return tandem::SendPayload(
        [&](const char* block, uint32_t size) {
            return t->PostMessage(destination, id, replyId, block, size);
        },
        values...);
}

}  // namespace

bool DeviceStatus::Read(tandem::IOStream& stream) {
    bool complete = true;
    auto readInt = [&stream, &complete](int32_t& field) {
        int32_t value = 0;
        if (stream.ReadInt32(value) == 4) {
            field = value;
        } else {
            complete = false;
        }
    };
    auto readText = [&stream, &complete](std::string& field) {
        std::string value;
        if (stream.ReadUtf8String(value) < 0) {
            complete = false;
            return;
        }
        field = std::move(value);
    };
    readInt(word0);
    readInt(word1);
    readInt(isPaired);
    readInt(word3);
    uint64_t wide = 0;
    if (stream.ReadUInt64(wide) == 8) {
        wide0 = wide;
    } else {
        complete = false;
    }
    readText(text0);
    readText(text1);
    readText(text2);
    readText(text3);
    readInt(word4);
    readInt(word5);
    readInt(word6);
    return complete;
}

std::vector<std::wstring> DecodeDroppedFileRecords(const char* data, uint32_t length) {
    std::vector<std::wstring> files;
    if (data == nullptr) {
        return files;
    }
    uint32_t offset = 0;
    while (length - offset >= 5) {
        const auto claimed = static_cast<int32_t>(ReadLe32(data + offset));
        if (claimed < 0) {
            break;
        }
        const uint32_t remaining = length - offset - 4;
        const uint32_t take =
            static_cast<uint32_t>(claimed) < remaining ? static_cast<uint32_t>(claimed) : remaining;
        std::wstring text = DecodeUtf16Le(data + offset + 4, take);
        if (!text.empty()) {
            files.push_back(std::move(text));
        }
        offset += 4 + take;
    }
    return files;
}

MyAlbumStatusModelHelper* MyAlbumStatusModelHelper::GetInstance() {
    return &g_myAlbumStatusModel;
}

MyAlbumStatusModelHelper::MyAlbumStatusModelHelper() {
    statusModel = this;
}

MyAlbumStatusModelHelper::~MyAlbumStatusModelHelper() {
    // The workers' requests call into this object: end them before it goes.
    Stop();
}

void MyAlbumStatusModelHelper::SetTransfer(ITransferFile* t) {
    menuTransfer = t;
    transfer = t;
    if (t == nullptr) {
        return;
    }
    Resume();
    auto answer = [this](uint32_t id, const char* data, uint32_t length) {
        OnIPCAnswer(id, data, length);
    };
    auto recv = [this](uint32_t id, const char* data, uint32_t length) {
        IPCAvtiveRecvFunc(id, data, length);
    };
    auto stateValue = [this](uint32_t id, const char* data, uint32_t length) {
        IPCAvtiveStateValueID(id, data, length);
    };
    t->RegisterMessageHandler(kMsgPairedDeviceAnswer, answer);
    t->RegisterMessageHandler(kMsgPairingState, answer);
    t->RegisterMessageHandler(kMsgPairingState, recv);
    t->RegisterMessageHandler(kMsgConnectionState, answer);
    t->RegisterMessageHandler(kMsgConnectionState, recv);
    t->RegisterMessageHandler(kMsgDroppedFiles, recv);
    t->RegisterMessageHandler(kMsgMenuNameQuery,
                              [this](uint32_t id, const char* data, uint32_t length) {
                                  IPCAvtiveMenuNameID(id, data, length);
                              });
    t->RegisterMessageHandler(kMsgStartupAnswer1, answer);
    t->RegisterMessageHandler(kMsgStartupAnswer1, stateValue);
    t->RegisterMessageHandler(kMsgStartupAnswer2, answer);
    t->RegisterMessageHandler(kMsgStartupAnswer2, stateValue);
}

void MyAlbumStatusModelHelper::Start() {
    ITransferFile* t = Transfer();
    if (t == nullptr) {
        LOG_ERROR("transfer mgr is null");
        return;
    }
    Resume();
    t->PostMessage(kEndpointHostNotice, kMsgHostDropTarget, kMsgDroppedFiles, nullptr, 0);
    const std::pair<uint32_t, uint32_t> startup[] = {
        {kMsgTandemPairingState, kMsgPairingState},
        {kMsgTandemConnectionState, kMsgConnectionState},
        {kMsgTandemStartupQuery1, kMsgStartupAnswer1},
        {kMsgTandemStartupQuery2, kMsgStartupAnswer2},
    };
    for (const auto& [requestId, replyId] : startup) {
        // The standing handlers of these ids do the work; the answer only ends the retries.
        AddRequest(
            replyId,
            [this, requestId = requestId, replyId = replyId] {
                if (ITransferFile* current = Transfer()) {
                    current->PostMessage(kEndpointTandemService, requestId, replyId, nullptr, 0);
                }
            },
            nullptr, kStartupIntervalMs, kStartupCount);
    }
    RequestPairedDevice();
}

void MyAlbumStatusModelHelper::SetShareCommandHandler(ShareCommandHandler handler) {
    std::lock_guard<std::mutex> guard(hookLock);
    shareCommand = std::move(handler);
}

void MyAlbumStatusModelHelper::SetStateObserver(IMyAlbumStateObserver* observer) {
    stateObserver = observer;
}

void MyAlbumStatusModelHelper::RequestPairedDevice() {
    AddRequest(
        kMsgPairedDeviceAnswer,
        [this] {
            if (ITransferFile* current = Transfer()) {
                current->PostMessage(kEndpointTandemService, kMsgTandemPairedDevice,
                                     kMsgPairedDeviceAnswer, nullptr, 0);
            }
        },
        [this](uint32_t, const char* data, uint32_t length) { OnPairedDeviceAnswer(data, length); },
        kPairedDeviceIntervalMs, kPairedDeviceCount);
}

void MyAlbumStatusModelHelper::OnPairedDeviceAnswer(const char* data, uint32_t length) {
    if (data == nullptr || length == 0) {
        return;
    }
    tandem::IpcBufferBuild channel(const_cast<char*>(data), length, true);
    DeviceStatus device;
    device.Read(*tandem::CreateDataStream(&channel));
    if (device.text1.empty()) {
        paired = false;
    } else if (device.isPaired != 0) {
        paired = true;
        OnSetConnectUIState();
    } else {
        paired = false;
    }
}

bool MyAlbumStatusModelHelper::PostToHost(uint32_t id, const char* data, uint32_t length) {
    ITransferFile* t = menuTransfer.load();
    return t != nullptr && t->PostMessage(kEndpointHostNotice, id, kReplyIdNone, data, length);
}

void MyAlbumStatusModelHelper::OnSetConnectUIState() {
    ITransferFile* t = menuTransfer.load();
    if (Transfer() == nullptr || statusModel == nullptr || t == nullptr) {
        return;
    }
    const bool isConnected = connected;
    const uint32_t state = isConnected ? kHostStateConnected : kHostStatePaired;
    PostPayload(t, kEndpointHostNotice, kMsgHostConnectionState, kReplyIdNone,
                static_cast<int32_t>(state));
    if (OrvSoftShelf::GetInstance()->IsITVersion()) {
        LOG_WARN("[DaVirir] Current system is IT Version, prevent send files to others");
    } else {
        PostPayload(t, kEndpointHostNotice, kMsgHostSendPossible, kReplyIdNone,
                    static_cast<uint8_t>(isConnected));
    }
    PostPayload(t, kEndpointHostNotice, kMsgHostConnectionFlag, kReplyIdNone, int32_t{1},
                static_cast<uint8_t>(isConnected));
}

void MyAlbumStatusModelHelper::IPCAvtiveRecvFunc(uint32_t id, const char* data, uint32_t length) {
    switch (id) {
        case kMsgPairingState:
            IPCAvtivePairDeviceChangedID(statusModel, id, data, length);
            break;
        case kMsgConnectionState:
            IPCAvtiveConnectChangedID(statusModel, id, data, length);
            break;
        case kMsgDroppedFiles:
            IPCAvtiveRecvDropFilesID(statusModel, id, data, length);
            break;
        default:
            break;
    }
}

void MyAlbumStatusModelHelper::IPCAvtivePairDeviceChangedID(MyAlbumStatusModelHelper* statusModel,
                                                            uint32_t, const char* data,
                                                            uint32_t length) {
    if (statusModel == nullptr || statusModel->Transfer() == nullptr || data == nullptr ||
        length == 0) {
        return;
    }
    MyAlbumStatusModelHelper* helper = statusModel;
    tandem::IpcBufferBuild channel(const_cast<char*>(data), length, true);
    std::unique_ptr<tandem::DataStream> stream = tandem::CreateDataStream(&channel);
    int32_t leading = 0;
    stream->ReadInt32(leading);
    DeviceStatus device;
    device.Read(*stream);
    int32_t trailing = 0;
    stream->ReadInt32(trailing);

    helper->paired = device.isPaired >= 1;
    LOG_WARN("device.isPaired: " << device.isPaired
                                 << " helper->connected: " << helper->connected.load());
    if (helper->paired) {
        const uint32_t state = helper->connected ? kHostStateConnected : kHostStatePaired;
        ITransferFile* t = helper->menuTransfer.load();
        PostPayload(t, kEndpointHostNotice, kMsgHostConnectionState, kReplyIdNone,
                    static_cast<int32_t>(state));
        const std::string text = TandemUtilClass::ConvertFromWideBytes(
            UIEx::UIStringLocale::GetString(L"IDS_DAVIRIR_PHONE_VALID"));
        helper->PostToHost(kMsgHostValidPhoneText, text.data(), static_cast<uint32_t>(text.size()));
        return;
    }
    ITransferFile* t = helper->menuTransfer.load();
    PostPayload(t, kEndpointHostNotice, kMsgHostConnectionState, kReplyIdNone,
                static_cast<int32_t>(kHostStateUnpaired));
    helper->connected = false;
    PostPayload(t, kEndpointHostNotice, kMsgHostConnectionFlag, kReplyIdNone, int32_t{1},
                uint8_t{0});
    helper->RemovePhoneMenus();
}

void MyAlbumStatusModelHelper::RemovePhoneMenus() {
    struct PhoneMenu {
        uint32_t kind;
        const char* plugin;
    };
    static const PhoneMenu kMenus[] = {
        {kMenuMusic, "vela_plugin_mymusic"},
        {kMenuVideo, "vela_plugin_myvideo"},
        {kMenuAlbum, "vela_plugin_myalbum"},
    };
    for (const PhoneMenu& menu : kMenus) {
        if (!TandemUtilClass::IsSupportPlugin(menu.plugin)) {
            continue;
        }
        PostPayload(menuTransfer.load(), kEndpointHostNotice, kMsgHostRemovePhoneMenu, kReplyIdNone,
                    static_cast<int32_t>(menu.kind));
        Sleep(kMenuRemovalPauseMs);
    }
}

void MyAlbumStatusModelHelper::IPCAvtiveConnectChangedID(MyAlbumStatusModelHelper* statusModel,
                                                         uint32_t, const char* data,
                                                         uint32_t length) {
    if (statusModel == nullptr || data == nullptr || length == 0) {
        return;
    }
    MyAlbumStatusModelHelper* helper = statusModel;
    const bool value = data[0] != 0;
    LOG_WARN("connected: " << value << " helper->connected: " << helper->connected.load());
    if (value && !helper->paired) {
        LOG_WARN("[DaVirir] device connected when not paired.");
        helper->RequestPairedDevice();
    }
    if (value != helper->connected) {
        helper->connected = value;
        helper->OnSetConnectUIState();
    }
}

void MyAlbumStatusModelHelper::IPCAvtiveRecvDropFilesID(MyAlbumStatusModelHelper* statusModel,
                                                        uint32_t, const char* data,
                                                        uint32_t length) {
    if (statusModel == nullptr || data == nullptr || length == 0) {
        return;
    }
    std::vector<std::wstring> files = DecodeDroppedFileRecords(data, length);
    if (files.empty()) {
        return;
    }
    if (files.size() > kMaxDroppedFiles) {
        LOG_WARN("connected device reveive upperlimited fileCount");
        if (ITransferFile* t = statusModel->Transfer()) {
            t->PostMessage(kEndpointPlugin, kMsgTooManyFiles, kReplyIdNone, nullptr, 0);
        }
        return;
    }
    if (statusModel->menuTransfer.load() != nullptr) {
        statusModel->RunShareCommand(files);
    }
}

bool MyAlbumStatusModelHelper::RunShareCommand(const std::vector<std::wstring>& files) {
    ShareCommandHandler handler;
    {
        std::lock_guard<std::mutex> guard(hookLock);
        handler = shareCommand;
    }
    return handler && handler(kShareCommandPhone, files);
}

void MyAlbumStatusModelHelper::IPCAvtiveMenuNameID(uint32_t, const char* data, uint32_t length) {
    if (data == nullptr || length != 4) {
        return;
    }
    const uint32_t kind = ReadLe32(data);
    const wchar_t* id = nullptr;
    switch (kind) {
        case kMenuAlbum:
            id = L"IDS_MYALBUM_MENU_NAME";
            break;
        case kMenuVideo:
            id = L"IDS_MYVIDEO_MENU_NAME";
            break;
        case kMenuMusic:
            id = L"IDS_MYMUSIC_MENU_NAME";
            break;
        default:
            return;
    }
    const std::string name = EncodeUtf16Le(UIEx::UIStringLocale::GetString(id), true);
    PostToHost(kMsgHostMenuName, name.data(), static_cast<uint32_t>(name.size()));
}

bool MyAlbumStatusModelHelper::AddMenuEntry(uint32_t kind) {
    const wchar_t* id = nullptr;
    switch (kind) {
        case kMenuAlbum:
            id = L"IDS_MYALBUM_PAIRED_BUTTON";
            break;
        case kMenuVideo:
            id = L"IDS_MYVIDEO_TRAY_OPEN";
            break;
        case kMenuMusic:
            id = L"IDS_MYMUSIC_TRAY_OPEN";
            break;
        default:
            return false;
    }
    return AddMenuEntry(kind, UIEx::UIStringLocale::GetString(id));
}

bool MyAlbumStatusModelHelper::AddMenuEntry(uint32_t kind, const std::wstring& text) {
    if (text.empty()) {
        return false;
    }
    const std::string bytes = EncodeUtf16Le(text, false);
    if (bytes.size() + 8 > kMaxMenuEntryPayload) {
        return false;
    }
    return PostPayload(menuTransfer.load(), kEndpointHostNotice, kMsgHostAddPhoneMenu,
                       kMsgMenuNameQuery, static_cast<int32_t>(kind),
                       static_cast<int32_t>(bytes.size()),
                       tandem::RawBlock{bytes.data(), static_cast<uint32_t>(bytes.size())});
}

void MyAlbumStatusModelHelper::IPCAvtiveStateValueID(uint32_t id, const char* data,
                                                     uint32_t length) {
    IMyAlbumStateObserver* observer = stateObserver.load();
    if (observer == nullptr || data == nullptr || length == 0) {
        return;
    }
    if (id == kMsgStartupAnswer1 && length != 1) {
        return;
    }
    observer->OnStateValue(id, static_cast<uint8_t>(data[0]));
}

}  // namespace Vela::Ux

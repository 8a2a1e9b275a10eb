// The initialised plug-in over a run of outside inputs, each through the real handlers with
// their UI-thread halves run after it: pipe requests after parsing (queueing, merging, the share
// request), the paired phone's registry values, the service's send status, progress and radio
// messages, the pairing service's answers and notices, dropped files and menu-name queries.
// Between inputs everything is cancelled and run to its end, so that nothing piles up.
#include "FileTransferModel.h"
#include "IPCMessageIds.h"
#include "MyAlbumStatusModel.h"
#include "SwiftSendPlugin.h"

#include <DuiLibStandIn.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <SDK/Util/LogTool/LogTool.h>
#include <TandemDataReportStandIn.h>
#include <TandemUtilStandIn.h>
#include <UIlib.h>
#include <UtilStandIn.h>
#include <Win32StandIn.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Vela::Ux::SwiftSendPlugin;

class Plugin : public SwiftSendPlugin {
public:
    using SwiftSendPlugin::DispatchPipeRequest;
};

constexpr uint32_t kMessages[] = {
    kMsgShareProgress,   kMsgShareStatus,        kMsgWifiOn,
    kMsgWifiOff,         kMsgBluetoothOn,        kMsgBluetoothOff,
    kMsgWifiOnAlt,       kMsgWifiOffAlt,         kMsgBluetoothOnAlt,
    kMsgBluetoothOffAlt, kMsgPairedDeviceAnswer, kMsgPairingState,
    kMsgConnectionState, kMsgDroppedFiles,       kMsgMenuNameQuery,
    kMsgStartupAnswer1,  kMsgStartupAnswer2,
};

const char kRegistryHead[] =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_CURRENT_USER\\SOFTWARE\\Velmora\\Corvix\\Beamly\\PairPhone2]\n";
const char kPairedPhone[] =
    "\"IsPaired\"=dword:00000001\n\"Summary\"=\"phone-1\"\n\"NickName\"=\"Phone\"\n";

Plugin* plugin = nullptr;

void Deliver(uint32_t id, const std::string& body) {
    // An exact heap copy, so that any read past the end is caught.
    std::unique_ptr<char[]> block(body.empty() ? nullptr : new char[body.size()]);
    if (block) {
        std::memcpy(block.get(), body.data(), body.size());
    }
    TagIPCMessageItem item;
    item.destination = kEndpointPlugin;
    item.source = kEndpointTandemService;
    item.messageId = id;
    item.replyId = 0;
    item.data = block.get();
    item.dataLength = body.size();
    plugin->GetUIManager().OnIPCMessage(item);
}

// A text the registry file form takes in quotes: escapes for quote and backslash, no line
// breaks; a leading run of letters lets short inputs reach the longest names.
std::string RegistryText(FuzzedDataProvider& in) {
    const size_t run = in.ConsumeBool() ? in.ConsumeIntegralInRange<size_t>(0, 40000) : 0;
    std::string text(run, 'n');
    for (char c : in.ConsumeRandomLengthString(64)) {
        if (c == '"' || c == '\\') {
            text += '\\';
        }
        if (c != '\n' && c != '\r' && c != '\0') {
            text += c;
        }
    }
    return text;
}

void LoadPairedPhone(FuzzedDataProvider& in) {
    std::string text = kRegistryHead;
    char number[16];
    for (const char* name : {"IsPaired", "DevType", "ShareType", "Wifi5GAbility"}) {
        if (in.ConsumeBool()) {
            std::snprintf(number, sizeof(number), "%08x",
                          in.ConsumeBool() ? 1u : in.ConsumeIntegral<uint32_t>());
            text += std::string("\"") + name + "\"=dword:" + number + "\n";
        }
    }
    for (const char* name : {"Summary", "DevName", "UserName", "NickName"}) {
        if (in.ConsumeBool()) {
            text += std::string("\"") + name + "\"=\"" + RegistryText(in) + "\"\n";
        }
    }
    if (in.ConsumeBool()) {
        text += "\"MacAddr\"=hex:";
        const size_t bytes = in.ConsumeIntegralInRange<size_t>(0, 12);
        for (size_t i = 0; i < bytes; ++i) {
            std::snprintf(number, sizeof(number), i ? ",%02x" : "%02x",
                          in.ConsumeIntegral<uint8_t>());
            text += number;
        }
        text += "\n";
    }
    utilstandin::LoadRegistryText(text);
}

void SendPipeRequest(FuzzedDataProvider& in) {
    std::string text = in.ConsumeRandomLengthString(2048);
    // A run of letters somewhere in it, for paths longer than a payload string holds.
    if (in.ConsumeBool()) {
        const size_t at = in.ConsumeIntegralInRange<size_t>(0, text.size());
        text.insert(at, in.ConsumeIntegralInRange<size_t>(0, 40000), 'a');
    }
    std::wstring command;
    std::vector<std::wstring> paths;
    SwiftSendPlugin::ParsePipeRequest(text, command, paths);
    // More than 500 paths only hand the host a tip window, which the host would delete.
    if (paths.size() <= SwiftSendPlugin::kMaxFilesPerRequest) {
        plugin->DispatchPipeRequest(text);
    }
}

std::string Status(uint32_t code) {
    std::string body(12 + (code == Vela::Ux::DTCP_STATUS_SEND_DISCONNECTED ? 4 : 0), '\0');
    std::memcpy(&body[4], &code, sizeof(code));
    return body;
}

// Cancels what waits and runs the current send to its end, then lets the dialog's timers run
// out, so that every input starts from an idle plug-in.
void Settle() {
    Vela::Ux::FileTransferModel* model = plugin->GetUIManager().GetSendModel();
    if (model != nullptr && (model->IsBusy() || model->GetQueuedCount() > 0)) {
        model->CancelAll();
        duistandin::RunUntilIdle();
        Deliver(kMsgShareStatus, Status(Vela::Ux::DTCP_STATUS_SEND_CANCEL));
        Deliver(kMsgShareStatus, Status(Vela::Ux::DTCP_STATUS_SEND_DISCONNECTED));
        duistandin::RunUntilIdle();
        duistandin::AdvanceTime(60000);
    }
    tandemstandin::ClearReportedEvents();
}

}  // namespace

// The dialog lays its text out through Pango: fontconfig's process-long caches are not ours to
// free (as in tests/lsan.supp, which the fuzzing run does not read).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    LogTool::GetLogger().setLogLevel(log4cplus::OFF_LOG_LEVEL);  // refusals log every run
    duistandin::SetMainThread();
    win32standin::UseMockClock();
    DuiLib::CPaintManagerUI::SetResourcePath(L"" SWIFTSEND_RES_DIR);
    // Removing the phone menus pauses between posts; mock time would hold that pause for good.
    for (const char* name : {"vela_plugin_mymusic", "vela_plugin_myvideo", "vela_plugin_myalbum"}) {
        tandemstandin::SetPluginSupported(name, false);
    }
    // Sizes come from the paths, not the disk: a dropped "/" would walk the whole of it. A
    // megabyte a character reaches both size notices (nothing at all, above 4 GB).
    tandemstandin::SetFileSizeSource([](const std::wstring& path, uint64_t& size) {
        size = static_cast<uint64_t>(path.size()) << 20;
        return !path.empty();
    });
    utilstandin::LoadRegistryText(std::string(kRegistryHead) + kPairedPhone);
    plugin = new Plugin();
    int host = 0;
    plugin->Initialize(&host);
    duistandin::RunUntilIdle();
    Vela::Ux::MyAlbumStatusModelHelper::GetInstance()->Start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange<int>(0, 4)) {
            case 0:
                SendPipeRequest(in);
                break;
            case 1:
                LoadPairedPhone(in);
                break;
            case 2: {
                const uint32_t id = in.PickValueInArray(kMessages);
                Deliver(id, in.ConsumeRandomLengthString(1024));
                break;
            }
            case 3:
                duistandin::AdvanceTime(in.ConsumeIntegralInRange<uint32_t>(0, 4000));
                break;
            default:
                // The pairing requests of a start, pending until answered.
                Vela::Ux::MyAlbumStatusModelHelper::GetInstance()->Start();
                break;
        }
        duistandin::RunUntilIdle();
    }
    Settle();
    utilstandin::LoadRegistryText(std::string(kRegistryHead) + kPairedPhone);
    return 0;
}

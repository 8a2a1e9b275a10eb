#include "SwiftSendPlugin.h"

#include "IPCMessageIds.h"
#include "MyAlbumStatusModel.h"
#include "UsageReport.h"

#include <TandemDataReport.h>
#include <TandemUtil.h>

namespace Vela::Ux {
namespace {

bool PluginEnabled() {
    return TandemUtilClass::IsSupportPlugin(SwiftSendPlugin::kPluginName);
}

MyAlbumStatusModelHelper* PairingResponder() {
    return MyAlbumStatusModelHelper::GetInstance();
}

}  // namespace

SwiftSendPlugin::SwiftSendPlugin()
    : running(true), connectEvent(nullptr), ipcClient(kEndpointPlugin, true, false) {}

SwiftSendPlugin::~SwiftSendPlugin() {
    // The responder outlives this object: its share command, which may be running on the IPC
    // thread right now, must not reach the UI manager any more.
    lifetime.Expire();
    PairingResponder()->SetShareCommandHandler(nullptr);
    HANDLE waiting = nullptr;
    {
        std::lock_guard<std::mutex> guard(connectLock);
        running = false;
        waiting = connectEvent;
    }
    // Release a listener that waits for a client and let it leave.
    if (waiting != nullptr) {
        SetEvent(waiting);
    }
    if (listener.joinable()) {
        listener.join();
    }
    CloseConnectEvent();
}

void SwiftSendPlugin::CloseConnectEvent() {
    std::lock_guard<std::mutex> guard(connectLock);
    if (connectEvent != nullptr) {
        CloseHandle(connectEvent);
        connectEvent = nullptr;
    }
    releaseRequested = false;
}

bool SwiftSendPlugin::Initialize(void* hostContext) {
    if (!PluginEnabled()) {
        return false;
    }
    if (TandemDataReportClass::GetInstance() == nullptr) {
        return false;
    }
    ReportEvent(UsageEvent::PluginInitialized);
    bool shown = false;
    if (hostContext != nullptr) {
        shown = uiManager.ShowSimpleUI();
        // Files dropped on the host's phone window are sent like a selection from the menu.
        PairingResponder()->SetShareCommandHandler(lifetime.Wrap(
            [this](const std::wstring& command, const std::vector<std::wstring>& files) {
                return uiManager.HandleShareCommand(command, files);
            }));
        PairingResponder()->SetTransfer(&uiManager);
    }
    RecordEnd(UsageEvent::PluginStartupDuration);
    return hostContext != nullptr && shown;
}

bool SwiftSendPlugin::Start() {
    if (!PluginEnabled()) {
        return false;
    }
    PairingResponder()->Start();
    ReportEvent(UsageEvent::PluginStarted);
    // One listener serves the pipe; a second Start leaves it running.
    if (!listener.joinable()) {
        listener = std::thread(&SwiftSendPlugin::PipeListener, this);
    }
    return true;
}

bool SwiftSendPlugin::Stop() {
    if (!PluginEnabled()) {
        return false;
    }
    ReportEvent(UsageEvent::PluginStopped);
    // Releases the listener's wait for a client or for a client's request.
    std::lock_guard<std::mutex> guard(connectLock);
    if (connectEvent != nullptr) {
        releaseRequested = true;
        SetEvent(connectEvent);
    }
    return true;
}

bool SwiftSendPlugin::Uninitialize() {
    if (!PluginEnabled()) {
        return false;
    }
    if (TandemDataReportClass::GetInstance() != nullptr) {
        RecordBegin(UsageEvent::PluginShutdownDuration);
        ReportEvent(UsageEvent::PluginUninitialized);
    }
    PairingResponder()->Stop();
    return true;
}

std::shared_ptr<OrvPlugin> CreateSwiftSendPlugin() {
    return std::make_shared<SwiftSendPlugin>();
}

}  // namespace Vela::Ux

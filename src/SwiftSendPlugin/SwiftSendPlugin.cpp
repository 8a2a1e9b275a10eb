#include "SwiftSendPlugin.h"

#include "IPCMessageIds.h"
#include "UsageReport.h"

#include <TandemDataReport.h>
#include <TandemUtil.h>

#include <thread>

namespace Vela {
namespace Ux {
namespace {

bool PluginEnabled() {
    return TandemUtilClass::IsSupportPlugin(SwiftSendPlugin::kPluginName);
}

}  // namespace

SwiftSendPlugin::SwiftSendPlugin()
    : running(true),
      connectEvent(nullptr),
      ipcClient(kEndpointPlugin, true, false),
      listeners(std::make_shared<ListenerCount>()) {}

SwiftSendPlugin::~SwiftSendPlugin() {
    HANDLE waiting = nullptr;
    {
        std::lock_guard<std::mutex> guard(connectLock);
        running = false;
        waiting = connectEvent;
    }
    // Release a listener that waits for a client, then let it leave: it still uses our members
    // until it sees `running` cleared.
    if (waiting != nullptr) {
        SetEvent(waiting);
    }
    {
        std::unique_lock<std::mutex> lock(listeners->mutex);
        listeners->idle.wait(lock, [this] { return listeners->running == 0; });
    }
    CloseConnectEvent();
}

void SwiftSendPlugin::CloseConnectEvent() {
    std::lock_guard<std::mutex> guard(connectLock);
    if (connectEvent != nullptr) {
        CloseHandle(connectEvent);
        connectEvent = nullptr;
    }
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
    }
    RecordEnd(UsageEvent::PluginStartupDuration);
    return hostContext != nullptr && shown;
}

bool SwiftSendPlugin::Start() {
    if (!PluginEnabled()) {
        return false;
    }
    ReportEvent(UsageEvent::PluginStarted);
    {
        std::lock_guard<std::mutex> guard(listeners->mutex);
        ++listeners->running;
    }
    std::thread([this, count = listeners] {
        PipeListener();
        std::lock_guard<std::mutex> guard(count->mutex);
        --count->running;
        count->idle.notify_all();
    }).detach();
    return true;
}

bool SwiftSendPlugin::Stop() {
    if (!PluginEnabled()) {
        return false;
    }
    ReportEvent(UsageEvent::PluginStopped);
    std::lock_guard<std::mutex> guard(connectLock);
    if (connectEvent != nullptr) {
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
    return true;
}

std::shared_ptr<OrvPlugin> CreateSwiftSendPlugin() {
    return std::make_shared<SwiftSendPlugin>();
}

}  // namespace Ux
}  // namespace Vela

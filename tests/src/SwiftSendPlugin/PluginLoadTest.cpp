// The plug-in library loaded as the host loads it: registration, the two exports, the four
// lifecycle operations and their usage events, and unloading.
#include <DuiLibStandIn.h>
#include <OrvPluginsManager.h>
#include <SDK/Util/LogTool/LogTool.h>
#include <TandemDataReportStandIn.h>
#include <TandemUtilStandIn.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace tandemstandin {
void PrintTo(const ReportedEvent& event, std::ostream* out) {
    *out << (event.kind == ReportedEvent::Event   ? "event "
             : event.kind == ReportedEvent::Begin ? "begin "
                                                  : "end ")
         << event.code;
}
}  // namespace tandemstandin

namespace {

using tandemstandin::ReportedEvent;

constexpr char kPluginId[] = "vela.plugin.swiftsend";

ReportedEvent Event(int32_t code) {
    return {ReportedEvent::Event, code, {}};
}
ReportedEvent Begin(int32_t code) {
    return {ReportedEvent::Begin, code, {}};
}
ReportedEvent End(int32_t code) {
    return {ReportedEvent::End, code, {}};
}

class PluginLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The host logs through the same logging library, so it stays loaded when the plug-in
        // is unloaded; were it unloaded with the plug-in, its thread pool would go on running
        // code that is no longer there.
        LogTool::GetLogger();
        duistandin::SetMainThread();
        duistandin::DiscardPending();
        tandemstandin::ResetAll();
        tandemstandin::SetReporterPresent(true);
        tandemstandin::ClearReportedEvents();
    }
    void TearDown() override {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
        duistandin::RunUntilIdle();
        tandemstandin::ResetAll();
        tandemstandin::SetReporterPresent(true);
    }
    HMODULE Load() {
        module_ = LoadLibraryW(L"SwiftSendPlugin.dll");
        return module_;
    }
    // Loads the library and creates the plug-in it registered.
    std::shared_ptr<OrvPlugin> Create() {
        EXPECT_NE(Load(), nullptr);
        return OrvPluginsManager::CreatePlugin(kPluginId);
    }
    static std::vector<ReportedEvent> Events() { return tandemstandin::ReportedEvents(); }

    HMODULE module_ = nullptr;
    int hostContext = 0;
};

TEST_F(PluginLoadTest, ExportsTwoFunctionsAndAFullLifecycleRegistersReportsAndUnregisters) {
    std::shared_ptr<OrvPlugin> plugin = Create();
    ASSERT_TRUE(plugin);
    EXPECT_NE(GetProcAddress(module_, "InitializePluginModule"), nullptr);
    EXPECT_NE(GetProcAddress(module_, "UninitializePluginModule"), nullptr);
    EXPECT_EQ(GetProcAddress(module_, "DllMain"), nullptr);
    EXPECT_EQ(GetProcAddress(module_, "_ZN4Vela2Ux21CreateSwiftSendPluginEv"), nullptr);
    EXPECT_EQ(OrvPluginsManager::RegisteredIds(), std::vector<std::string>{kPluginId});
    EXPECT_EQ(Events(), (std::vector<ReportedEvent>{Begin(7006), Event(7000)}));

    EXPECT_TRUE(plugin->Initialize(&hostContext));
    EXPECT_GE(duistandin::PendingTasks(), 1u);  // the UI is built on the UI thread
    EXPECT_TRUE(plugin->Start());
    EXPECT_TRUE(plugin->Stop());
    EXPECT_TRUE(plugin->Uninitialize());
    plugin.reset();
    duistandin::RunUntilIdle();
    ASSERT_TRUE(FreeLibrary(module_));
    module_ = nullptr;

    EXPECT_TRUE(OrvPluginsManager::RegisteredIds().empty());
    EXPECT_EQ(Events(), (std::vector<ReportedEvent>{
                            Begin(7006), Event(7000), Event(7002), End(7006), Event(7003),
                            Event(7004), Begin(7007), Event(7005), Event(7001), End(7007)}));
}

TEST_F(PluginLoadTest, DisabledPluginRegistersNothingAndReportsNothing) {
    tandemstandin::SetPluginSupported("SwiftSendPlugin", false);
    // The attach fails, so the library is not loaded; the detach path ran at once and took the
    // registration back.
    EXPECT_EQ(Load(), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_DLL_INIT_FAILED);
    EXPECT_TRUE(OrvPluginsManager::RegisteredIds().empty());
    EXPECT_TRUE(Events().empty());
}

TEST_F(PluginLoadTest, InitializeWithoutHostContextBuildsNoUiAndSwitchedOffEveryOperationFails) {
    std::shared_ptr<OrvPlugin> plugin = Create();
    ASSERT_TRUE(plugin);
    tandemstandin::ClearReportedEvents();
    EXPECT_FALSE(plugin->Initialize(nullptr));
    EXPECT_EQ(duistandin::PendingTasks(), 0u);
    EXPECT_EQ(Events(), (std::vector<ReportedEvent>{Event(7002), End(7006)}));

    tandemstandin::SetPluginSupported("SwiftSendPlugin", false);
    tandemstandin::ClearReportedEvents();
    EXPECT_FALSE(plugin->Initialize(&hostContext));
    EXPECT_FALSE(plugin->Start());
    EXPECT_FALSE(plugin->Stop());
    EXPECT_FALSE(plugin->Uninitialize());
    EXPECT_TRUE(Events().empty());
    EXPECT_EQ(duistandin::PendingTasks(), 0u);
}

TEST_F(PluginLoadTest, WithoutReporterModuleLoadsButInitializeFails) {
    tandemstandin::SetReporterPresent(false);
    std::shared_ptr<OrvPlugin> plugin = Create();
    ASSERT_TRUE(plugin);  // registered all the same
    EXPECT_FALSE(plugin->Initialize(&hostContext));
    EXPECT_TRUE(plugin->Uninitialize());
    EXPECT_TRUE(Events().empty());
}

}  // namespace

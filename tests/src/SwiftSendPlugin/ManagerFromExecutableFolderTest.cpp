// A host that has not loaded the plug-in manager: the library entry loads it from the
// executable's folder, registers, and releases it again.
#include <SDK/Util/LogTool/LogTool.h>
#include <TandemDataReportStandIn.h>
#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(ManagerFromExecutableFolder, IsLoadedForTheAttachAndReleasedAfterwards) {
    ASSERT_EQ(GetModuleHandleW(L"OrvPluginsManager.dll"), nullptr);
    LogTool::GetLogger();  // the host's logging library outlives the plug-in, as in the host
    tandemstandin::ClearReportedEvents();
    HMODULE plugin = LoadLibraryW(L"SwiftSendPlugin.dll");
    ASSERT_NE(plugin, nullptr);
    // InitializePluginModule ran, so "RegisterPlugin" was found in the loaded manager.
    ASSERT_EQ(tandemstandin::ReportedEvents().size(), 2u);
    EXPECT_EQ(tandemstandin::ReportedEvents()[1].code, 7000);
    EXPECT_EQ(GetModuleHandleW(L"OrvPluginsManager.dll"), nullptr);
    EXPECT_TRUE(FreeLibrary(plugin));
}

}  // namespace

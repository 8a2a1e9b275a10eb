// The context-menu handler waits out a listener held by a client that writes nothing, and gives
// up with a clear message only when the pipe stays busy well past the listener's limit.
#include "EndpointRecorder.h"
#include "IPCMessageIds.h"
#include "MenuPipe.h"
#include "MenuPipeClient.h"
#include "SwiftSendPlugin.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <IPCMessageStandIn.h>
#include <Win32StandIn.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Vela::Ux::SwiftSendPlugin;

class MenuPipeTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/swiftsend-menu-test-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        win32standin::SetPipeFolder(folder);
        duistandin::SetMainThread();
        win32standin::UseMockClock();
    }
    void TearDown() override {
        ipcstandin::WaitUntilIdle();
        win32standin::UseRealClock();
    }

    // Runs the menu's send of REQUEST, moving mock time on by one pause each time the menu
    // pauses, until it returns; how much mock time that took goes to WAITED.
    static int SendFromMenu(const std::string& request, std::string& errors, uint64_t& waited) {
        std::atomic<int> code{-1};
        std::ostringstream out;
        uint64_t begun = win32standin::TimedWaitsBegun();
        std::thread menu(
            [&] { code = swiftsendmenu::Send("\\\\.\\pipe\\PIPE_KX_MENU", request, out); });
        const uint64_t start = win32standin::ClockNowMs();
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (code < 0 && std::chrono::steady_clock::now() < end) {
            // Until the menu pauses again (or another wait begins, which costs one idle step).
            if (win32standin::TimedWaitsBegun() == begun) {
                std::this_thread::yield();
                continue;
            }
            begun = win32standin::TimedWaitsBegun();
            win32standin::AdvanceClock(swiftsendmenu::kRetryMs);
        }
        while (code < 0) {  // out of real time: let the menu end so the thread can be joined
            win32standin::AdvanceClock(swiftsendmenu::kBusyPatienceMs);
            std::this_thread::yield();
        }
        menu.join();
        waited = win32standin::ClockNowMs() - start;
        errors = out.str();
        return code;
    }
};

TEST_F(MenuPipeTest, ASilentClientHoldingTheListenerIsWaitedOut) {
    testsupport::EndpointRecorder notices(kEndpointPlugin, kMsgTooManyFiles);
    auto plugin = std::make_shared<SwiftSendPlugin>();
    plugin->Start();
    const uint64_t begun = win32standin::TimedWaitsBegun();
    HANDLE silent = testsupport::ConnectToMenuPipe();
    ASSERT_NE(silent, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(win32standin::WaitForTimedWaits(begun + 1, 1, 10s));  // the listener holds it

    // 501 paths: the listener answers with a notice of its own, which shows the request came.
    std::string errors;
    uint64_t waited = 0;
    EXPECT_EQ(SendFromMenu(testsupport::ShareRequest(501, 2), errors, waited), swiftsendmenu::kSent)
        << errors;
    EXPECT_GE(waited, SwiftSendPlugin::kRequestWaitMs);
    EXPECT_TRUE(notices.WaitForCount(1));
    CloseHandle(silent);
    plugin.reset();
}

TEST_F(MenuPipeTest, APipeThatStaysBusyFailsWithAClearMessageOnlyAfterTheLongWait) {
    HANDLE instance =
        CreateNamedPipeW(SwiftSendPlugin::kPipeName, PIPE_ACCESS_DUPLEX,
                         PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 1, 4096, 4096, 0, nullptr);
    ASSERT_NE(instance, INVALID_HANDLE_VALUE);
    HANDLE silent = testsupport::ConnectToMenuPipe();  // takes the only instance for good
    ASSERT_NE(silent, INVALID_HANDLE_VALUE);
    std::string errors;
    uint64_t waited = 0;
    EXPECT_EQ(SendFromMenu("KXSHARE_PHONE?/a", errors, waited), swiftsendmenu::kFailed);
    EXPECT_GE(waited, swiftsendmenu::kBusyPatienceMs);
    EXPECT_EQ(errors,
              "swiftsend-menu: the SwiftSend listener on \\\\.\\pipe\\PIPE_KX_MENU stayed busy "
              "for 10 s; nothing was sent, try again\n");
    CloseHandle(silent);
    CloseHandle(instance);
}

}  // namespace

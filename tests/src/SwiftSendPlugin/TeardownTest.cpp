// The plug-in torn down by the host thread while the UI thread is busy with a send: in the
// middle of a transfer with the dialog animating, and while a delayed send waits. Nothing the
// send side posted may run after it is gone, windows go on the UI thread, and the host's
// thread returns promptly. Run under the address and thread sanitizers in CI.
#include "BusPost.h"
#include "DemoPhone.h"
#include "EndpointRecorder.h"
#include "IPCMessageIds.h"
#include "SendBodies.h"
#include "SwiftSendPlugin.h"
#include "TempPath.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <IPCMessageStandIn.h>
#include <SDK/Util/LogTool/LogTool.h>
#include <UIlib.h>
#include <UtilStandIn.h>
#include <Win32StandIn.h>

#include <atomic>
#include <fstream>
#include <thread>

namespace Vela::Ux {
namespace {

using namespace std::chrono_literals;

// Plays the tandem service: keeps what it receives and answers on request.
class Service : public testsupport::EndpointRecorder {
public:
    Service() : EndpointRecorder(kEndpointTandemService) {}
    void Tell(uint32_t id, const std::string& body = "") {
        demo::PostFrom(Client(), kEndpointTandemService, kEndpointPlugin, id, body.data(),
                       body.size());
    }
    int Shares() { return static_cast<int>(CountOf(kMsgTandemShareSend)); }
};

class TeardownTest : public ::testing::Test {
protected:
    void SetUp() override {
        LogTool::GetLogger().setLogLevel(log4cplus::OFF_LOG_LEVEL);
        duistandin::SetMainThread();
        duistandin::DiscardPending();
        ASSERT_TRUE(utilstandin::LoadRegistryText(demo::kPairedPhoneRegistry));
        DuiLib::CPaintManagerUI::SetResourcePath(SWIFTSEND_RES_DIR);
        const std::string path = testsupport::TempPath("teardown.bin");
        std::ofstream(path, std::ios::binary) << std::string(100000, 'x');
        file.assign(path.begin(), path.end());
        plugin = std::make_shared<SwiftSendPlugin>();
        int host = 0;
        ASSERT_TRUE(plugin->Initialize(&host));
        ASSERT_TRUE(duistandin::RunUntil(
            [this] { return plugin->GetUIManager().GetSendModel() != nullptr; }, 10s));
    }
    void TearDown() override {
        ipcstandin::WaitUntilIdle(5s);
        duistandin::RunUntilIdle();
        LogTool::GetLogger().setLogLevel(log4cplus::WARN_LOG_LEVEL);
    }
    void Send() {
        plugin->GetUIManager().HandleShareCommand(L"KXSHARE_PHONE", {file});
        duistandin::RunUntil([] { return false; }, 50ms);
    }
    void Answer(uint32_t id, const std::string& body = "") {
        service.Tell(id, body);
        ipcstandin::WaitUntilIdle(5s);
        duistandin::RunUntilIdle();
    }
    // Two sends, the first transferring.
    void SendTwoAndTransferTheFirst() {
        Send();
        Send();  // a second item grows the dialog
        Answer(kMsgBluetoothOn);
        Answer(kMsgWifiOn);
        ASSERT_TRUE(duistandin::RunUntil([this] { return service.Shares() == 1; }, 5s));
        Answer(kMsgShareStatus, testing::StatusBody(DTCP_STATUS_SEND_DATA));
    }
    // The host's thread ends the plug-in while this thread, the UI thread, keeps its loop going;
    // then the loop runs what was handed to it. The host's thread returns promptly, and no
    // window is left.
    void EndOnHostThread() {
        std::atomic<bool> done{false};
        auto begin = std::chrono::steady_clock::now();
        std::chrono::steady_clock::time_point end;
        std::thread host([&] {
            plugin->Stop();
            plugin->Uninitialize();
            plugin.reset();
            end = std::chrono::steady_clock::now();
            done = true;
        });
        EXPECT_TRUE(duistandin::RunUntil([&] { return done.load(); }, 10s, 1ms));
        host.join();
        ipcstandin::WaitUntilIdle(5s);
        duistandin::RunUntil([] { return false; }, 50ms);
        EXPECT_LT(end - begin, 2000ms);
        EXPECT_EQ(win32standin::LiveWindowCount(), 0u);
    }

    Service service;
    std::shared_ptr<SwiftSendPlugin> plugin;
    std::wstring file;
};

TEST_F(TeardownTest, InTheMiddleOfATransferWithTheDialogAnimating) {
    SendTwoAndTransferTheFirst();
    service.Tell(kMsgShareProgress, testing::ProgressBody(40, 10, 50000));
    ipcstandin::WaitUntilIdle(5s);
    duistandin::RunUntil([] { return false; }, 30ms);  // the progress animation is under way
    EndOnHostThread();
    service.Tell(kMsgShareProgress, testing::ProgressBody(80, 5, 50000));  // nobody listens
}

TEST_F(TeardownTest, WhileADelayedSendWaits) {
    win32standin::UseMockClock();  // the cancel delay then waits until the end
    SendTwoAndTransferTheFirst();
    // The user cancels the first in the dialog; the second starts, and once its radios are
    // ready its send waits for the cancel delay on a worker.
    DuiLib::CControlUI* remove = nullptr;
    for (HWND hwnd : win32standin::WindowsInZOrder()) {
        if (DuiLib::CPaintManagerUI* pm = duistandin::PaintManagerOf(hwnd)) {
            remove = remove ? remove : pm->FindControl(L"fixed_item_remove_button");
        }
    }
    ASSERT_TRUE(duistandin::Click(remove));
    Answer(kMsgShareStatus, testing::StatusBody(DTCP_STATUS_SEND_CANCEL));
    const uint64_t waits = win32standin::TimedWaitsBegun();
    Answer(kMsgShareStatus, testing::StatusBody(DTCP_STATUS_SEND_DISCONNECTED));
    Answer(kMsgBluetoothOn);
    Answer(kMsgWifiOn);
    ASSERT_TRUE(win32standin::WaitForTimedWaits(waits + 1, 1, 5s));
    EndOnHostThread();
    EXPECT_EQ(service.Shares(), 1);  // the waiting send never went out
    win32standin::UseRealClock();
}

}  // namespace
}  // namespace Vela::Ux

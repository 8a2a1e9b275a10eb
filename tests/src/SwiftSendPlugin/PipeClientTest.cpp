// The shell menu's pipe as a client process sees it: CreateFileW and WriteFile on the pipe's
// name, in real time, with the listener the plug-in starts.
#include "EndpointRecorder.h"
#include "IPCMessageIds.h"
#include "LogCapture.h"
#include "MenuPipeClient.h"
#include "SwiftSendPlugin.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Vela::Ux::SwiftSendPlugin;

class PipeClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        duistandin::SetMainThread();
        plugin_ = std::make_shared<SwiftSendPlugin>();
        ASSERT_TRUE(plugin_->Start());
    }

    // A request of more than 500 paths: its notice tells that the listener served it, and so
    // every client before it, since clients are served one after another.
    bool NoticeReaches(size_t count) {
        return testsupport::SendToMenuPipe(testsupport::ShareRequest(501, 4)) &&
               notices_.WaitForCount(count);
    }
    testsupport::LogCapture log_;
    testsupport::EndpointRecorder notices_{kEndpointPlugin, kMsgTooManyFiles};
    std::shared_ptr<SwiftSendPlugin> plugin_;
};

TEST_F(PipeClientTest, AMenuRequestReachesTheShareCommandAndTooManyPathsTheNotice) {
    ASSERT_TRUE(
        testsupport::SendToMenuPipe("KXSHARE_PHONE?C:\\Users\\r\\caf\xc3\xa9.txt|C:\\b.txt"));
    ASSERT_TRUE(NoticeReaches(1));
    // Without a host the share command finds no model: its log line shows it was reached.
    EXPECT_EQ(log_.CountStartingWith("transfer list view's model is null."), 1u);
}

TEST_F(PipeClientTest, ASilentClientIsDroppedAtTheLimit) {
    HANDLE silent = testsupport::ConnectToMenuPipe();
    ASSERT_NE(silent, INVALID_HANDLE_VALUE);
    const auto connected = Clock::now();
    ASSERT_TRUE(NoticeReaches(1));
    const auto held = Clock::now() - connected;
    // The listener's clock may tick a little coarser than this one.
    EXPECT_GE(held, std::chrono::milliseconds(SwiftSendPlugin::kRequestWaitMs) - 100ms);
    EXPECT_LT(held, std::chrono::milliseconds(SwiftSendPlugin::kRequestWaitMs) + 5s);
    EXPECT_TRUE(testsupport::DroppedByListener(silent));
    EXPECT_EQ(log_.CountStartingWith("SwiftSend Plugin : pipe client sent no complete request"),
              1u);
}

TEST_F(PipeClientTest, StopAndDestructionReturnPromptlyWithAClientConnected) {
    HANDLE silent = testsupport::ConnectToMenuPipe();
    ASSERT_NE(silent, INVALID_HANDLE_VALUE);
    const auto stopped = Clock::now();
    EXPECT_TRUE(plugin_->Stop());
    // The listener lets the client go and serves the next one well before the limit.
    ASSERT_TRUE(NoticeReaches(1));
    EXPECT_LT(Clock::now() - stopped, std::chrono::milliseconds(SwiftSendPlugin::kRequestWaitMs));
    EXPECT_TRUE(testsupport::DroppedByListener(silent));

    silent = testsupport::ConnectToMenuPipe();
    ASSERT_NE(silent, INVALID_HANDLE_VALUE);
    const auto destroyed = Clock::now();
    plugin_.reset();
    EXPECT_LT(Clock::now() - destroyed, 1s);
    EXPECT_TRUE(testsupport::DroppedByListener(silent));
    EXPECT_EQ(log_.CountStartingWith("SwiftSend Plugin : pipe client sent no"), 0u);
}

// One turn of the listener by hand, on an instance of its own: a menu that writes and closes
// before the connect leaves the connect failing (ERROR_NO_DATA on Windows) and its request
// still to be read.
class ListenerSteps : public SwiftSendPlugin {
public:
    using SwiftSendPlugin::CloseConnectEvent;
    using SwiftSendPlugin::ConnectPipe;
    using SwiftSendPlugin::CreatePipe;
    using SwiftSendPlugin::ReadPipeRequest;
};

TEST(PipeListenerSteps, ARequestWhoseClientLeftBeforeTheConnectIsRead) {
    testsupport::LogCapture log;
    ListenerSteps listener;
    HANDLE pipe = listener.CreatePipe();
    ASSERT_NE(pipe, nullptr);
    const std::string request = "KXSHARE_PHONE?C:\\caf\xc3\xa9.txt";
    ASSERT_TRUE(testsupport::SendToMenuPipe(request));
    // The connect waits for a client without limit: should the request have gone elsewhere, a
    // client of the test's own ends the wait (and the test fails on what it reads).
    std::promise<void> connected;
    std::thread watchdog([done = connected.get_future()] {
        if (done.wait_for(10s) == std::future_status::timeout) {
            CloseHandle(testsupport::ConnectToMenuPipe());
        }
    });
    EXPECT_TRUE(listener.ConnectPipe(pipe));
    connected.set_value();
    watchdog.join();
    std::string buffer(SwiftSendPlugin::kPipeBufferSize, '\0');
    std::string text;
    EXPECT_TRUE(listener.ReadPipeRequest(pipe, buffer.data(), text));
    EXPECT_EQ(text, request);
    EXPECT_EQ(log.CountStartingWith("SwiftSend Plugin : pipe connected or error, error code = 232"),
              1u);
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
    listener.CloseConnectEvent();
}

}  // namespace

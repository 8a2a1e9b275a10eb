// The shell menu's pipe: parsing of requests, what a request leads to, and the listener thread
// over a real pipe.
#include "EndpointRecorder.h"
#include "IPCMessageIds.h"
#include "LogCapture.h"
#include "MenuPipeClient.h"
#include "SwiftSendPlugin.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <IPCMessageStandIn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <TandemDataReportStandIn.h>
#include <unistd.h>
#include <Win32StandIn.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using testsupport::ShareRequest;
using Vela::Ux::SwiftSendPlugin;

const std::string kModelMissing =
    "transfer list view's model is null.(Vela::Ux::SimpleUIManager::SendFileToMyPhone)";
const std::string kWaitingForClient =
    "SwiftSend Plugin : pipe connected or error, error code = 997"
    "(Vela::Ux::SwiftSendPlugin::ConnectPipe)";

// The plug-in with its listener's steps in reach, to drive them one at a time.
class ListenerProbe : public SwiftSendPlugin {
public:
    using SwiftSendPlugin::CreatePipe;
    using SwiftSendPlugin::DispatchPipeRequest;
    using SwiftSendPlugin::PipeListener;
};

TEST(ParsePipeRequest, SplitsCommandAndPathsLikeTheMenuHandlerWritesThem) {
    using Paths = std::vector<std::wstring>;
    const struct Case {
        const char* text;
        const wchar_t* command;
        Paths paths;
    } cases[] = {
        {"KXSHARE_PHONE?C:\\a.txt|C:\\b.txt", L"KXSHARE_PHONE", {L"C:\\a.txt", L"C:\\b.txt"}},
        {"KXSHARE_PHONE?/tmp/caf\xc3\xa9.txt", L"KXSHARE_PHONE", {L"/tmp/caf\u00e9.txt"}},  // UTF-8
        {"KXSHARE_PHONE?", L"KXSHARE_PHONE", {L""}},
        // A bar right after "?" does not split: the whole rest is one path.
        {"KXSHARE_PHONE?|a|b", L"KXSHARE_PHONE", {L"|a|b"}},
        // Two bars in a row end the splitting; the second bar belongs to the last path.
        {"KXSHARE_PHONE?a||b|c", L"KXSHARE_PHONE", {L"a", L"|b|c"}},
        {"KXSHARE_PHONE?a|b|", L"KXSHARE_PHONE", {L"a", L"b", L""}},
        {"KXSHARE_PHONE a|b", L"unset", {}},  // no question mark
        {"", L"unset", {}},
        // Not UTF-8: dropped, and logged once with its length.
        {"KXSHARE_PHONE?/caf\xe9|/b", L"unset", {}},
    };
    for (const Case& c : cases) {
        testsupport::LogCapture log;
        std::wstring command = L"unset";
        Paths paths = {L"stale"};
        SwiftSendPlugin::ParsePipeRequest(c.text, command, paths);
        EXPECT_EQ(command, c.command) << c.text;
        EXPECT_EQ(paths, c.paths) << c.text;
        const size_t lines = std::string(c.text).find('\xe9') != std::string::npos ? 1 : 0;
        EXPECT_EQ(log.Messages().size(), lines) << c.text;
        EXPECT_EQ(log.CountStartingWith(
                      "SwiftSend Plugin : pipe request of 22 bytes is not UTF-8, dropped"),
                  lines);
    }
}

// A plug-in object on a private pipe folder, with a client of the plug-in's own id that sees
// the notices the listener posts to it.
class PipeListenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/swiftsend-pipe-test-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        win32standin::SetPipeFolder(folder);
        duistandin::SetMainThread();
        observer_ =
            std::make_unique<testsupport::EndpointRecorder>(kEndpointPlugin, kMsgTooManyFiles);
        handlesAtStart_ = win32standin::LiveHandleCount();
    }
    void TearDown() override {
        plugin_.reset();
        observer_.reset();
        ipcstandin::WaitUntilIdle();
        win32standin::UseRealClock();
        win32standin::SetCreateNamedPipeFailure(false);
        win32standin::SetNamedPipeCreatedHook(nullptr);
        win32standin::SetSecurityDescriptorFailure(false);
        win32standin::SetProcessHeapFailure(false);
        win32standin::SetHeapAllocFailure(false);
    }

    ListenerProbe& Plugin() {
        if (!plugin_) {
            plugin_ = std::make_shared<ListenerProbe>();
        }
        return *plugin_;
    }

    static bool Send(const std::string& text) { return testsupport::SendToMenuPipe(text); }

    // A client that connects and writes nothing, once the listener waits for its request.
    static HANDLE SilentClient() {
        const uint64_t begun = win32standin::TimedWaitsBegun();
        HANDLE silent = testsupport::ConnectToMenuPipe();
        EXPECT_NE(silent, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(win32standin::WaitForTimedWaits(begun + 1, 1, 10s));
        return silent;
    }
    // A local process that is no pipe client of ours: it connects to the socket and never
    // reads or writes; it only peeks, leaving it unread, at the record that says an instance
    // took it. -1 when no instance did.
    static int ForeignSilentClient() {
        const std::string path = win32standin::PipeFolder() + "/PIPE_KX_MENU";
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < end) {
            int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
            char kind = 0;
            if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                recv(fd, &kind, 1, MSG_PEEK) == 1 && kind == 16 /* accepted */) {
                return fd;
            }
            close(fd);
            std::this_thread::yield();
        }
        return -1;
    }
    // True once COUNT notices have come, within a real-time bound.
    bool NoticesReach(size_t count) { return observer_->WaitForCount(count); }
    // True once the listener has begun waiting for a client TIMES times, within five seconds.
    bool Waiting(size_t times) {
        for (int i = 0; i < 1000 && log_.CountStartingWith(kWaitingForClient) < times; ++i) {
            Sleep(5);
        }
        return log_.CountStartingWith(kWaitingForClient) >= times;
    }

    testsupport::LogCapture log_;
    std::unique_ptr<testsupport::EndpointRecorder> observer_;
    std::shared_ptr<ListenerProbe> plugin_;
    size_t handlesAtStart_ = 0;
};

TEST_F(PipeListenerTest, UpToFiveHundredPathsGoToTheUiManagerMoreOnlyPostTheNotice) {
    // An empty path still reaches the UI manager.
    for (const std::string& request : {ShareRequest(500, 20), std::string("KXSHARE_PHONE?")}) {
        Plugin().DispatchPipeRequest(request);
        ASSERT_TRUE(ipcstandin::WaitUntilIdle());
        EXPECT_EQ(log_.CountStartingWith(kModelMissing), 1u) << request.size();
        log_.Clear();
    }
    EXPECT_EQ(observer_->Count(), 0u);
    Plugin().DispatchPipeRequest(ShareRequest(501, 20));
    ASSERT_TRUE(ipcstandin::WaitUntilIdle());
    EXPECT_EQ(observer_->Count(), 1u);
    EXPECT_FALSE(log_.Contains(kModelMissing));
}

TEST_F(PipeListenerTest, StopOrDestructionReleasesAListenerWaitingForAClient) {
    Plugin().Start();
    ASSERT_TRUE(Waiting(1));
    Plugin().Stop();
    // The released listener closes its instance and waits on a fresh one.
    ASSERT_TRUE(Waiting(2));
    ASSERT_TRUE(Send(ShareRequest(501, 10)));
    EXPECT_TRUE(NoticesReach(1));
    ASSERT_TRUE(Waiting(3));
    auto started = std::chrono::steady_clock::now();
    plugin_.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(win32standin::LiveHandleCount(), handlesAtStart_);
}

TEST_F(PipeListenerTest, ClientsAreServedOneAfterAnotherWhateverTheySend) {
    std::string huge(SwiftSendPlugin::kMaxRequestBytes + 1, 'x');
    huge.replace(0, 14, "KXSHARE_PHONE?");
    Plugin().Start();
    // 501 paths of 80 bytes: about 40 kB, more than one 32 kB read. Only the joined text has
    // 501 paths; the pieces on their own would not produce the notice.
    ASSERT_TRUE(Send(ShareRequest(501, 79)));
    ASSERT_TRUE(NoticesReach(1));
    // Too large: dropped with a warning, and the listener goes on serving.
    ASSERT_TRUE(Send(huge));
    ASSERT_TRUE(Send(ShareRequest(501, 10)));
    EXPECT_TRUE(NoticesReach(2));
    EXPECT_EQ(log_.CountStartingWith("SwiftSend Plugin : pipe request larger"), 1u);
    EXPECT_FALSE(log_.Contains(kModelMissing));
}

// A menu that opens the pipe, writes and closes in the moment between the instance's creation
// and the listener's connect finds the connect failing with ERROR_NO_DATA: its request is
// still there and is served.
TEST_F(PipeListenerTest, AClientThatLeavesBeforeTheConnectIsServed) {
    // The hook lives until TearDown, after this body's locals: it owns its flag.
    auto sent = std::make_shared<std::atomic<bool>>(false);
    win32standin::SetNamedPipeCreatedHook([sent](HANDLE) {
        if (!sent->exchange(true)) {
            EXPECT_TRUE(Send(ShareRequest(501, 10)));
        }
    });
    Plugin().Start();
    EXPECT_TRUE(NoticesReach(1));
    EXPECT_TRUE(
        log_.Contains("SwiftSend Plugin : pipe connected or error, error code = 232"
                      "(Vela::Ux::SwiftSendPlugin::ConnectPipe)"));
}

// The pipe is open to every local process and served one client at a time: a client that
// connects and writes nothing may hold the listener for kRequestWaitMs, not longer; one that
// writes just before the limit is served.
TEST_F(PipeListenerTest, ASilentClientIsDroppedAtTheLimitAndOneJustBeforeItIsServed) {
    win32standin::UseMockClock();
    Plugin().Start();
    HANDLE slow = SilentClient();
    win32standin::AdvanceClock(SwiftSendPlugin::kRequestWaitMs - 1);
    EXPECT_EQ(CreateFileW(SwiftSendPlugin::kPipeName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                          nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PIPE_BUSY);  // still held
    ASSERT_TRUE(testsupport::WriteAndClose(slow, ShareRequest(501, 10)));
    EXPECT_TRUE(NoticesReach(1));

    HANDLE silent = SilentClient();
    win32standin::AdvanceClock(SwiftSendPlugin::kRequestWaitMs);
    ASSERT_TRUE(Send(ShareRequest(501, 10)));
    EXPECT_TRUE(NoticesReach(2));
    EXPECT_TRUE(testsupport::DroppedByListener(silent));
    EXPECT_TRUE(
        log_.Contains("SwiftSend Plugin : pipe client sent no complete request within "
                      "3000 ms, dropped(Vela::Ux::SwiftSendPlugin::ReadPiece)"));
}

// The clock need not move: the wait for the request ends with the release. A foreign client
// does not even read the pipe's acceptance record: closing its instance must not wait for that
// either. (Stop with a client of ours is in PipeClientTest.)
TEST_F(PipeListenerTest, DestructionReleasesAListenerHeldByAForeignSilentClient) {
    win32standin::UseMockClock();
    Plugin().Start();
    const uint64_t begun = win32standin::TimedWaitsBegun();
    int foreign = ForeignSilentClient();
    ASSERT_GE(foreign, 0);
    ASSERT_TRUE(win32standin::WaitForTimedWaits(begun + 1, 1, 10s));
    plugin_.reset();
    char byte = 0;
    EXPECT_EQ(send(foreign, &byte, 1, MSG_NOSIGNAL), -1);  // dropped
    close(foreign);
    EXPECT_EQ(win32standin::LiveHandleCount(), handlesAtStart_);
    EXPECT_EQ(log_.CountStartingWith("SwiftSend Plugin : pipe client sent no"), 0u);
}

TEST_F(PipeListenerTest, HeapFailuresEndTheListenerWithTheirErrors) {
    win32standin::SetProcessHeapFailure(true);
    Plugin().PipeListener();
    EXPECT_TRUE(
        log_.Contains("fail to GetProcessHeap().(Vela::Ux::SwiftSendPlugin::PipeListener)"));
    win32standin::SetProcessHeapFailure(false);
    win32standin::SetHeapAllocFailure(true);
    Plugin().PipeListener();
    EXPECT_TRUE(log_.Contains(
        "fail to alloc swift send process pipe buffer.(Vela::Ux::SwiftSendPlugin::PipeListener)"));
}

TEST_F(PipeListenerTest, PipeCreationFailureWaitsWarnsAndRetries) {
    win32standin::FailNextCreateNamedPipe(1);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Plugin().CreatePipe(), nullptr);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
    EXPECT_TRUE(log_.Contains(
        "SwiftSend Plugin : create pipe failure(Vela::Ux::SwiftSendPlugin::CreatePipe)"));
    HANDLE pipe = Plugin().CreatePipe();
    ASSERT_NE(pipe, nullptr);
    CloseHandle(pipe);
}

TEST_F(PipeListenerTest, PipeIsOpenToAnyLocalProcessOrCreatedWithoutDescriptor) {
    HANDLE pipe = Plugin().CreatePipe();
    ASSERT_NE(pipe, nullptr);
    CloseHandle(pipe);
    const win32standin::NamedPipeCreation c = win32standin::LastNamedPipeCreation();
    EXPECT_EQ(c.name, SwiftSendPlugin::kPipeName);
    // Overlapped duplex, message mode, unlimited instances, 64 kB each way.
    EXPECT_EQ((std::vector<DWORD>{c.openMode, c.pipeMode, c.maxInstances, c.outBufferSize,
                                  c.inBufferSize, c.attributesLength}),
              (std::vector<DWORD>{0x40000003, 6, 255, 0x10000, 0x10000, 24}));
    EXPECT_TRUE(c.nullDacl && c.inheritHandle);

    win32standin::SetSecurityDescriptorFailure(true);
    pipe = Plugin().CreatePipe();
    ASSERT_NE(pipe, nullptr);
    CloseHandle(pipe);
    EXPECT_FALSE(win32standin::LastNamedPipeCreation().hasAttributes);
}

}  // namespace

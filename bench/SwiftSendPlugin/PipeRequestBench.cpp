// A selection from the context menu through the real pipe to the share command, against a bare
// seqpacket exchange of the same bytes on a fresh connection. Each alone, and then the two in
// turn in one loop, whose medians give the ratio printed at the end as "ratio X (limit 3.0)":
// taken in turn, both see the same load of the machine.
//
// And one file from the pipe until the transfer dialog has been painted on the UI thread after
// showing itself ("first paint X ms median (goal 5 ms)"): the plug-in runs as the host runs it
// (Initialize, Start) with a paired phone and one real file; no service answers, so each send
// stays where the dialog shows it, and between iterations it is cleared and the dialog hidden.
//
// Each pipe request has 501 short paths, so that its end is visible: the listener parses it and
// posts the too-many-files notice, which a client of the plug-in's own id waits for. The bare
// exchange connects, sends the same bytes, and waits for a one-byte answer from a server thread
// that has read them.
#include "DemoPhone.h"
#include "FileTransferModel.h"
#include "IPCMessageIds.h"
#include "SDK/Util/LogTool/LogTool.h"
#include "SimpleUIManager.h"
#include "SwiftSendPlugin.h"

#include <benchmark/benchmark.h>
#include <DuiLibStandIn.h>
#include <IPCMessageClient.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <UIlib.h>
#include <unistd.h>
#include <UtilStandIn.h>
#include <Win32StandIn.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kRatioLimit = 3.0;
constexpr double kFirstPaintGoalMs = 5.0;

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> samples) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double gPaintMs = 0;
// Medians of the paired run, in microseconds.
double gPipeUs = 0;
double gBareUs = 0;

std::string Request() {
    std::string request = "KXSHARE_PHONE?";
    for (int i = 0; i < 501; ++i) {
        request += (i ? "|/home/user/Pictures/IMG_" : "/home/user/Pictures/IMG_") +
                   std::to_string(1000 + i) + ".jpg";
    }
    return request;
}

// Counts the too-many-files notices the listener posts.
struct NoticeCounter {
    std::mutex mutex;
    std::condition_variable arrived;
    uint64_t count = 0;

    // False when the notice does not come: the request was lost.
    bool WaitFor(uint64_t target) {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, std::chrono::seconds(10), [&] { return count >= target; });
    }
};

bool SendToPipe(const std::string& text) {
    for (;;) {
        HANDLE pipe =
            CreateFileW(Vela::Ux::SwiftSendPlugin::kPipeName, GENERIC_READ | GENERIC_WRITE, 0,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            BOOL ok =
                WriteFile(pipe, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            CloseHandle(pipe);
            return ok != FALSE;
        }
        if (GetLastError() != ERROR_PIPE_BUSY && GetLastError() != ERROR_FILE_NOT_FOUND) {
            return false;
        }
        std::this_thread::yield();  // between two listener instances
    }
}

// The plug-in's listener on a pipe folder of its own, and a client of the plug-in's id that
// counts the too-many-files notices it posts.
class PipeRig {
public:
    PipeRig() {
        char folder[] = "/tmp/swiftsend-bench-XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            return;
        }
        win32standin::SetPipeFolder(folder);
        observer_.RegisterMessageCallback(kMsgTooManyFiles, [this](TagIPCMessageItem&) {
            std::lock_guard<std::mutex> guard(notices_.mutex);
            ++notices_.count;
            notices_.arrived.notify_all();
        });
        plugin_ = std::make_shared<Vela::Ux::SwiftSendPlugin>();
        plugin_->Start();
    }
    ~PipeRig() {
        plugin_.reset();
        observer_.UnRegisterMessageCallbackAll();
        win32standin::SetPipeFolder("");
    }
    bool Ready() const { return plugin_ != nullptr; }
    // One request, until its notice has come; null when it failed.
    const char* Send(const std::string& request) {
        if (!SendToPipe(request)) {
            return "pipe write failed";
        }
        if (!notices_.WaitFor(++sent_)) {
            return "a request written to the pipe was not handled";
        }
        return nullptr;
    }

private:
    NoticeCounter notices_;
    IPCMessageClient observer_{kEndpointPlugin, true, false};
    std::shared_ptr<Vela::Ux::SwiftSendPlugin> plugin_;
    uint64_t sent_ = 0;
};

// A seqpacket server thread that reads one message per connection and answers with one byte.
class BareServer {
public:
    explicit BareServer(size_t messageBytes) {
        path_ = "/tmp/swiftsend-bench-bare-" + std::to_string(getpid());
        unlink(path_.c_str());
        address_.sun_family = AF_UNIX;
        std::snprintf(address_.sun_path, sizeof(address_.sun_path), "%s", path_.c_str());
        listener_ = socket(AF_UNIX, SOCK_SEQPACKET, 0);
        if (listener_ < 0 ||
            bind(listener_, reinterpret_cast<sockaddr*>(&address_), sizeof(address_)) != 0 ||
            listen(listener_, 16) != 0) {
            return;
        }
        server_ = std::thread([listener = listener_, messageBytes] {
            std::string buffer(messageBytes + 1, '\0');
            for (;;) {
                int connection = accept(listener, nullptr, nullptr);
                if (connection < 0) {
                    return;
                }
                ssize_t got = recv(connection, buffer.data(), buffer.size(), 0);
                char answer = got > 0 ? 1 : 0;
                send(connection, &answer, 1, MSG_NOSIGNAL);
                close(connection);
                if (got <= 0) {
                    return;
                }
            }
        });
    }
    ~BareServer() {
        if (server_.joinable()) {
            Exchange("");  // an empty message ends the server
            server_.join();
        }
        if (listener_ >= 0) {
            close(listener_);
        }
        unlink(path_.c_str());
    }
    bool Ready() const { return server_.joinable(); }
    // Connects, sends MESSAGE and waits for the answer.
    void Exchange(const std::string& message) {
        int client = socket(AF_UNIX, SOCK_SEQPACKET, 0);
        connect(client, reinterpret_cast<const sockaddr*>(&address_), sizeof(address_));
        send(client, message.data(), message.size(), MSG_NOSIGNAL);
        char answer = 0;
        recv(client, &answer, 1, 0);
        close(client);
    }

private:
    std::string path_;
    sockaddr_un address_{};
    int listener_ = -1;
    std::thread server_;
};

void BM_PipeRequestToShareCommand(benchmark::State& state) {
    PipeRig rig;
    if (!rig.Ready()) {
        state.SkipWithError("no pipe folder");
        return;
    }
    const std::string request = Request();
    for (auto _ : state) {
        if (const char* error = rig.Send(request)) {
            state.SkipWithError(error);
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * request.size()));
}

void BM_BareSeqpacketExchange(benchmark::State& state) {
    const std::string request = Request();
    BareServer server(request.size());
    if (!server.Ready()) {
        state.SkipWithError("no socket");
        return;
    }
    for (auto _ : state) {
        server.Exchange(request);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * request.size()));
}

// The two in turn, each iteration one of each, so that both see the same machine: the time of
// an iteration is the pipe request's, and the ratio is that of the two medians. A menu request
// comes when the user picks the menu item, to a listener that waits for it, so each pair starts
// after a pause in which the listener has made its next instance (back to back, the next
// request would find it still busy with the last one, and the bare exchange would share the
// processor with it).
void BM_PipeRequestAgainstBareExchange(benchmark::State& state) {
    const std::string request = Request();
    PipeRig rig;
    BareServer server(request.size());
    if (!rig.Ready() || !server.Ready()) {
        state.SkipWithError("no pipe folder or socket");
        return;
    }
    std::vector<double> pipe;
    std::vector<double> bare;
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const auto begin = Clock::now();
        server.Exchange(request);
        const auto between = Clock::now();
        if (const char* error = rig.Send(request)) {
            state.SkipWithError(error);
            break;
        }
        const auto end = Clock::now();
        bare.push_back(std::chrono::duration<double, std::micro>(between - begin).count());
        pipe.push_back(std::chrono::duration<double, std::micro>(end - between).count());
        state.SetIterationTime(pipe.back() / 1e6);
    }
    gPipeUs = Median(pipe);
    gBareUs = Median(bare);
    state.counters["pipe_us"] = gPipeUs;
    state.counters["bare_us"] = gBareUs;
}

void BM_PipeRequestToDialogPaint(benchmark::State& state) {
    duistandin::SetMainThread();
    DuiLib::CPaintManagerUI::SetResourcePath(SWIFTSEND_RES_DIR);
    char folder[] = "/tmp/swiftsend-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr || !utilstandin::LoadRegistryText(demo::kPairedPhoneRegistry)) {
        state.SkipWithError("no pipe folder or registry");
        return;
    }
    win32standin::SetPipeFolder(folder);
    const std::string file = std::string(folder) + "/photo.jpg";
    std::ofstream(file, std::ios::binary) << std::string(4096, 'x');
    const std::string request = "KXSHARE_PHONE?" + file;

    auto plugin = std::make_shared<Vela::Ux::SwiftSendPlugin>();
    int host = 0;
    plugin->Initialize(&host);
    plugin->Start();
    duistandin::RunUntil([] { return FindWindowW(L"FileTransferDialog", nullptr) != nullptr; },
                         std::chrono::seconds(10));
    HWND dialog = FindWindowW(L"FileTransferDialog", nullptr);
    DuiLib::CPaintManagerUI* pm = dialog ? duistandin::PaintManagerOf(dialog) : nullptr;
    Vela::Ux::FileTransferModel* model = plugin->GetUIManager().GetSendModel();
    if (!pm || !model) {
        state.SkipWithError("the send side did not come up");
        return;
    }
    std::vector<double> samples;
    for (auto _ : state) {
        const int paints = pm->GetPaintCount();
        const auto begin = Clock::now();
        if (!SendToPipe(request)) {
            state.SkipWithError("pipe write failed");
            break;
        }
        duistandin::RunUntil(
            [&] { return IsWindowVisible(dialog) && pm->GetPaintCount() > paints; },
            std::chrono::seconds(10), std::chrono::milliseconds(0));
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
        samples.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
        model->Clear();
        ShowWindow(dialog, SW_HIDE);
        duistandin::RunUntilIdle();
    }
    gPaintMs = Median(samples);
    state.counters["median_ms"] = gPaintMs;
    state.counters["goal_ms"] = kFirstPaintGoalMs;
    plugin->Stop();
    plugin->Uninitialize();
    plugin.reset();
    duistandin::RunUntilIdle();
    win32standin::SetPipeFolder("");
}

BENCHMARK(BM_PipeRequestToShareCommand)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_BareSeqpacketExchange)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_PipeRequestAgainstBareExchange)->UseManualTime()->MinTime(2.0);
BENCHMARK(BM_PipeRequestToDialogPaint)->UseManualTime()->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    LogTool::GetLogger().setLogLevel(log4cplus::OFF_LOG_LEVEL);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (gPipeUs > 0 && gBareUs > 0) {
        std::printf("ratio %.2f (limit %.1f): %.0f us against %.0f us, medians of the paired run\n",
                    gPipeUs / gBareUs, kRatioLimit, gPipeUs, gBareUs);
    }
    if (gPaintMs > 0 && gBareUs > 0) {
        std::printf("first paint %.2f ms median (goal %.1f ms), %.1f times the bare exchange\n",
                    gPaintMs, kFirstPaintGoalMs, gPaintMs * 1000 / gBareUs);
    }
    benchmark::Shutdown();
    return 0;
}

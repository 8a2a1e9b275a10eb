// A selection from the context menu through the real pipe to the share command, against a bare
// seqpacket exchange of the same bytes on a fresh connection, measured in the same run. The
// ratio of the two is printed at the end as "ratio X (limit 3.0)".
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
#include <map>
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

void BM_PipeRequestToShareCommand(benchmark::State& state) {
    char folder[] = "/tmp/swiftsend-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        state.SkipWithError("no pipe folder");
        return;
    }
    win32standin::SetPipeFolder(folder);
    NoticeCounter notices;
    IPCMessageClient observer(kEndpointPlugin, true, false);
    observer.RegisterMessageCallback(kMsgTooManyFiles, [&](TagIPCMessageItem&) {
        std::lock_guard<std::mutex> guard(notices.mutex);
        ++notices.count;
        notices.arrived.notify_all();
    });
    auto plugin = std::make_shared<Vela::Ux::SwiftSendPlugin>();
    plugin->Start();
    const std::string request = Request();
    uint64_t sent = 0;
    for (auto _ : state) {
        if (!SendToPipe(request)) {
            state.SkipWithError("pipe write failed");
            break;
        }
        if (!notices.WaitFor(++sent)) {
            state.SkipWithError("a request written to the pipe was not handled");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * request.size()));
    plugin.reset();
    observer.UnRegisterMessageCallbackAll();
    win32standin::SetPipeFolder("");
}

void BM_BareSeqpacketExchange(benchmark::State& state) {
    std::string path = "/tmp/swiftsend-bench-bare-" + std::to_string(getpid());
    unlink(path.c_str());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
    int listener = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    if (listener < 0 ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener, 16) != 0) {
        state.SkipWithError("no socket");
        return;
    }
    const std::string request = Request();
    std::thread server([listener, size = request.size()] {
        std::string buffer(size + 1, '\0');
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
    for (auto _ : state) {
        int client = socket(AF_UNIX, SOCK_SEQPACKET, 0);
        connect(client, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        send(client, request.data(), request.size(), MSG_NOSIGNAL);
        char answer = 0;
        recv(client, &answer, 1, 0);
        close(client);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * request.size()));
    // An empty message ends the server.
    int client = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    connect(client, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    send(client, "", 0, MSG_NOSIGNAL);
    close(client);
    server.join();
    close(listener);
    unlink(path.c_str());
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
BENCHMARK(BM_PipeRequestToDialogPaint)->UseManualTime()->MinTime(1.0);

// Keeps the time per iteration of every run, to print the ratio at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.iterations > 0) {
                perIteration[run.benchmark_name()] =
                    run.GetAdjustedRealTime();  // in the run's time unit, per iteration
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> perIteration;
};

}  // namespace

int main(int argc, char** argv) {
    LogTool::GetLogger().setLogLevel(log4cplus::OFF_LOG_LEVEL);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double pipe = reporter.perIteration["BM_PipeRequestToShareCommand/min_time:1.000/real_time"];
    double bare = reporter.perIteration["BM_BareSeqpacketExchange/min_time:1.000/real_time"];
    if (pipe > 0 && bare > 0) {
        std::printf("ratio %.2f (limit %.1f)\n", pipe / bare, kRatioLimit);
    }
    if (gPaintMs > 0 && bare > 0) {
        // The bare exchange's time is in nanoseconds per iteration.
        std::printf("first paint %.2f ms median (goal %.1f ms), %.1f times the bare exchange\n",
                    gPaintMs, kFirstPaintGoalMs, gPaintMs * 1e6 / bare);
    }
    benchmark::Shutdown();
    return 0;
}

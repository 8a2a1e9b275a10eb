// A selection from the context menu through the real pipe until the transfer dialog has been
// painted on the UI thread after showing itself, against a bare seqpacket exchange of the same
// bytes, in the same run. Prints "first paint X ms median (goal 5 ms), ratio Y to the bare
// exchange" at the end.
//
// The plug-in runs as the host runs it (Initialize, Start) with a paired phone and one real
// file; no service answers, so each send stays at the point where the dialog shows it. Between
// iterations the send is cleared and the dialog hidden again.
#include "SimpleUIManager.h"
#include "SwiftSendPlugin.h"

#include <DuiLibStandIn.h>
#include <FileTransferModel.h>
#include <SDK/Util/LogTool/LogTool.h>
#include <UIlib.h>
#include <UtilStandIn.h>
#include <Win32StandIn.h>

#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kGoalMs = 5.0;

const char kPairedPhone[] = R"(Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\SOFTWARE\Velmora\Corvix\Beamly\PairPhone2]
"IsPaired"=dword:00000001
"Summary"="bench-phone"
"DevName"="Bench Phone"
"UserName"="bench"
"NickName"="Bench"
"MacAddr"=hex:01,02,03,04,05,06,07,08
"DevType"=dword:00000000
"ShareType"=dword:00000002
)";

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> samples) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double gPaintMs = 0;
double gBareMs = 0;

HWND FindDialog() {
    for (HWND hwnd : win32standin::WindowsInZOrder()) {
        wchar_t name[64] = L"";
        GetClassNameW(hwnd, name, 64);
        if (std::wstring(name) == L"FileTransferDialog") {
            return hwnd;
        }
    }
    return nullptr;
}

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
        std::this_thread::yield();
    }
}

void BM_PipeRequestToDialogPaint(benchmark::State& state) {
    duistandin::SetMainThread();
    DuiLib::CPaintManagerUI::SetResourcePath(SWIFTSEND_RES_DIR);
    char folder[] = "/tmp/swiftsend-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr || !utilstandin::LoadRegistryText(kPairedPhone)) {
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
    duistandin::RunUntil([] { return FindDialog() != nullptr; }, std::chrono::seconds(10));
    HWND dialog = FindDialog();
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
    state.counters["goal_ms"] = kGoalMs;
    plugin->Stop();
    plugin->Uninitialize();
    plugin.reset();
    duistandin::RunUntilIdle();
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
    const std::string request = "KXSHARE_PHONE?/tmp/swiftsend-bench-XXXXXX/photo.jpg";
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
    std::vector<double> samples;
    for (auto _ : state) {
        const auto begin = Clock::now();
        int client = socket(AF_UNIX, SOCK_SEQPACKET, 0);
        connect(client, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        send(client, request.data(), request.size(), MSG_NOSIGNAL);
        char answer = 0;
        recv(client, &answer, 1, 0);
        close(client);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
        samples.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    gBareMs = Median(samples);
    state.counters["median_ms"] = gBareMs;
    int client = socket(AF_UNIX, SOCK_SEQPACKET, 0);  // an empty message ends the server
    connect(client, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    send(client, "", 0, MSG_NOSIGNAL);
    close(client);
    server.join();
    close(listener);
    unlink(path.c_str());
}

BENCHMARK(BM_PipeRequestToDialogPaint)->UseManualTime()->MinTime(1.0);
BENCHMARK(BM_BareSeqpacketExchange)->UseManualTime()->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    LogTool::GetLogger().setLogLevel(log4cplus::OFF_LOG_LEVEL);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (gPaintMs > 0 && gBareMs > 0) {
        std::printf("first paint %.2f ms median (goal %.1f ms), ratio %.1f to the bare exchange\n",
                    gPaintMs, kGoalMs, gPaintMs / gBareMs);
    }
    return 0;
}

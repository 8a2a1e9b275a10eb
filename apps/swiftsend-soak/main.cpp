// Soak run: many sends through the plug-in in one process, each from the shell's pipe to the
// simulated service and back, with the transfer dialog showing and hiding each time on mock
// time, printing the resident memory as it goes.
//   swiftsend-soak [SENDS]            (default 10000)
//   swiftsend-soak --offers [OFFERS]  (default 10000)
// At the end the queue must be empty, nothing busy, the dialog hidden and one window left.
// With --offers, phones (twenty of them, in turn) offer files instead, none answered; the
// receive dialogs that stay open must stay within their bound.
#include "BusPost.h"
#include "DataStream.h"
#include "DemoPhone.h"
#include "IPCMessageIds.h"
#include "FileTransferModel.h"
#include "ShareServiceSim.h"
#include "SimpleUIManager.h"
#include "SwiftSendPlugin.h"

#include <DuiLibStandIn.h>
#include <IPCMessageStandIn.h>
#include <SDK/Util/LogTool/LogTool.h>
#include <TandemDataReportStandIn.h>
#include <UIlib.h>
#include <unistd.h>
#include <UtilStandIn.h>
#include <Win32StandIn.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace {

long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

bool SendToPipe(const std::string& text) {
    for (int attempt = 0; attempt < 100000; ++attempt) {
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
        std::this_thread::yield();
    }
    return false;
}

// Receive dialogs that may stay open: the current one and nine used ones.
constexpr size_t kMostReceiveWindows = 10;

// Plays OFFERS offers from the service's endpoint and counts the plug-in's windows as they go.
int SoakOffers(long offers) {
    IPCMessageClient service(static_cast<int>(kEndpointTandemService), true, false);
    const long every = std::max(1L, std::min(1000L, offers / 10));
    const auto begin = std::chrono::steady_clock::now();
    long warm = 0;
    size_t most = 0;
    for (long i = 1; i <= offers; ++i) {
        const std::string phone = "Phone " + std::to_string(i % 20);
        tandem::Payload offer = tandem::BuildPayload(phone, phone, int32_t{0}, uint64_t{1 << 20},
                                                     std::vector<std::string>{"IMG_1.jpg"},
                                                     std::string("/tmp/swiftsend-soak-received"));
        demo::PostFrom(service, kEndpointTandemService, kEndpointPlugin, kMsgRecvOffer,
                       offer.block.get(), offer.size);
        ipcstandin::WaitUntilIdle();
        duistandin::RunUntilIdle();
        duistandin::AdvanceTime(20);
        most = std::max(most, win32standin::LiveWindowCount());
        if (i == std::min(100L, offers)) {
            warm = ResidentKb();
        }
        if (i % every == 0 || i == offers) {
            std::printf(
                "%ld offers, %zu windows, resident %ld KB (%+ld KB since offer 100), "
                "%.1f s\n",
                i, win32standin::LiveWindowCount(), ResidentKb(), warm ? ResidentKb() - warm : 0,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
            std::fflush(stdout);
        }
    }
    // Beside the receive dialogs only the transfer dialog has a window.
    const bool bounded = most <= kMostReceiveWindows + 1;
    std::printf("most windows %zu, %s\n", most, bounded ? "bounded" : "NOT bounded");
    return bounded ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const bool offersMode = argc > 1 && std::strcmp(argv[1], "--offers") == 0;
    const int countArg = offersMode ? 2 : 1;
    const long sends = argc > countArg ? std::atol(argv[countArg]) : 10000;
    LogTool::GetLogger().setLogLevel(log4cplus::OFF_LOG_LEVEL);
    duistandin::SetMainThread();
    win32standin::UseMockClock();
    char folder[] = "/tmp/swiftsend-soak-XXXXXX";
    if (mkdtemp(folder) == nullptr || !utilstandin::LoadRegistryText(demo::kPairedPhoneRegistry)) {
        std::fprintf(stderr, "swiftsend-soak: no work folder or registry\n");
        return 2;
    }
    win32standin::SetPipeFolder(folder);
    wchar_t exe[MAX_PATH];
    const std::wstring path(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
    DuiLib::CPaintManagerUI::SetResourcePath((path.substr(0, path.rfind(L'/')) + L"/res").c_str());
    const std::string file = std::string(folder) + "/photo.jpg";
    std::ofstream(file, std::ios::binary) << std::string(64 * 1024, 'x');

    ShareServiceSim service("ok", 1ull << 40);  // transfers end at once
    service.Start();
    auto plugin = std::make_shared<Vela::Ux::SwiftSendPlugin>();
    int host = 0;
    plugin->Initialize(&host);
    plugin->Start();
    duistandin::RunUntil([] { return FindWindowW(L"FileTransferDialog", nullptr) != nullptr; },
                         std::chrono::seconds(10));
    HWND dialog = FindWindowW(L"FileTransferDialog", nullptr);
    Vela::Ux::FileTransferModel* model = plugin->GetUIManager().GetSendModel();
    if (!dialog || !model) {
        std::fprintf(stderr, "swiftsend-soak: the send side did not come up\n");
        return 1;
    }
    if (offersMode) {
        service.Stop();
        const int result = SoakOffers(sends);
        plugin->Stop();
        plugin->Uninitialize();
        plugin.reset();
        ipcstandin::WaitUntilIdle(std::chrono::seconds(5));
        duistandin::RunUntilIdle();
        win32standin::SetPipeFolder("");
        return result;
    }

    const auto begin = std::chrono::steady_clock::now();
    long warm = 0;
    int failures = 0;
    for (long i = 1; i <= sends; ++i) {
        if (!SendToPipe("KXSHARE_PHONE?" + file)) {
            ++failures;
            continue;
        }
        // Until the dialog has shown the send, finished it and hidden itself again: the
        // service works on real time, the dialog's timers on mock time.
        bool shown = false;
        bool finished = duistandin::RunUntil(
            [&] {
                shown = shown || IsWindowVisible(dialog);
                if (shown && !model->IsBusy() && model->GetQueuedCount() == 0) {
                    duistandin::AdvanceTime(500);
                }
                return shown && !IsWindowVisible(dialog);
            },
            std::chrono::seconds(20), std::chrono::milliseconds(1));
        if (!finished) {
            ++failures;
        }
        // The reporter stand-in keeps every event for the tests to read: let it go, as the
        // host's reporter sends them on.
        tandemstandin::ClearReportedEvents();
        if (i == 100) {
            warm = ResidentKb();
        }
        if (i % 1000 == 0 || i == sends) {
            std::printf(
                "%ld sends, resident %ld KB (%+ld KB since send 100), %.1f s\n", i, ResidentKb(),
                warm ? ResidentKb() - warm : 0,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
            std::fflush(stdout);
        }
    }
    const bool clean = model->GetQueuedCount() == 0 && !model->IsBusy() &&
                       !IsWindowVisible(dialog) && win32standin::LiveWindowCount() == 1;
    std::printf("failures %d, end state %s\n", failures, clean ? "clean" : "NOT clean");
    plugin->Stop();
    plugin->Uninitialize();
    plugin.reset();
    ipcstandin::WaitUntilIdle(std::chrono::seconds(5));
    duistandin::RunUntilIdle();
    service.Stop();
    win32standin::SetPipeFolder("");
    return failures == 0 && clean ? 0 : 1;
}

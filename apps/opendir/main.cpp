// OpenDir: the folder helper that the receive dialog starts as "OpenDir.exe" (programs on Linux
// carry no extension). It joins the bus as 0x350000 and serves the dialog's picker and
// folder-opening messages (see OpenDirEndpoint.h), printing what it does, until the picker is
// closed, the time is up, or it is told to stop.
//
//   OpenDir [FOLDER | openfolder] [--seconds N]
//
// FOLDER is the folder the dialog opens the picker at, "openfolder" the start for showing
// received files; both arrive again in the messages, so they are only printed. The bus lives
// inside one process: run on its own, the program hears only what is posted in its process; the
// demo host and the tests put the endpoint on their own bus.
#include "OpenDirEndpoint.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

std::atomic<bool> stopRequested{false};

void OnSignal(int) {
    stopRequested = true;
}

}  // namespace

int main(int argc, char** argv) {
    long seconds = 60;
    std::string start;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::strtol(argv[++i], nullptr, 10);
        } else {
            start = argv[i];
        }
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    opendir::OpenDirEndpoint endpoint([](const std::string& line) {
        std::printf("OpenDir: %s\n", line.c_str());
        std::fflush(stdout);
    });
    endpoint.SetOnPickerClosed([] { stopRequested = true; });
    endpoint.Start();
    std::printf("OpenDir: started (%s)\n", start.empty() ? "no folder" : start.c_str());
    std::fflush(stdout);
    // Real time: this program has no mock clock.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!stopRequested && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    endpoint.Stop();
    return 0;
}

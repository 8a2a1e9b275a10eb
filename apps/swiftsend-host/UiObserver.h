// Watches the plug-in's windows for the demo: a live line on the console for the transfer
// dialog, a JSON line per change (--ui-trace), a picture per change (--snapshots), and clicks
// on named controls at given times (--click).
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace demo {

struct TimedClick {
    std::wstring control;
    uint64_t atMs = 0;
    bool done = false;
};

class UiObserver {
public:
    UiObserver(std::string snapshotDir, const std::string& traceFile,
               std::vector<TimedClick> clicks);
    ~UiObserver();
    bool Ok() const { return traceFile.empty() || trace != nullptr; }
    // Looks at the windows; ELAPSED_MS since the host started. Call on the UI thread once per
    // turn of the UI loop: a window's trace line is written when its description changed.
    void Poll(uint64_t elapsedMs);
    // With --snapshots: assembles the transfer dialog's pictures into one animated PNG,
    // "FileTransferDialog.png" in the snapshot folder, each picture shown as long as it was on
    // screen (idle gaps shortened). Needs Linux's apngasm tool; false without it or when it fails.
    bool WriteAnimation();

private:
    struct Seen {
        std::string description;
        uint64_t lastSnapshotMs = 0;
        bool pendingSnapshot = false;
        int snapshots = 0;
    };
    void Click(TimedClick& click);
    std::string snapshotDir;
    std::string traceFile;
    FILE* trace = nullptr;
    std::vector<TimedClick> clicks;
    std::map<HWND, Seen> seen;
    std::string liveLine;
    std::vector<std::pair<uint64_t, std::string>> dialogPictures;  // time, file
};

}  // namespace demo

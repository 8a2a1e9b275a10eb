#include "UiObserver.h"

#include "ConsoleAppender.h"
#include "HostPlatform.h"

#include <DuiLibStandIn.h>
#include <Registry.h>
#include <UIlib.h>

namespace demo {
namespace {

constexpr uint64_t kSnapshotMs = 250;  // at most one picture per window this often

std::string Utf8(const std::wstring& text) {
    return DE::UnicodeToUTF8(text);
}

std::string ClassName(HWND hwnd) {
    wchar_t name[128] = L"";
    GetClassNameW(hwnd, name, 128);
    return Utf8(name);
}

// The transfer dialog in one line: title, fixed item and queue.
std::string Rendition(DuiLib::CPaintManagerUI* pm) {
    auto text = [pm](const wchar_t* name) {
        DuiLib::CControlUI* control = pm->FindControl(name);
        return control && control->IsVisible() ? Utf8(control->GetText().str()) : std::string();
    };
    std::string line = "[" + text(L"title_progress_label") + "] " +
                       text(L"fixed_item_title_label") + " | " + text(L"fixed_item_filename") +
                       " " + text(L"fixed_item_filesize");
    const std::string speed = text(L"fixed_item_speed");
    if (!speed.empty()) {
        line += " | " + speed + ", " + text(L"fixed_item_time_remains");
    }
    DuiLib::CControlUI* queue = pm->FindControl(L"queue_list");
    auto* list = queue ? static_cast<DuiLib::CListUI*>(queue->GetInterface(L"List")) : nullptr;
    if (list && list->GetCount() > 0) {
        line += " | " + text(L"queued_item_count_label") + ":";
        for (int i = 0; i < list->GetCount(); ++i) {
            auto rowText = [&](const wchar_t* name) {
                DuiLib::CControlUI* c = pm->FindSubControlByName(list->GetItemAt(i), name);
                return c ? Utf8(c->GetText().str()) : std::string();
            };
            line += " " + rowText(L"files_count_label") + " " + rowText(L"file_size_label") +
                    (i + 1 < list->GetCount() ? ";" : "");
        }
    }
    return line;
}

}  // namespace

UiObserver::UiObserver(std::string dir, const std::string& file, std::vector<TimedClick> list)
    : snapshotDir(std::move(dir)), traceFile(file), clicks(std::move(list)) {
    if (!traceFile.empty()) {
        trace = std::fopen(traceFile.c_str(), "w");
    }
}

UiObserver::~UiObserver() {
    if (trace) {
        std::fclose(trace);
    }
}

void UiObserver::Click(TimedClick& click) {
    click.done = true;
    for (HWND hwnd : TopLevelWindows()) {
        DuiLib::CPaintManagerUI* pm = duistandin::PaintManagerOf(hwnd);
        if (!pm || !pm->GetRoot() || !IsWindowVisible(hwnd)) {
            continue;
        }
        // The first of that name that a user could press (for queued rows: the first live
        // row's), else the first of that name.
        DuiLib::CControlUI* control = nullptr;
        DuiLib::CControlUI* any = nullptr;
        pm->GetRoot()->ForEach([&](DuiLib::CControlUI* c) {
            if (c->GetName() == click.control.c_str()) {
                any = any ? any : c;
                if (!control && c->IsVisible() && c->IsEnabled()) {
                    control = c;
                }
            }
        });
        control = control ? control : any;
        if (control) {
            const bool clicked = duistandin::Click(control);
            PrintLine("host:", "click on " + Utf8(click.control) + " in " + ClassName(hwnd) +
                                   (clicked ? "" : " (hidden or disabled, not clicked)"));
            return;
        }
    }
    PrintLine("host:", "click on " + Utf8(click.control) + ": no such control on screen");
}

void UiObserver::Poll(uint64_t elapsedMs) {
    for (TimedClick& click : clicks) {
        if (!click.done && elapsedMs >= click.atMs) {
            Click(click);
        }
    }
    for (HWND hwnd : TopLevelWindows()) {
        DuiLib::CPaintManagerUI* pm = duistandin::PaintManagerOf(hwnd);
        if (!pm) {
            continue;
        }
        Seen& window = seen[hwnd];
        const std::string description = duistandin::DescribeJson(pm);
        if (description != window.description) {
            window.description = description;
            window.pendingSnapshot = true;
            if (trace) {
                std::fprintf(trace, "{\"t\":%llu,%s\n", static_cast<unsigned long long>(elapsedMs),
                             description.c_str() + 1);
                std::fflush(trace);
            }
            if (ClassName(hwnd) == "FileTransferDialog") {
                const std::string line = IsWindowVisible(hwnd) ? Rendition(pm) : "(hidden)";
                if (line != liveLine) {
                    liveLine = line;
                    ShowLiveLine("dialog:", line);
                }
            }
        }
        if (!snapshotDir.empty() && window.pendingSnapshot && IsWindowVisible(hwnd) &&
            elapsedMs - window.lastSnapshotMs >= kSnapshotMs) {
            char name[64];
            std::snprintf(name, sizeof name, "-%03d.png", ++window.snapshots);
            const std::string file = snapshotDir + "/" + ClassName(hwnd) + name;
            if (duistandin::SavePng(pm, file) && ClassName(hwnd) == "FileTransferDialog") {
                dialogPictures.emplace_back(elapsedMs, file);
            }
            window.pendingSnapshot = false;
            window.lastSnapshotMs = elapsedMs;
        }
    }
}

bool UiObserver::WriteAnimation() {
    return !snapshotDir.empty() &&
           demo::WriteAnimation(dialogPictures, snapshotDir + "/FileTransferDialog.png",
                                kSnapshotMs);
}

}  // namespace demo

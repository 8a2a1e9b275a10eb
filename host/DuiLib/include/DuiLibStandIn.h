// Controls of the UI toolkit stand-in: which thread is the UI thread, running its loop, the
// culture and DPI scale, and looking at windows (pictures and descriptions).
// Tasks and timers only run inside the calls below, on the UI thread. On Linux windows are
// headless and time is the process clock of the Win32 stand-in (real, or mock in tests); on
// Windows windows are real, painted on WM_PAINT, and time is the system's.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include <windows.h>

namespace DuiLib {
class CPaintManagerUI;
class CControlUI;
}  // namespace DuiLib

namespace duistandin {

// Makes the calling thread the UI thread (by default the thread that first used the queue).
void SetMainThread();

// Runs queued tasks and the timed tasks that are due, including those they add, until none is
// left. Returns the number of tasks run. Must be called on the UI thread.
size_t RunUntilIdle();

// Runs tasks and due timed tasks as they arrive until `done` returns true (checked after every
// task and at least every `poll`) or until `timeout` of real time has passed. Returns the result
// of the last `done` call. This is the loop of the demo host; tests use it to wait (boundedly)
// for work that other threads hand to the UI thread.
bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
              std::chrono::milliseconds poll = std::chrono::milliseconds(10));

// Mock time (Linux): moves the clock forward by MILLISECONDS, running on the way, in time order, every
// timed task that falls due (the clock set to its due time while it runs) and every queued task
// (run until idle after each step). Must be called on the UI thread.
void AdvanceTime(uint64_t milliseconds);

// Timed tasks: TASK runs on the UI loop once the clock reaches DUE_MS (GetTickCount64 time).
// Window timers and animation steps stand on these. Ids are never reused; cancelling an
// unknown or finished id does nothing.
using TimedTaskId = uint64_t;
TimedTaskId ScheduleAt(uint64_t dueMs, std::function<void()> task);
void CancelScheduled(TimedTaskId id);

// Number of tasks waiting in the queue (timed tasks not counted).
size_t PendingTasks();

// Drops every waiting task and timed task without running it.
void DiscardPending();

// The string table file form: one `ID = text` per line (UTF-8, optional byte order mark);
// blank lines and lines starting with '#' are ignored, as are lines without '='. Spaces around
// the id and the text are dropped; a text in double quotes keeps its spaces. In the text "\n"
// is a line break, "\t" a tab and "\\" a backslash. A later line for the same id wins.
// Adds the file's texts to OUT; false when it cannot be read.
bool ReadStringTable(const std::string& path, std::map<std::wstring, std::wstring>& out);
// The table of the culture's language beside the running executable: "strings/<locale>.strings"
// in its folder ("strings/en.strings" by default).
std::string DefaultStringTablePath();

// The culture's language as an ICU locale name ("en" by default, "pl", "ar", ...): it picks
// the plural forms of UICulture::GetMultiVarStr and sets the reading direction to the
// language's. It does not load a table.
void SetLocale(const std::string& locale);

// The culture's texts (UICulture::GetString) and reading direction (0 left to right, 1 right
// to left). Until a table is loaded, the first use reads the default table. Loading replaces
// the table; SetCultureString adds one text.
bool LoadCultureStrings(const std::string& path);
void SetCultureString(const std::wstring& id, const std::wstring& text);
void SetDirection(int direction);

// The DPI scale in percent (100 by default).
void SetScale(int percent);

// The picture of a window's paint manager as a PNG file, painted first so that it shows the
// window as it is now.
bool SavePng(DuiLib::CPaintManagerUI* manager, const std::string& path);
// A description of the window as JSON: {"window": class, "visible", "rect": [l, t, r, b],
// "taskbar": {"state", "progress"}, "controls": {name: {"text", "tooltip", "visible",
// "enabled", "color"}}, "rows": [{"id": the row's tag, name: {...}}]}, rows being those of the
// window's lists, each with its own named controls.
std::string DescribeJson(DuiLib::CPaintManagerUI* manager);

// The paint manager of a toolkit window (null for other windows).
DuiLib::CPaintManagerUI* PaintManagerOf(HWND hwnd);

// A press and release of the left mouse button at the centre of a control, as the user gives
// them: WM_NCHITTEST, WM_LBUTTONDOWN and WM_LBUTTONUP through the window procedure of the
// control's window (painted first, so that the control has its place). The window decides what
// comes of it; one that answers its messages with 0 ignores the click. False, and nothing sent,
// for a control that is not a button, has no window, or is hidden or disabled (itself or a
// container around it).
bool Click(DuiLib::CControlUI* control);

#ifdef _WIN32
// Starts GDI+ for the rest of the process, once (never from DllMain): the toolkit does so on its
// UI thread before it paints or measures text, the host utility library before it decodes
// pictures.
void StartGdiPlus();
// The class id of GDI+'s PNG encoder; false when there is none.
bool PngEncoder(CLSID& clsid);
#endif

}  // namespace duistandin

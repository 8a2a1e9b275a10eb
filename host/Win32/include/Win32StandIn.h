// Controls of the Win32 stand-in for tests and the demo host. Not part of the Windows API.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace win32standin {

// The one clock of the process. GetTickCount64, Sleep, WaitForSingleObject's time-outs, _time64
// and the UI loop's timers and animations all read it, so a test that switches to mock time
// controls every timed wait at once. Real (the steady clock) by default.
//
// Mock time stands still until AdvanceClock or SetClock moves it; each move wakes every timed
// wait, which then looks at the new time. Moving it backwards is refused.
constexpr uint64_t kMockClockStartMs = 1000000;
void UseMockClock(uint64_t startMs = kMockClockStartMs);
void UseRealClock();
bool IsMockClock();
// Milliseconds on the clock (the value GetTickCount64 returns).
uint64_t ClockNowMs();
void AdvanceClock(uint64_t milliseconds);
void SetClock(uint64_t nowMs);
// Seconds since 1970 that _time64 returns: the system's calendar under the real clock; under
// mock time a fixed calendar start plus the mock milliseconds, so both move together.
constexpr int64_t kMockCalendarStart = 1767225600;  // 2026-01-01 00:00:00 UTC
int64_t ClockCalendarSeconds();

// The timed wait every stand-in builds on: waits until READY returns true or the clock reaches
// DEADLINE_MS (kNoDeadline: no time limit). READY runs with the clock's lock held, so it must
// only look at state; whoever changes that state calls ClockWake() afterwards. Returns the last
// result of READY.
constexpr uint64_t kNoDeadline = UINT64_MAX;
bool ClockWaitUntil(uint64_t deadlineMs, const std::function<bool()>& ready);
// The deadline that lies TIMEOUT_MS (INFINITE: none) from now.
uint64_t ClockDeadline(DWORD timeoutMs);
void ClockWake();
// For tests that move mock time while other threads wait. Timed waits begun so far (each one
// counts from the moment a move of the clock reaches it):
uint64_t TimedWaitsBegun();
// Blocks, for at most REAL_TIMEOUT of real time, until at least BEGUN timed waits have begun and
// at least WAITING are in progress, so that the next move of the clock reaches them. True when so.
bool WaitForTimedWaits(uint64_t begun, size_t waiting, std::chrono::milliseconds realTimeout);
// Wakes every condition-variable wait on mock time as a spurious wake-up does: each returns
// no_timeout before its deadline, with nothing notified by its owner.
void WakeTimedWaitsSpuriously();

// UTF-8 form of a wide text and back (the platform's one conversion, through ICU). Wide text
// may carry UTF-16 surrogate pairs as separate elements.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

// Makes GetProcessHeap or HeapAlloc fail until reset.
void SetProcessHeapFailure(bool fail);
void SetHeapAllocFailure(bool fail);

// Number of live kernel handles (events, pipes); for leak checks in tests.
size_t LiveHandleCount();

// Named pipes. "\\.\pipe\NAME" is the socket file NAME in the pipe folder: the folder set here,
// else $SWIFTSEND_PIPE_DIR, else "swiftsend" under $XDG_RUNTIME_DIR, else /tmp/swiftsend-<uid>
// (the last two created with mode 0700). An empty FOLDER restores the default.
void SetPipeFolder(const std::string& folder);
// The folder in use, created when needed; empty when no usable folder was found.
std::string PipeFolder();

// Makes InitializeSecurityDescriptor fail (ERROR_NOT_ENOUGH_MEMORY) until reset.
void SetSecurityDescriptorFailure(bool fail);
// Makes CreateNamedPipeW fail (ERROR_PIPE_BUSY): every call until reset, or the next COUNT calls.
void SetCreateNamedPipeFailure(bool fail);
void FailNextCreateNamedPipe(unsigned count);

// The arguments of the latest CreateNamedPipeW call, failed ones included.
struct NamedPipeCreation {
    std::wstring name;
    DWORD openMode = 0;
    DWORD pipeMode = 0;
    DWORD maxInstances = 0;
    DWORD outBufferSize = 0;
    DWORD inBufferSize = 0;
    DWORD defaultTimeOut = 0;
    bool hasAttributes = false;
    DWORD attributesLength = 0;
    bool inheritHandle = false;
    bool hasDescriptor = false;
    bool nullDacl = false;  // the descriptor carries a present, null DACL
};
NamedPipeCreation LastNamedPipeCreation();
// Number of CreateNamedPipeW calls so far, failed ones included.
size_t NamedPipeCreationCount();
// Runs HOOK on the creating thread each time CreateNamedPipeW has made an instance, before the
// call returns: what a client does there, it does before the server can call
// ConnectNamedPipe. An empty HOOK removes it.
void SetNamedPipeCreatedHook(std::function<void(HANDLE)> hook);

// The virtual desktop behind the user32 calls. By default one 1920x1080 monitor with the
// taskbar 40 pixels high along the bottom edge.
enum class TaskbarEdge { Left, Top, Right, Bottom };
struct Monitor {
    RECT screen{0, 0, 1920, 1080};
    RECT work{0, 0, 1920, 1040};
    bool primary = true;
};
// The first primary monitor (else the first) is the primary one; an empty list restores the
// default desktop.
void SetDesktop(const std::vector<Monitor>& monitors);
// One monitor of SCREEN with a taskbar of THICKNESS pixels along EDGE.
Monitor MonitorWithTaskbar(RECT screen, TaskbarEdge edge, int thickness);
// Makes SystemParametersInfoW(SPI_GETWORKAREA) fail until reset.
void SetWorkAreaFailure(bool fail);
// The folder SHGetFolderPathW(CSIDL_APPDATA) returns (by default $HOME/.local/share).
void SetAppDataFolder(const std::wstring& folder);
// The files ShellExecuteW was asked to open (recorded, not opened), and clearing them.
std::vector<std::wstring> ShellOpenedFiles();
void ClearShellOpenedFiles();

// The UI thread's loop that posted messages and window timers run on (the UI toolkit's loop
// installs itself here when it loads).
struct UiLoop {
    std::function<void(std::function<void()>)> post;
    std::function<uint64_t(uint64_t dueMs, std::function<void()>)> scheduleAt;
    std::function<void(uint64_t)> cancel;
};
void SetUiLoop(UiLoop loop);

// What tests look at: the resource id of the icon a window was given (0 for none), the windows
// in z-order from the top, and the number of live windows.
int WindowIconResource(HWND hwnd);
bool IsTopmost(HWND hwnd);
std::vector<HWND> WindowsInZOrder();
size_t LiveWindowCount();

}  // namespace win32standin

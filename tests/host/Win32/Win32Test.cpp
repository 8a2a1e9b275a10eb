// The Win32 stand-in apart from its pipes: modules, paths, events and waits; the virtual desktop
// (the monitor of a window, z-order with topmost windows, hit testing); and the one clock: mock
// time moves GetTickCount64 and _time64 together, and every kind of timed wait (events, Sleep,
// condition variables) ends exactly when mock time reaches its deadline.
#include <TimedWait.h>
#include <Win32StandIn.h>
#include <pathcch.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

// "Name.dll" is the shared library "libName.so", looked for beside the program first.
TEST(Win32Modules, DllNamesAreSharedLibrariesBesideTheProgram) {
    struct Case {
        const wchar_t* name;
        bool found;
    } cases[] = {
        {L"Win32.dll", true},         {L"Win32.DLL", true}, {L"libm.so.6", true},
        {L"NoSuchModule.dll", false}, {L".dll", false},
    };
    for (const Case& c : cases) {
        HMODULE module = LoadLibraryW(c.name);
        EXPECT_EQ(module != nullptr, c.found) << c.name;
        if (!module) {
            EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
            EXPECT_EQ(GetModuleHandleW(c.name), nullptr);
            continue;
        }
        EXPECT_EQ(GetModuleHandleW(c.name), module) << c.name;
        EXPECT_TRUE(FreeLibrary(module));
    }
}

TEST(Win32Modules, ModuleFileNameOfTheProgram) {
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof(self));
    ASSERT_GT(length, 0);
    const std::wstring expected(self, self + length);  // ASCII build paths

    wchar_t name[MAX_PATH * 4];
    DWORD copied = GetModuleFileNameW(nullptr, name, MAX_PATH * 4);
    EXPECT_EQ(copied, expected.size());
    EXPECT_EQ(std::wstring(name), expected);

    // Too small a buffer: truncated, terminated, and the full size returned.
    wchar_t small[4];
    EXPECT_EQ(GetModuleFileNameW(nullptr, small, 4), 4u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::wstring(small), expected.substr(0, 3));
}

TEST(Win32Paths, RemoveFileSpecKeepsTheFolder) {
    struct Case {
        std::wstring path;
        std::wstring folder;
    } cases[] = {
        {L"/opt/host/bin/libSwiftSend.so", L"/opt/host/bin"},
        {L"C:\\Host\\bin\\SwiftSend.dll", L"C:\\Host\\bin"},
        {L"/libSwiftSend.so", L"/"},
        {L"C:\\SwiftSend.dll", L"C:\\"},
        {L"SwiftSend.dll", L"SwiftSend.dll"},
    };
    for (const Case& c : cases) {
        std::wstring buffer = c.path;
        EXPECT_EQ(PathCchRemoveFileSpec(buffer.data(), buffer.size() + 1), S_OK) << c.path.c_str();
        EXPECT_EQ(std::wstring(buffer.c_str()), c.folder);
    }
    wchar_t unterminated[3] = {L'a', L'/', L'b'};
    EXPECT_EQ(PathCchRemoveFileSpec(unterminated, 3), E_INVALIDARG);
    EXPECT_EQ(PathCchRemoveFileSpec(nullptr, 10), E_INVALIDARG);
}

TEST(Win32Events, AutoResetReleasesOneWaitManualStaysSignalledClosedOnesFail) {
    const size_t handles = win32standin::LiveHandleCount();
    HANDLE automatic = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(automatic, nullptr);
    ASSERT_NE(manual, nullptr);
    EXPECT_EQ(win32standin::LiveHandleCount(), handles + 2);

    // Created signalled; one successful wait consumes the signal.
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(automatic));
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);

    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ResetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);

    EXPECT_TRUE(CloseHandle(automatic));
    EXPECT_TRUE(CloseHandle(manual));
    EXPECT_EQ(win32standin::LiveHandleCount(), handles);

    // Closed handles and named events are refused.
    EXPECT_FALSE(CloseHandle(manual));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(SetEvent(manual));
    EXPECT_EQ(CreateEventW(nullptr, TRUE, FALSE, L"Named"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Win32Events, ManualResetWakesEveryWaiter) {
    HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD results[2] = {WAIT_FAILED, WAIT_FAILED};
    std::thread first([&] { results[0] = WaitForSingleObject(manual, INFINITE); });
    std::thread second([&] { results[1] = WaitForSingleObject(manual, INFINITE); });
    EXPECT_TRUE(SetEvent(manual));
    first.join();
    second.join();
    EXPECT_EQ(results[0], WAIT_OBJECT_0);
    EXPECT_EQ(results[1], WAIT_OBJECT_0);
    CloseHandle(manual);
}

class ClockTest : public ::testing::Test {
protected:
    void SetUp() override { win32standin::UseMockClock(); }
    void TearDown() override { win32standin::UseRealClock(); }
};

TEST_F(ClockTest, MockTimeMovesTickCountAndCalendarTogetherAndNeverBack) {
    const uint64_t start = GetTickCount64();
    const __time64_t calendar = _time64(nullptr);
    EXPECT_EQ(start, win32standin::kMockClockStartMs);
    win32standin::AdvanceClock(2500);
    EXPECT_EQ(GetTickCount64(), start + 2500);
    __time64_t out = 0;
    EXPECT_EQ(_time64(&out), calendar + 2);  // 1,002,500 ms is second 1002, not 1003
    EXPECT_EQ(out, calendar + 2);
    win32standin::SetClock(start);  // backwards: refused
    EXPECT_EQ(GetTickCount64(), start + 2500);

    win32standin::UseRealClock();
    EXPECT_FALSE(win32standin::IsMockClock());
    EXPECT_GT(_time64(nullptr), win32standin::kMockCalendarStart);
}

// Each wait runs on a worker for 500 ms of mock time and reports whether it timed out.
struct TimedWaitCase {
    const char* name;
    std::function<bool()> waitTimesOut;
};

TEST_F(ClockTest, EveryTimedWaitEndsWhenMockTimeReachesItsDeadline) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::mutex mutex;
    std::condition_variable cv;
    const TimedWaitCase cases[] = {
        {"event", [&] { return WaitForSingleObject(event, 500) == WAIT_TIMEOUT; }},
        {"sleep",
         [] {
             Sleep(500);
             return true;
         }},
        {"condition variable",
         [&] {
             std::unique_lock<std::mutex> lock(mutex);
             return platform::WaitFor(cv, lock, 500ms) == std::cv_status::timeout;
         }},
    };
    for (const TimedWaitCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> done{false};
        bool timedOut = false;
        const uint64_t begun = win32standin::TimedWaitsBegun();
        std::thread worker([&] {
            timedOut = c.waitTimesOut();
            done = true;
        });
        ASSERT_TRUE(win32standin::WaitForTimedWaits(begun + 1, 1, 10s));
        win32standin::AdvanceClock(499);
        ASSERT_TRUE(win32standin::WaitForTimedWaits(begun + 1, 1, 10s));
        EXPECT_FALSE(done);
        win32standin::AdvanceClock(1);
        worker.join();
        EXPECT_TRUE(timedOut);
    }
    CloseHandle(event);
}

TEST_F(ClockTest, NotifyAndSetEventReleaseWaitsWhateverTheClockDoes) {
    std::mutex mutex;
    std::condition_variable cv;
    bool quit = false;
    std::cv_status status = std::cv_status::timeout;
    const uint64_t begun = win32standin::TimedWaitsBegun();
    std::thread worker([&] {
        std::unique_lock<std::mutex> lock(mutex);
        status = platform::WaitFor(cv, lock, 1000ms);
    });
    ASSERT_TRUE(win32standin::WaitForTimedWaits(begun + 1, 1, 10s));
    win32standin::AdvanceClock(100);  // seen by the worker before this returns
    {
        std::lock_guard<std::mutex> guard(mutex);
        quit = true;
    }
    cv.notify_all();
    worker.join();
    EXPECT_TRUE(quit);
    EXPECT_EQ(status, std::cv_status::no_timeout);

    // SetEvent releases a wait and leaves the clock where it was.
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD result = WAIT_FAILED;
    std::thread waiter([&] { result = WaitForSingleObject(event, INFINITE); });
    SetEvent(event);
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    EXPECT_EQ(GetTickCount64(), win32standin::kMockClockStartMs + 100);
    CloseHandle(event);
}

LRESULT CALLBACK Plain(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSEXW cls{};
        cls.lpfnWndProc = &Plain;
        cls.lpszClassName = L"Plain";
        RegisterClassExW(&cls);
    }
    void TearDown() override {
        for (HWND hwnd : win32standin::WindowsInZOrder()) {
            DestroyWindow(hwnd);
        }
        win32standin::SetDesktop({});
    }
    HWND Make(int x, int y, int w, int h) {
        HWND hwnd = CreateWindowExW(0, L"Plain", L"", WS_POPUP, x, y, w, h, nullptr, nullptr,
                                    nullptr, nullptr);
        ShowWindow(hwnd, SW_SHOWNORMAL);
        return hwnd;
    }
};

// Two monitors side by side, the left one primary: a window belongs to the monitor under its
// centre, else to the primary one.
TEST_F(DesktopTest, MonitorOfAWindow) {
    win32standin::Monitor left;
    left.screen = left.work = RECT{0, 0, 1920, 1080};
    win32standin::Monitor right = win32standin::MonitorWithTaskbar(
        {1920, 0, 3840, 1080}, win32standin::TaskbarEdge::Bottom, 48);
    right.primary = false;
    win32standin::SetDesktop({left, right});
    struct Case {
        int x;
        LONG workBottom;
    } cases[] = {{2000, 1032}, {100, 1080}, {1870, 1032}, {5000, 1080}};
    for (const Case& c : cases) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        HMONITOR monitor = MonitorFromWindow(Make(c.x, 100, 100, 100), MONITOR_DEFAULTTOPRIMARY);
        ASSERT_TRUE(GetMonitorInfoW(monitor, &info)) << c.x;
        EXPECT_EQ(info.rcWork.bottom, c.workBottom) << c.x;
    }
}

TEST_F(DesktopTest, TopmostWindowsStayAboveAndHitTestingFollowsZOrder) {
    HWND below = Make(0, 0, 200, 200);
    HWND topmost = Make(50, 50, 100, 100);
    SetWindowPos(topmost, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(below);  // raised, but not above a topmost window
    EXPECT_EQ(WindowFromPoint(POINT{60, 60}), topmost);
    EXPECT_EQ(WindowFromPoint(POINT{10, 10}), below);
    ShowWindow(topmost, SW_HIDE);
    EXPECT_EQ(WindowFromPoint(POINT{60, 60}), below);
    EXPECT_TRUE(win32standin::IsTopmost(topmost));
}

}  // namespace

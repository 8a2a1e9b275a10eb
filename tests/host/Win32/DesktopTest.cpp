// The virtual desktop: the monitor of a window, z-order with topmost windows, hit testing.
#include <Win32StandIn.h>
#include <windows.h>

#include <gtest/gtest.h>

namespace {

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

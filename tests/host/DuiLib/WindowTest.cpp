// Windows of the toolkit: creation from a skin, messages, close order, timers and resizing.
#include "TempPath.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <UIlib.h>
#include <Win32StandIn.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace DuiLib;

std::vector<std::string>* events = nullptr;
constexpr UINT kOwnMessage = 0x0400;  // the first message number free for windows

class TestWindow : public WindowImplBase {
public:
    const wchar_t* GetWindowClassName() const override { return L"TestWindow"; }
    CDuiString GetSkinFile() override { return L"../../res/layout/test/window.xml"; }
    void InitWindow() override {
        events->push_back("init:" + std::to_string(m_pm.GetRoot() != nullptr));
    }
    void OnClick(TNotifyUI& msg) override {
        const std::wstring name = msg.pSender->GetName().str();
        events->push_back("click:" + std::string(name.begin(), name.end()));
    }
    void OnResizeAnimationEnd() override { events->push_back("resized"); }
    LRESULT OnClose(UINT, WPARAM wParam, LPARAM, BOOL& handled) override {
        events->push_back("close:" + std::to_string(wParam));
        handled = FALSE;
        return 0;
    }
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TIMER || msg == kOwnMessage) {
            events->push_back((msg == WM_TIMER ? "timer:" : "user:") + std::to_string(wParam));
            return 0;
        }
        return WindowImplBase::HandleMessage(msg, wParam, lParam);
    }
    void OnFinalMessage(HWND hWnd) override {
        WindowImplBase::OnFinalMessage(hWnd);
        events->push_back("final");
        delete this;
    }
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        events = &seen;
        duistandin::SetMainThread();
        duistandin::DiscardPending();
        win32standin::UseMockClock();
        folder = testsupport::TempPath("duires");
        std::string layout = folder + "/layout/test";
        ASSERT_EQ(std::system(("mkdir -p " + layout).c_str()), 0);
        std::ofstream(layout + "/window.xml")
            << R"(<Window size="300,100"><VerticalLayout><Button name="go" height="20"/></VerticalLayout></Window>)";
        CPaintManagerUI::SetResourcePath(std::wstring(folder.begin(), folder.end()).c_str());
        window = new TestWindow;
        hwnd = window->Create(nullptr, L"test", WS_POPUP, WS_EX_TOOLWINDOW);
    }
    void TearDown() override {
        if (IsWindow(hwnd)) {
            DestroyWindow(hwnd);
        }
        duistandin::DiscardPending();
        win32standin::UseRealClock();
        events = nullptr;
    }
    std::vector<std::string> seen;
    std::string folder;
    TestWindow* window = nullptr;
    HWND hwnd = nullptr;
};

TEST_F(WindowTest, CreatedFromItsSkinHiddenAndSizedByItClosedOnTheLoop) {
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"init:1"}));
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.right - rc.left, 300);
    EXPECT_EQ(rc.bottom - rc.top, 100);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_NE(window->GetPaintManager()->FindControl(L"go"), nullptr);
    window->SetIcon(167);
    EXPECT_EQ(win32standin::WindowIconResource(hwnd), 167);

    // Close runs OnClose, then the destruction, then the final message, on the loop.
    PostMessageW(hwnd, kOwnMessage, 7, 0);
    window->Close(3);
    EXPECT_TRUE(IsWindow(hwnd));
    duistandin::RunUntilIdle();
    EXPECT_EQ(seen, (std::vector<std::string>{"init:1", "user:7", "close:3", "final"}));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(PostMessageW(hwnd, kOwnMessage, 0, 0));
}

TEST_F(WindowTest, TimersTickOnTheClockUntilKilledAndClicksReachTheMap) {
    SetCoalescableTimer(hwnd, 5, 100, nullptr, 0);
    duistandin::AdvanceTime(250);
    KillTimer(hwnd, 5);
    duistandin::AdvanceTime(1000);
    duistandin::Click(window->GetPaintManager()->FindControl(L"go"));
    EXPECT_EQ(seen, (std::vector<std::string>{"init:1", "timer:5", "timer:5", "click:go"}));
}

TEST_F(WindowTest, ResizeAtOnceOrAnimatedKeepingTheBottomEdge) {
    SetWindowPos(hwnd, nullptr, 100, 500, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    window->Resize(300, 160, 4);
    duistandin::AdvanceTime(WindowImplBase::kResizeAnimationMs / 2);
    RECT mid{};
    GetWindowRect(hwnd, &mid);
    EXPECT_GT(mid.bottom - mid.top, 100);
    EXPECT_LT(mid.bottom - mid.top, 160);
    duistandin::AdvanceTime(WindowImplBase::kResizeAnimationMs);
    RECT end{};
    GetWindowRect(hwnd, &end);
    EXPECT_EQ((std::vector<LONG>{end.top, end.bottom}), (std::vector<LONG>{440, 600}));
    EXPECT_EQ(seen.back(), "resized");
    window->Resize(300, 80, 0);
    GetWindowRect(hwnd, &end);
    EXPECT_EQ(end.bottom - end.top, 80);
    EXPECT_EQ(window->GetPaintManager()->GetClientSize().cy, 80);
}

}  // namespace

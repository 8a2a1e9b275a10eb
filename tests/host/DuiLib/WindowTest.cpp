// Windows of the toolkit: resizing at once or animated on mock time.
#include "TempPath.h"
#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <UIlib.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace DuiLib;

class TestWindow : public WindowImplBase {
public:
    const wchar_t* GetWindowClassName() const override { return L"TestWindow"; }
    CDuiString GetSkinFile() override { return L"../../res/layout/test/window.xml"; }
    void OnResizeAnimationEnd() override { ++resizeEnds; }
    void OnFinalMessage(HWND hWnd) override {
        WindowImplBase::OnFinalMessage(hWnd);
        delete this;
    }
    int resizeEnds = 0;
};

class WindowTest : public testsupport::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        folder = testsupport::TempPath("duires");
        std::string layout = folder + "/layout/test";
        ASSERT_EQ(std::system(("mkdir -p " + layout).c_str()), 0);
        std::ofstream(layout + "/window.xml")
            << R"(<Window size="300,100"><VerticalLayout/></Window>)";
        CPaintManagerUI::SetResourcePath(std::wstring(folder.begin(), folder.end()).c_str());
        window = new TestWindow;
        hwnd = window->Create(nullptr, L"test", WS_POPUP, WS_EX_TOOLWINDOW);
    }
    void TearDown() override {
        if (IsWindow(hwnd)) {
            DestroyWindow(hwnd);
        }
        UiTest::TearDown();
    }
    std::string folder;
    TestWindow* window = nullptr;
    HWND hwnd = nullptr;
};

TEST_F(WindowTest, ResizeAtOnceOrAnimatedKeepingTheBottomEdge) {
    SetWindowPos(hwnd, nullptr, 100, 500, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    window->Resize(300, 160, 4);
    duistandin::AdvanceTime(WindowImplBase::kResizeAnimationMs / 2);
    RECT mid{};
    GetWindowRect(hwnd, &mid);
    EXPECT_GT(mid.bottom - mid.top, 100);
    EXPECT_LT(mid.bottom - mid.top, 160);
    EXPECT_EQ(window->resizeEnds, 0);
    duistandin::AdvanceTime(WindowImplBase::kResizeAnimationMs);
    RECT end{};
    GetWindowRect(hwnd, &end);
    EXPECT_EQ((std::vector<LONG>{end.top, end.bottom}), (std::vector<LONG>{440, 600}));
    EXPECT_EQ(window->resizeEnds, 1);
    window->Resize(300, 80, 0);
    GetWindowRect(hwnd, &end);
    EXPECT_EQ(end.bottom - end.top, 80);
    EXPECT_EQ(window->GetPaintManager()->GetClientSize().cy, 80);
}

}  // namespace

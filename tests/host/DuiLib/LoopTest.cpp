// The UI loop's timed tasks on mock time (AdvanceTime runs them in time order, each with the clock
// at its due time, together with the tasks they queue or schedule on the way), and the value
// animations and window resizing driven by them.
#include "TempPath.h"
#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <UIlib.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace DuiLib;

class LoopTest : public testsupport::UiTest, public IAnimationCallback {
protected:
    void SetUp() override {
        UiTest::SetUp();
        start = GetTickCount64();
        animation.SetCallback(this);
    }
    void Record(const std::string& what) {
        seen.push_back(what + "@" + std::to_string(GetTickCount64() - start));
    }
    void OnAnimationValue(VariantAnimation*, const Variant& value) override {
        values.push_back(value.ToDouble());
    }
    void OnAnimationEnd(VariantAnimation*) override { ends.push_back(GetTickCount64() - start); }

    uint64_t start = 0;
    std::vector<std::string> seen;
    std::vector<double> values;
    std::vector<uint64_t> ends;
    VariantAnimation animation;
};

TEST_F(LoopTest, AdvanceTimeRunsDueTasksInTimeOrderAtTheirDueTime) {
    duistandin::ScheduleAt(start + 300, [this] { Record("c"); });
    duistandin::ScheduleAt(start + 100, [this] {
        Record("a");
        // A task it queues runs at once; one it schedules within the window runs in order.
        UIMainQueue::getInstance()->dispatch([this] { Record("queued"); });
        duistandin::ScheduleAt(GetTickCount64() + 150, [this] { Record("b"); });
    });
    duistandin::ScheduleAt(start + 300, [this] { Record("c2"); });  // same time: FIFO
    const auto cancelled = duistandin::ScheduleAt(start + 200, [this] { Record("x"); });
    duistandin::ScheduleAt(start + 1000, [this] { Record("late"); });
    duistandin::CancelScheduled(cancelled);

    duistandin::AdvanceTime(999);
    EXPECT_EQ(seen, (std::vector<std::string>{"a@100", "queued@100", "b@250", "c@300", "c2@300"}));
    EXPECT_EQ(GetTickCount64(), start + 999);
    duistandin::AdvanceTime(1);
    EXPECT_EQ(seen.back(), "late@1000");
}

TEST_F(LoopTest, IntegerAnimationValuesTruncateAndTheEndComesOnceAtTheDuration) {
    animation.SetDuration(100);
    animation.SetStartValue(0);
    animation.SetEndValue(-10);
    EXPECT_TRUE(animation.Start());
    EXPECT_FALSE(animation.Start());
    duistandin::AdvanceTime(1000);
    // Frames at 16, 32, ... 96 and the last at 100.
    EXPECT_EQ(values, (std::vector<double>{-1, -3, -4, -6, -8, -9, -10}));
    EXPECT_EQ(ends, (std::vector<uint64_t>{100}));
    EXPECT_FALSE(animation.IsRunning());
}

TEST_F(LoopTest, AnimationLoopCountZeroRepeatsUntilStoppedAndStopGivesNoEnd) {
    animation.SetDuration(32);
    animation.SetLoopCount(0);
    animation.SetStartValue(0.0);
    animation.SetEndValue(1.0);
    animation.SetEasingCurve(VariantAnimation::kInOutQuad);
    animation.Start();
    duistandin::AdvanceTime(32 * 5);
    EXPECT_EQ(values.size(), 10u);
    EXPECT_DOUBLE_EQ(values[0], 0.5);  // half way through the in-out curve
    EXPECT_DOUBLE_EQ(values[1], 1.0);
    animation.Stop();
    duistandin::AdvanceTime(1000);
    EXPECT_EQ(values.size(), 10u);
    EXPECT_TRUE(ends.empty());
}

TEST_F(LoopTest, TimerWithoutValuesEndsAfterItsLoopsAndDestructionCancelsIt) {
    animation.SetDuration(1200);
    animation.SetLoopCount(2);
    animation.Start();
    duistandin::AdvanceTime(5000);
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(ends, (std::vector<uint64_t>{2400}));
    {
        VariantAnimation gone(nullptr, this);
        gone.SetDuration(10);
        gone.Start();
    }
    duistandin::AdvanceTime(100);
    EXPECT_EQ(ends.size(), 1u);
}

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

// Value animations on mock time: values in the start value's type, loops, stop without end.
#include <DuiLibStandIn.h>
#include <UIlib.h>
#include <Win32StandIn.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace DuiLib;

class Recorder : public IAnimationCallback {
public:
    void OnAnimationValue(VariantAnimation*, const Variant& value) override {
        values.push_back(value.ToDouble());
    }
    void OnAnimationEnd(VariantAnimation*) override { ends.push_back(GetTickCount64() - start); }
    uint64_t start = 0;
    std::vector<double> values;
    std::vector<uint64_t> ends;
};

class AnimationTest : public ::testing::Test {
protected:
    void SetUp() override {
        duistandin::SetMainThread();
        duistandin::DiscardPending();
        win32standin::UseMockClock();
        recorder.start = GetTickCount64();
        animation.SetCallback(&recorder);
    }
    void TearDown() override {
        duistandin::DiscardPending();
        win32standin::UseRealClock();
    }
    Recorder recorder;
    VariantAnimation animation;
};

TEST_F(AnimationTest, IntegerValuesTruncateAndTheEndComesOnceAtTheDuration) {
    animation.SetDuration(100);
    animation.SetStartValue(0);
    animation.SetEndValue(-10);
    EXPECT_TRUE(animation.Start());
    EXPECT_FALSE(animation.Start());
    duistandin::AdvanceTime(1000);
    // Frames at 16, 32, ... 96 and the last at 100.
    EXPECT_EQ(recorder.values, (std::vector<double>{-1, -3, -4, -6, -8, -9, -10}));
    EXPECT_EQ(recorder.ends, (std::vector<uint64_t>{100}));
    EXPECT_FALSE(animation.IsRunning());
}

TEST_F(AnimationTest, LoopCountZeroRepeatsUntilStoppedAndStopGivesNoEnd) {
    animation.SetDuration(32);
    animation.SetLoopCount(0);
    animation.SetStartValue(0.0);
    animation.SetEndValue(1.0);
    animation.SetEasingCurve(VariantAnimation::kInOutQuad);
    animation.Start();
    duistandin::AdvanceTime(32 * 5);
    EXPECT_EQ(recorder.values.size(), 10u);
    EXPECT_DOUBLE_EQ(recorder.values[0], 0.5);  // half way through the in-out curve
    EXPECT_DOUBLE_EQ(recorder.values[1], 1.0);
    animation.Stop();
    duistandin::AdvanceTime(1000);
    EXPECT_EQ(recorder.values.size(), 10u);
    EXPECT_TRUE(recorder.ends.empty());
    EXPECT_EQ(duistandin::ScheduledCount(), 0u);
}

TEST_F(AnimationTest, TimerWithoutValuesEndsAfterItsLoopsAndDestructionCancelsIt) {
    animation.SetDuration(1200);
    animation.SetLoopCount(2);
    animation.Start();
    duistandin::AdvanceTime(5000);
    EXPECT_TRUE(recorder.values.empty());
    EXPECT_EQ(recorder.ends, (std::vector<uint64_t>{2400}));
    {
        VariantAnimation gone(nullptr, &recorder);
        gone.SetDuration(10);
        gone.Start();
    }
    duistandin::AdvanceTime(100);
    EXPECT_EQ(recorder.ends.size(), 1u);
}

}  // namespace

// Timed tasks of the UI loop on mock time: AdvanceTime runs them in time order, each with the
// clock at its due time, together with the tasks they queue or schedule on the way.
#include <DuiLibStandIn.h>
#include <UIlib.h>
#include <Win32StandIn.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TimedTaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        duistandin::SetMainThread();
        duistandin::DiscardPending();
        win32standin::UseMockClock();
        start = GetTickCount64();
    }
    void TearDown() override {
        duistandin::DiscardPending();
        win32standin::UseRealClock();
    }
    void Record(const std::string& what) {
        seen.push_back(what + "@" + std::to_string(GetTickCount64() - start));
    }
    uint64_t start = 0;
    std::vector<std::string> seen;
};

TEST_F(TimedTaskTest, AdvanceTimeRunsDueTasksInTimeOrderAtTheirDueTime) {
    duistandin::ScheduleAt(start + 300, [this] { Record("c"); });
    duistandin::ScheduleAt(start + 100, [this] {
        Record("a");
        // A task it queues runs at once; one it schedules within the window runs in order.
        DuiLib::UIMainQueue::getInstance()->dispatch([this] { Record("queued"); });
        duistandin::ScheduleAt(GetTickCount64() + 150, [this] { Record("b"); });
    });
    duistandin::ScheduleAt(start + 300, [this] { Record("c2"); });  // same time: FIFO
    const auto cancelled = duistandin::ScheduleAt(start + 200, [this] { Record("x"); });
    duistandin::ScheduleAt(start + 1000, [this] { Record("late"); });
    duistandin::CancelScheduled(cancelled);

    duistandin::AdvanceTime(999);
    EXPECT_EQ(seen, (std::vector<std::string>{"a@100", "queued@100", "b@250", "c@300", "c2@300"}));
    EXPECT_EQ(GetTickCount64(), start + 999);
    EXPECT_EQ(duistandin::ScheduledCount(), 1u);
    duistandin::AdvanceTime(1);
    EXPECT_EQ(seen.back(), "late@1000");
    EXPECT_EQ(duistandin::ScheduledCount(), 0u);
}

TEST_F(TimedTaskTest, RunUntilIdleRunsOnlyWhatIsDue) {
    duistandin::ScheduleAt(start, [this] { Record("due"); });
    duistandin::ScheduleAt(start + 1, [this] { Record("later"); });
    EXPECT_EQ(duistandin::RunUntilIdle(), 1u);
    EXPECT_EQ(seen, (std::vector<std::string>{"due@0"}));
}

}  // namespace

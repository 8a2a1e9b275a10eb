#include <DuiLibStandIn.h>
#include <UIlib.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

class UIMainQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        duistandin::SetMainThread();
        duistandin::DiscardPending();
    }
};

TEST_F(UIMainQueueTest, TasksRunOnlyInsideTheLoopInDispatchOrderIncludingNestedOnes) {
    std::vector<int> order;
    auto* queue = DuiLib::UIMainQueue::getInstance();
    queue->dispatch([&] {
        order.push_back(1);
        queue->dispatch([&] { order.push_back(3); });
    });
    queue->dispatch([&] { order.push_back(2); });
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(duistandin::RunUntilIdle(), 3u);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(duistandin::PendingTasks(), 0u);
}

TEST_F(UIMainQueueTest, OnlyTheBoundThreadIsTheMainThread) {
    EXPECT_TRUE(DuiLib::CPaintManagerUI::IsMainThread());
    bool onOther = true;
    std::thread other([&] { onOther = DuiLib::CPaintManagerUI::IsMainThread(); });
    other.join();
    EXPECT_FALSE(onOther);
}

TEST_F(UIMainQueueTest, TasksFromOtherThreadsRunOnTheMainThread) {
    std::atomic<int> ranOnMain{0};
    std::vector<std::thread> posters;
    for (int i = 0; i < 4; ++i) {
        posters.emplace_back([&] {
            DuiLib::UIMainQueue::getInstance()->dispatch(
                [&] { ranOnMain += DuiLib::CPaintManagerUI::IsMainThread() ? 1 : 0; });
        });
    }
    EXPECT_TRUE(duistandin::RunUntil([&] { return ranOnMain == 4; }, std::chrono::seconds(5)));
    for (auto& poster : posters) {
        poster.join();
    }
}

TEST_F(UIMainQueueTest, RunUntilGivesUpAfterItsTimeout) {
    EXPECT_FALSE(duistandin::RunUntil([] { return false; }, std::chrono::milliseconds(20)));
}

}  // namespace

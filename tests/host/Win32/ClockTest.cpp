// The one clock: mock time moves GetTickCount64 and _time64 together, and every kind of timed
// wait (events, Sleep, condition variables) ends exactly when mock time reaches its deadline.
#include <TimedWait.h>
#include <Win32StandIn.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

using namespace std::chrono_literals;

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

}  // namespace

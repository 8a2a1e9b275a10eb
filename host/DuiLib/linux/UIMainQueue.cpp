#include "DuiLibStandIn.h"
#include "UIlib.h"

#include <Win32StandIn.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace {

struct Loop {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<std::function<void()>> tasks;
    // Timed tasks by (due time, id): equal due times run in the order they were scheduled.
    std::map<std::pair<uint64_t, uint64_t>, std::function<void()>> timed;
    uint64_t nextTimedId = 1;
    std::thread::id mainThread;
    bool mainThreadSet = false;
};

Loop& TheLoop() {
    // Left alive at exit: detached threads may still dispatch while the process ends.
    static Loop* loop = new Loop;
    return *loop;
}

void BindDefaultMainThread(Loop& loop) {
    if (!loop.mainThreadSet) {
        loop.mainThread = std::this_thread::get_id();
        loop.mainThreadSet = true;
    }
}

// Runs the first queued task, or else the first timed task due by NOW_MS.
bool RunOne(Loop& loop, uint64_t nowMs) {
    std::function<void()> task;
    {
        std::lock_guard<std::mutex> guard(loop.mutex);
        if (!loop.tasks.empty()) {
            task = std::move(loop.tasks.front());
            loop.tasks.pop_front();
        } else if (!loop.timed.empty() && loop.timed.begin()->first.first <= nowMs) {
            task = std::move(loop.timed.begin()->second);
            loop.timed.erase(loop.timed.begin());
        } else {
            return false;
        }
    }
    if (task) {
        task();
    }
    return true;
}

bool NextDue(Loop& loop, uint64_t& dueMs) {
    std::lock_guard<std::mutex> guard(loop.mutex);
    if (loop.timed.empty()) {
        return false;
    }
    dueMs = loop.timed.begin()->first.first;
    return true;
}

}  // namespace

namespace DuiLib {

UIMainQueue* UIMainQueue::getInstance() {
    static UIMainQueue instance;
    return &instance;
}

void UIMainQueue::dispatch(std::function<void()> task) {
    Loop& loop = TheLoop();
    {
        std::lock_guard<std::mutex> guard(loop.mutex);
        loop.tasks.push_back(std::move(task));
    }
    loop.arrived.notify_all();
}

bool CPaintManagerUI::IsMainThread() {
    Loop& loop = TheLoop();
    std::lock_guard<std::mutex> guard(loop.mutex);
    BindDefaultMainThread(loop);
    return loop.mainThread == std::this_thread::get_id();
}

}  // namespace DuiLib

namespace duistandin {

void SetMainThread() {
    Loop& loop = TheLoop();
    std::lock_guard<std::mutex> guard(loop.mutex);
    loop.mainThread = std::this_thread::get_id();
    loop.mainThreadSet = true;
}

size_t RunUntilIdle() {
    Loop& loop = TheLoop();
    size_t count = 0;
    while (RunOne(loop, win32standin::ClockNowMs())) {
        ++count;
    }
    return count;
}

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
              std::chrono::milliseconds poll) {
    Loop& loop = TheLoop();
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        while (RunOne(loop, win32standin::ClockNowMs())) {
            if (done()) {
                return true;
            }
        }
        if (done()) {
            return true;
        }
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return false;
        }
        std::chrono::steady_clock::duration wait =
            std::min<std::chrono::steady_clock::duration>(poll, deadline - now);
        uint64_t dueMs = 0;
        if (!win32standin::IsMockClock() && NextDue(loop, dueMs)) {
            const uint64_t clockNow = win32standin::ClockNowMs();
            wait = std::min<std::chrono::steady_clock::duration>(
                wait, std::chrono::milliseconds(dueMs > clockNow ? dueMs - clockNow : 0));
        }
        std::unique_lock<std::mutex> lock(loop.mutex);
        loop.arrived.wait_for(lock, wait, [&loop] { return !loop.tasks.empty(); });
    }
}

void AdvanceTime(uint64_t milliseconds) {
    Loop& loop = TheLoop();
    const uint64_t target = win32standin::ClockNowMs() + milliseconds;
    RunUntilIdle();
    uint64_t dueMs = 0;
    while (NextDue(loop, dueMs) && dueMs <= target) {
        win32standin::SetClock(dueMs);
        RunUntilIdle();
    }
    win32standin::SetClock(target);
    RunUntilIdle();
}

TimedTaskId ScheduleAt(uint64_t dueMs, std::function<void()> task) {
    Loop& loop = TheLoop();
    TimedTaskId id;
    {
        std::lock_guard<std::mutex> guard(loop.mutex);
        id = loop.nextTimedId++;
        loop.timed.emplace(std::make_pair(dueMs, id), std::move(task));
    }
    loop.arrived.notify_all();
    return id;
}

void CancelScheduled(TimedTaskId id) {
    std::function<void()> dropped;
    Loop& loop = TheLoop();
    std::lock_guard<std::mutex> guard(loop.mutex);
    for (auto it = loop.timed.begin(); it != loop.timed.end(); ++it) {
        if (it->first.second == id) {
            dropped = std::move(it->second);
            loop.timed.erase(it);
            return;
        }
    }
}

size_t PendingTasks() {
    Loop& loop = TheLoop();
    std::lock_guard<std::mutex> guard(loop.mutex);
    return loop.tasks.size();
}

void DiscardPending() {
    std::deque<std::function<void()>> dropped;
    std::map<std::pair<uint64_t, uint64_t>, std::function<void()>> droppedTimed;
    Loop& loop = TheLoop();
    std::lock_guard<std::mutex> guard(loop.mutex);
    dropped.swap(loop.tasks);
    droppedTimed.swap(loop.timed);
}

}  // namespace duistandin

namespace {

// The UI loop is also the message loop of the UI thread's windows: posted messages and window
// timers run on it.
const bool uiLoopInstalled = [] {
    win32standin::SetUiLoop(
        win32standin::UiLoop{[](std::function<void()> task) {
                                 DuiLib::UIMainQueue::getInstance()->dispatch(std::move(task));
                             },
                             [](uint64_t dueMs, std::function<void()> task) {
                                 return duistandin::ScheduleAt(dueMs, std::move(task));
                             },
                             [](uint64_t id) { duistandin::CancelScheduled(id); }});
    return true;
}();

}  // namespace

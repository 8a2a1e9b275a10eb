#include "DuiLibStandIn.h"
#include "UIlib.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

struct Loop {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<std::function<void()>> tasks;
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

bool RunOne(Loop& loop) {
    std::function<void()> task;
    {
        std::lock_guard<std::mutex> guard(loop.mutex);
        if (loop.tasks.empty()) {
            return false;
        }
        task = std::move(loop.tasks.front());
        loop.tasks.pop_front();
    }
    if (task) {
        task();
    }
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
    while (RunOne(loop)) {
        ++count;
    }
    return count;
}

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
              std::chrono::milliseconds poll) {
    Loop& loop = TheLoop();
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        while (RunOne(loop)) {
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
        std::unique_lock<std::mutex> lock(loop.mutex);
        loop.arrived.wait_for(lock,
                              std::min<std::chrono::steady_clock::duration>(poll, deadline - now),
                              [&loop] { return !loop.tasks.empty(); });
    }
}

size_t PendingTasks() {
    Loop& loop = TheLoop();
    std::lock_guard<std::mutex> guard(loop.mutex);
    return loop.tasks.size();
}

void DiscardPending() {
    std::deque<std::function<void()>> dropped;
    Loop& loop = TheLoop();
    std::lock_guard<std::mutex> guard(loop.mutex);
    dropped.swap(loop.tasks);
}

}  // namespace duistandin

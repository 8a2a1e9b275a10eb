// The UI thread's queue on Windows: tasks wait in a list and a message to a message-only window
// of the UI thread runs them there; timed tasks are window timers of that window.
#include "DuiLibStandIn.h"
#include "UIlib.h"

#include <deque>
#include <map>
#include <mutex>
#include <utility>

namespace {

constexpr UINT kRunTasks = WM_APP + 0x51;
constexpr wchar_t kClassName[] = L"DuiLibMainQueue";

struct Queue {
    std::mutex mutex;
    DWORD thread = 0;  // the UI thread, 0 until bound
    HWND window = nullptr;
    std::deque<std::function<void()>> tasks;
    std::map<UINT_PTR, std::function<void()>> timed;
    UINT_PTR nextTimer = 1;
};

Queue& TheQueue() {
    static auto* queue = new Queue;
    return *queue;
}

// Runs the tasks queued so far; returns how many ran.
size_t RunQueued() {
    Queue& queue = TheQueue();
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard<std::mutex> guard(queue.mutex);
        batch.swap(queue.tasks);
    }
    for (auto& task : batch) {
        task();
    }
    return batch.size();
}

LRESULT CALLBACK QueueProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kRunTasks) {
        RunQueued();
        return 0;
    }
    if (msg == WM_TIMER) {
        KillTimer(hwnd, wParam);
        std::function<void()> task;
        {
            Queue& queue = TheQueue();
            std::lock_guard<std::mutex> guard(queue.mutex);
            auto found = queue.timed.find(wParam);
            if (found == queue.timed.end()) {
                return 0;
            }
            task = std::move(found->second);
            queue.timed.erase(found);
        }
        task();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Makes the calling thread the UI thread, with its message-only window. With queue.mutex held.
void BindLocked(Queue& queue) {
    if (queue.thread == GetCurrentThreadId() && queue.window != nullptr) {
        return;
    }
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = &QueueProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = kClassName;
    RegisterClassExW(&cls);  // fails harmlessly when already registered
    if (queue.window != nullptr && queue.thread == GetCurrentThreadId()) {
        DestroyWindow(queue.window);
    }
    queue.thread = GetCurrentThreadId();
    queue.window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   cls.hInstance, nullptr);
    if (!queue.tasks.empty()) {
        PostMessageW(queue.window, kRunTasks, 0, 0);
    }
}

// Handles every message waiting for the calling thread; true when there was one.
bool PumpWaiting() {
    bool any = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        any = true;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return any;
}

}  // namespace

namespace DuiLib {

UIMainQueue* UIMainQueue::getInstance() {
    static UIMainQueue* instance = new UIMainQueue;
    return instance;
}

void UIMainQueue::dispatch(std::function<void()> task) {
    Queue& queue = TheQueue();
    std::lock_guard<std::mutex> guard(queue.mutex);
    if (queue.thread == 0) {
        BindLocked(queue);  // the first user of the queue is the UI thread
    }
    queue.tasks.push_back(std::move(task));
    if (queue.tasks.size() == 1) {
        PostMessageW(queue.window, kRunTasks, 0, 0);
    }
}

bool CPaintManagerUI::IsMainThread() {
    Queue& queue = TheQueue();
    std::lock_guard<std::mutex> guard(queue.mutex);
    if (queue.thread == 0) {
        BindLocked(queue);
    }
    return queue.thread == GetCurrentThreadId();
}

}  // namespace DuiLib

namespace duistandin {

void SetMainThread() {
    StartGdiPlus();
    Queue& queue = TheQueue();
    std::lock_guard<std::mutex> guard(queue.mutex);
    BindLocked(queue);
}

size_t RunUntilIdle() {
    size_t ran = 0;
    do {
        ran += RunQueued();
    } while (PumpWaiting());
    return ran;
}

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
              std::chrono::milliseconds poll) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout.count());
    for (;;) {
        // One message at a time: a window that repaints for ever (an animation whose frames
        // take longer than their interval) never leaves the queue empty.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            if (done() || GetTickCount64() >= end) {
                return done();
            }
        }
        if (done()) {
            return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return done();
        }
        const ULONGLONG wait = std::min<ULONGLONG>(end - now, poll.count());
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(wait), QS_ALLINPUT);
    }
}

TimedTaskId ScheduleAt(uint64_t dueMs, std::function<void()> task) {
    Queue& queue = TheQueue();
    std::lock_guard<std::mutex> guard(queue.mutex);
    if (queue.thread == 0) {
        BindLocked(queue);
    }
    const UINT_PTR id = queue.nextTimer++;
    const ULONGLONG now = GetTickCount64();
    const UINT delay = dueMs > now ? static_cast<UINT>(dueMs - now) : 0;
    queue.timed[id] = std::move(task);
    SetTimer(queue.window, id, delay, nullptr);
    return id;
}

void CancelScheduled(TimedTaskId id) {
    Queue& queue = TheQueue();
    std::lock_guard<std::mutex> guard(queue.mutex);
    if (queue.timed.erase(static_cast<UINT_PTR>(id)) != 0) {
        KillTimer(queue.window, static_cast<UINT_PTR>(id));
    }
}

size_t PendingTasks() {
    Queue& queue = TheQueue();
    std::lock_guard<std::mutex> guard(queue.mutex);
    return queue.tasks.size();
}

void DiscardPending() {
    Queue& queue = TheQueue();
    std::lock_guard<std::mutex> guard(queue.mutex);
    queue.tasks.clear();
    for (const auto& entry : queue.timed) {
        KillTimer(queue.window, entry.first);
    }
    queue.timed.clear();
}

}  // namespace duistandin

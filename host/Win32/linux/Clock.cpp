// The one clock of the process, and the timed waits built on it.
#include "TimedWait.h"
#include "Win32StandIn.h"

#include <chrono>
#include <condition_variable>
#include <algorithm>
#include <ctime>
#include <list>
#include <memory>
#include <mutex>

namespace {

// A condition variable of the product's, waiting under mock time. The clock wakes it on every
// move. Lock order: the slot's mutex before the waiter's own; the waiter never holds its own
// mutex while it takes the slot's, and the clock holds neither while it takes a slot's.
struct WaitSlot {
    std::mutex mutex;
    bool active = true;
    std::condition_variable* cv;
    std::mutex* userMutex;
    // Guarded by *userMutex: the clock moved and the waiter has not yet seen it; the waiter is
    // on its way out.
    bool clockMoved = false;
    bool leaving = false;
    std::condition_variable seen;
};

struct Clock {
    std::mutex mutex;
    std::condition_variable changed;
    bool mock = false;
    uint64_t mockNowMs = win32standin::kMockClockStartMs;
    std::list<std::shared_ptr<WaitSlot>> slots;
    size_t timedWaiters = 0;  // in ClockWaitUntil with a deadline, or in WaitFor under mock time
    uint64_t timedWaitsBegun = 0;
};

// Counts a timed waiter for as long as it lives; the clock's lock is held on both ends.
class TimedWaiter {
public:
    TimedWaiter(Clock& clock, bool counts) : clock_(clock), counts_(counts) {
        if (counts_) {
            ++clock_.timedWaiters;
            ++clock_.timedWaitsBegun;
            clock_.changed.notify_all();
        }
    }
    ~TimedWaiter() {
        if (counts_) {
            --clock_.timedWaiters;
            clock_.changed.notify_all();
        }
    }

private:
    Clock& clock_;
    bool counts_;
};

Clock& TheClock() {
    // Left alive at exit: detached threads may still wait on it while the process ends.
    static Clock* clock = new Clock;
    return *clock;
}

uint64_t RealNowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint64_t NowLocked(const Clock& clock) { return clock.mock ? clock.mockNowMs : RealNowMs(); }

}  // namespace

namespace win32standin {

void UseMockClock(uint64_t startMs) {
    Clock& clock = TheClock();
    {
        std::lock_guard<std::mutex> guard(clock.mutex);
        clock.mock = true;
        clock.mockNowMs = startMs;
    }
    clock.changed.notify_all();
}

void UseRealClock() {
    Clock& clock = TheClock();
    {
        std::lock_guard<std::mutex> guard(clock.mutex);
        clock.mock = false;
    }
    clock.changed.notify_all();
}

bool IsMockClock() {
    Clock& clock = TheClock();
    std::lock_guard<std::mutex> guard(clock.mutex);
    return clock.mock;
}

uint64_t ClockNowMs() {
    Clock& clock = TheClock();
    std::lock_guard<std::mutex> guard(clock.mutex);
    return NowLocked(clock);
}

void SetClock(uint64_t nowMs) {
    Clock& clock = TheClock();
    std::list<std::shared_ptr<WaitSlot>> slots;
    {
        std::lock_guard<std::mutex> guard(clock.mutex);
        if (!clock.mock || nowMs < clock.mockNowMs) {
            return;
        }
        clock.mockNowMs = nowMs;
        slots = clock.slots;
    }
    clock.changed.notify_all();
    for (const std::shared_ptr<WaitSlot>& slot : slots) {
        std::lock_guard<std::mutex> slotGuard(slot->mutex);
        if (!slot->active) {
            continue;
        }
        // Taken so that the notify cannot fall between the waiter's look at the clock and its
        // wait. The move is handed over only once the waiter has seen it, so that it never
        // merges with a later notify of the waiter's owner.
        std::unique_lock<std::mutex> user(*slot->userMutex);
        if (slot->leaving) {
            continue;
        }
        slot->clockMoved = true;
        slot->cv->notify_all();
        slot->seen.wait(user, [&slot] { return !slot->clockMoved || slot->leaving; });
    }
}

void AdvanceClock(uint64_t milliseconds) { SetClock(ClockNowMs() + milliseconds); }

void WakeTimedWaitsSpuriously() {
    Clock& clock = TheClock();
    std::list<std::shared_ptr<WaitSlot>> slots;
    {
        std::lock_guard<std::mutex> guard(clock.mutex);
        slots = clock.slots;
    }
    for (const std::shared_ptr<WaitSlot>& slot : slots) {
        std::lock_guard<std::mutex> slotGuard(slot->mutex);
        if (!slot->active) {
            continue;
        }
        // With the waiter's mutex held the waiter is inside its wait, so the notify reaches it.
        std::lock_guard<std::mutex> user(*slot->userMutex);
        if (!slot->leaving) {
            slot->cv->notify_all();
        }
    }
}

int64_t ClockCalendarSeconds() {
    Clock& clock = TheClock();
    std::lock_guard<std::mutex> guard(clock.mutex);
    if (clock.mock) {
        return kMockCalendarStart + static_cast<int64_t>(clock.mockNowMs / 1000);
    }
    return static_cast<int64_t>(std::time(nullptr));
}

uint64_t ClockDeadline(DWORD timeoutMs) {
    return timeoutMs == INFINITE ? kNoDeadline : ClockNowMs() + timeoutMs;
}

bool ClockWaitUntil(uint64_t deadlineMs, const std::function<bool()>& ready) {
    Clock& clock = TheClock();
    std::unique_lock<std::mutex> lock(clock.mutex);
    TimedWaiter counted(clock, deadlineMs != kNoDeadline);
    while (true) {
        if (ready()) {
            return true;
        }
        const uint64_t now = NowLocked(clock);
        if (now >= deadlineMs) {
            return false;
        }
        if (clock.mock || deadlineMs == kNoDeadline) {
            clock.changed.wait(lock);
        } else {
            clock.changed.wait_for(lock, std::chrono::milliseconds(deadlineMs - now));
        }
    }
}

uint64_t TimedWaitsBegun() {
    Clock& clock = TheClock();
    std::lock_guard<std::mutex> guard(clock.mutex);
    return clock.timedWaitsBegun;
}

bool WaitForTimedWaits(uint64_t begun, size_t waiting, std::chrono::milliseconds realTimeout) {
    Clock& clock = TheClock();
    std::unique_lock<std::mutex> lock(clock.mutex);
    return clock.changed.wait_for(lock, realTimeout, [&clock, begun, waiting] {
        return clock.timedWaitsBegun >= begun && clock.timedWaiters >= waiting;
    });
}

void ClockWake() {
    Clock& clock = TheClock();
    // Taking the lock orders this wake after a waiter's look at READY: none is lost.
    { std::lock_guard<std::mutex> guard(clock.mutex); }
    clock.changed.notify_all();
}

}  // namespace win32standin

namespace platform {

std::cv_status WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                       std::chrono::milliseconds timeout) {
    Clock& clock = TheClock();
    auto slot = std::make_shared<WaitSlot>();
    slot->cv = &cv;
    slot->userMutex = lock.mutex();
    uint64_t deadline;
    {
        std::unique_lock<std::mutex> guard(clock.mutex);
        if (!clock.mock) {
            guard.unlock();
            return cv.wait_for(lock, timeout);
        }
        deadline = clock.mockNowMs + static_cast<uint64_t>(std::max<int64_t>(0, timeout.count()));
        if (clock.mockNowMs >= deadline) {
            return std::cv_status::timeout;
        }
        clock.slots.push_back(slot);
        ++clock.timedWaiters;
        ++clock.timedWaitsBegun;
        clock.changed.notify_all();
    }
    bool timedOut = false;
    while (true) {
        cv.wait(lock);
        if (!slot->clockMoved) {
            break;  // the owner's notify, or a spurious wake-up: the caller decides
        }
        // Woken by a move of the clock; only the deadline ends the wait then.
        slot->clockMoved = false;
        slot->seen.notify_all();
        std::lock_guard<std::mutex> guard(clock.mutex);
        if (clock.mockNowMs >= deadline) {
            timedOut = true;
            break;
        }
    }
    // Leave the clock's list without holding the caller's mutex (see the lock order above).
    slot->leaving = true;
    slot->seen.notify_all();
    lock.unlock();
    {
        std::lock_guard<std::mutex> slotGuard(slot->mutex);
        slot->active = false;
    }
    {
        std::lock_guard<std::mutex> guard(clock.mutex);
        clock.slots.remove(slot);
        --clock.timedWaiters;
        clock.changed.notify_all();
    }
    lock.lock();
    return timedOut ? std::cv_status::timeout : std::cv_status::no_timeout;
}

}  // namespace platform

ULONGLONG GetTickCount64() { return win32standin::ClockNowMs(); }

void Sleep(DWORD milliseconds) {
    win32standin::ClockWaitUntil(win32standin::ClockDeadline(milliseconds), [] { return false; });
}

__time64_t _time64(__time64_t* out) {
    const __time64_t now = win32standin::ClockCalendarSeconds();
    if (out != nullptr) {
        *out = now;
    }
    return now;
}

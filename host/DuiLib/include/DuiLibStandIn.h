// Controls of the UI toolkit stand-in: which thread is the UI thread, and running its loop.
// Headless and deterministic: tasks and timers only run inside the calls below, on the UI thread.
// Time is the process clock of the Win32 stand-in (real, or mock in tests).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace duistandin {

// Makes the calling thread the UI thread (by default the thread that first used the queue).
void SetMainThread();

// Runs queued tasks and the timed tasks that are due, including those they add, until none is
// left. Returns the number of tasks run. Must be called on the UI thread.
size_t RunUntilIdle();

// Runs tasks and due timed tasks as they arrive until `done` returns true (checked after every
// task and at least every `poll`) or until `timeout` of real time has passed. Returns the result
// of the last `done` call. This is the loop of the demo host; tests use it to wait (boundedly)
// for work that other threads hand to the UI thread.
bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
              std::chrono::milliseconds poll = std::chrono::milliseconds(10));

// Mock time: moves the clock forward by MILLISECONDS, running on the way, in time order, every
// timed task that falls due (the clock set to its due time while it runs) and every queued task
// (run until idle after each step). Must be called on the UI thread.
void AdvanceTime(uint64_t milliseconds);

// Timed tasks: TASK runs on the UI loop once the clock reaches DUE_MS (GetTickCount64 time).
// Window timers and animation steps stand on these. Ids are never reused; cancelling an
// unknown or finished id does nothing.
using TimedTaskId = uint64_t;
TimedTaskId ScheduleAt(uint64_t dueMs, std::function<void()> task);
void CancelScheduled(TimedTaskId id);
size_t ScheduledCount();

// Number of tasks waiting in the queue (timed tasks not counted).
size_t PendingTasks();

// Drops every waiting task and timed task without running it.
void DiscardPending();

}  // namespace duistandin

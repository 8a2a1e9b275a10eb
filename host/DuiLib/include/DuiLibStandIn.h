// Controls of the UI toolkit stand-in: which thread is the UI thread, and running its loop.
// Headless and deterministic: tasks only run inside the calls below, on the UI thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

namespace duistandin {

// Makes the calling thread the UI thread (by default the thread that first used the queue).
void SetMainThread();

// Runs queued tasks, including those they dispatch, until none is left. Returns the number of
// tasks run. Must be called on the UI thread.
size_t RunUntilIdle();

// Runs tasks as they arrive until `done` returns true (checked after every task and at least
// every `poll`) or until `timeout` has passed. Returns the result of the last `done` call.
bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
              std::chrono::milliseconds poll = std::chrono::milliseconds(10));

// Number of tasks waiting.
size_t PendingTasks();

// Drops every waiting task without running it.
void DiscardPending();

}  // namespace duistandin

// A condition-variable wait with a time-out on the process clock. On Windows it is a plain
// `cv.wait_for`; on Linux it follows the stand-in's clock, the one behind GetTickCount64, so that
// a test can move time instead of waiting for it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

// As `cv.wait_for(lock, timeout)`: timeout once the clock has moved TIMEOUT past the call,
// no_timeout when woken by a notify (or spuriously) before that.
std::cv_status WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                       std::chrono::milliseconds timeout);

}  // namespace platform

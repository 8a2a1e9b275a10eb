// The timed wait on Windows: the process clock is the system's.
#include "TimedWait.h"

namespace platform {

std::cv_status WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                       std::chrono::milliseconds timeout) {
    return cv.wait_for(lock, timeout);
}

}  // namespace platform

// The UI thread's task queue.
#pragma once

#include <functional>

namespace DuiLib {

class UIMainQueue {
public:
    static UIMainQueue* getInstance();
    // Runs TASK later on the UI thread; tasks run in the order they were dispatched.
    // Safe to call from any thread, including the UI thread itself.
    void dispatch(std::function<void()> task);

private:
    UIMainQueue() = default;
};

}  // namespace DuiLib

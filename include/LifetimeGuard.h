// Keeps tasks that an object hands to other threads (the UI queue, workers) from running
// after the object is gone.
//
// The owner calls Expire() first thing in its destructor. A wrapped task runs only while the
// owner is alive, and Expire() waits for a wrapped task that is running on another thread, so
// the owner's members stay valid for the whole task.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

class LifetimeGuard {
public:
    LifetimeGuard() : state_(std::make_shared<State>()) {}
    ~LifetimeGuard() { Expire(); }
    LifetimeGuard(const LifetimeGuard&) = delete;
    LifetimeGuard& operator=(const LifetimeGuard&) = delete;

    void Expire() {
        std::lock_guard<std::recursive_mutex> guard(state_->mutex);
        state_->alive = false;
    }

    template <typename Task>
    std::function<void()> Wrap(Task task) const {
        return [state = state_, task = std::move(task)]() mutable {
            std::lock_guard<std::recursive_mutex> guard(state->mutex);
            if (state->alive) {
                task();
            }
        };
    }

private:
    struct State {
        std::recursive_mutex mutex;
        bool alive = true;
    };
    std::shared_ptr<State> state_;
};

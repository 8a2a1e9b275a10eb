// Keeps work that an object hands to other threads (the UI queue, IPC handlers, workers) from
// running after the object is gone. It is the one way this plug-in does so.
//
// Rules:
// - The owner keeps a LifetimeGuard member and calls Expire() first thing in its destructor,
//   before any member that wrapped work touches is destroyed.
// - Wrap(f) gives a callable for any thread. It calls f only while the owner lives, with the
//   arguments it is given; once expired it returns a default value without calling f.
// - Expire() waits for wrapped calls running on other threads, so the owner's members stay
//   valid for the whole call. A wrapped call on the expiring thread itself (the owner destroyed
//   from inside its own task) is not waited for.
// - No lock is held while f runs: it may take any lock, post more work or destroy the owner.
//   The one thing it must not do is wait for the thread that is destroying the owner.
// - PostToUi(guard, task) is the usual hand-over: `task` runs on the UI thread if the owner
//   still lives when it gets there.
#pragma once

#include <UIlib.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

class LifetimeGuard {
public:
    LifetimeGuard() : state_(std::make_shared<State>()) {}
    ~LifetimeGuard() { Expire(); }
    LifetimeGuard(const LifetimeGuard&) = delete;
    LifetimeGuard& operator=(const LifetimeGuard&) = delete;

    void Expire() {
        const std::thread::id self = std::this_thread::get_id();
        std::unique_lock<std::mutex> lock(state_->mutex);
        state_->alive = false;
        state_->idle.wait(lock, [&] {
            return std::all_of(state_->running.begin(), state_->running.end(),
                               [&](std::thread::id id) { return id == self; });
        });
    }

    template <typename F>
    auto Wrap(F f) const {
        return [state = state_, f = std::move(f)](auto&&... args) {
            using Result = decltype(f(std::forward<decltype(args)>(args)...));
            Call call(*state);
            if (!call.entered) {
                return Result();
            }
            return f(std::forward<decltype(args)>(args)...);
        };
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable idle;
        bool alive = true;
        std::vector<std::thread::id> running;  // threads inside a wrapped call
    };

    // Registers the calling thread for the length of one wrapped call.
    struct Call {
        explicit Call(State& state) : state(state) {
            std::lock_guard<std::mutex> lock(state.mutex);
            entered = state.alive;
            if (entered) {
                state.running.push_back(std::this_thread::get_id());
            }
        }
        ~Call() {
            if (!entered) {
                return;
            }
            std::lock_guard<std::mutex> lock(state.mutex);
            auto it =
                std::find(state.running.begin(), state.running.end(), std::this_thread::get_id());
            state.running.erase(it);
            state.idle.notify_all();
        }
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;
        State& state;
        bool entered = false;
    };

    std::shared_ptr<State> state_;
};

// Hands `task` to the UI thread; it runs there only while the owner of `guard` lives.
template <typename Task>
void PostToUi(const LifetimeGuard& guard, Task task) {
    DuiLib::UIMainQueue::getInstance()->dispatch(guard.Wrap(std::move(task)));
}

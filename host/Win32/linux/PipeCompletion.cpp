// The completion thread: one epoll set for the whole process, a table of what waits on each
// socket, and the overlapped reads.
//
// A waiter runs without the table's lock, so that whoever it wakes can go on at once (and, say,
// start the next wait). Unwatch waits until a run of the waiter in progress has returned, so a
// waiter ends at a well-defined moment: after Unwatch nothing of it runs any more. Tokens are
// never reused, so an event that was already on its way for a waiter that has gone finds nothing.
#include "PipeCompletion.h"

#include <sys/epoll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

namespace win32standin {
namespace {

// How long a socket whose waiter ran out of resources rests before it is looked at again. Real
// time on purpose: it paces retries of the system, not a wait of the product's.
constexpr std::chrono::milliseconds kPause{10};

class CompletionThread {
public:
    // The thread, started on first use; null when it can not be started.
    static CompletionThread* Get();

    uint64_t Watch(int fd, Waiter* waiter);
    void Unwatch(uint64_t token);

private:
    explicit CompletionThread(int epollFd) : epollFd_(epollFd) {}
    void Run();
    // Runs the waiter of TOKEN, if it is still watched, and does what it asks.
    void RunWaiter(uint64_t token);
    // With the lock held: watches again the sockets whose pause is over.
    void ResumePaused();

    struct Entry {
        int fd;
        Waiter* waiter;
    };

    const int epollFd_;
    std::mutex mutex_;             // guards the members below; never held while a waiter runs
    std::condition_variable ran_;  // the waiter that ran has returned
    uint64_t running_ = 0;         // the token whose waiter runs now, 0 for none
    std::unordered_map<uint64_t, Entry> entries_;
    std::vector<uint64_t> paused_;
    std::chrono::steady_clock::time_point resumeAt_;
    uint64_t nextToken_ = 1;
};

CompletionThread* CompletionThread::Get() {
    static std::atomic<CompletionThread*> running{nullptr};
    static std::mutex startMutex;
    CompletionThread* thread = running.load(std::memory_order_acquire);
    if (thread != nullptr) {
        return thread;
    }
    std::lock_guard<std::mutex> guard(startMutex);
    thread = running.load(std::memory_order_relaxed);
    if (thread != nullptr) {
        return thread;
    }
    int epollFd = epoll_create1(EPOLL_CLOEXEC);
    if (epollFd < 0) {
        return nullptr;
    }
    // Left alive at exit, as the thread is: pipes may be in use while the process ends. The
    // library is never unloaded (linked with -z nodelete), so the thread's code stays.
    thread = new CompletionThread(epollFd);
    try {
        std::thread(&CompletionThread::Run, thread).detach();
    } catch (const std::system_error&) {
        close(epollFd);
        delete thread;
        return nullptr;
    }
    running.store(thread, std::memory_order_release);
    return thread;
}

uint64_t CompletionThread::Watch(int fd, Waiter* waiter) {
    std::lock_guard<std::mutex> guard(mutex_);
    const uint64_t token = nextToken_++;
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = token;
    if (epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &event) != 0) {
        return 0;
    }
    entries_.emplace(token, Entry{fd, waiter});
    return token;
}

void CompletionThread::Unwatch(uint64_t token) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto found = entries_.find(token);
    if (found != entries_.end()) {
        epoll_ctl(epollFd_, EPOLL_CTL_DEL, found->second.fd, nullptr);
        entries_.erase(found);
    }
    ran_.wait(lock, [this, token] { return running_ != token; });
}

void CompletionThread::RunWaiter(uint64_t token) {
    Waiter* waiter = nullptr;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        auto found = entries_.find(token);
        if (found == entries_.end()) {
            return;  // unwatched after the event was reported
        }
        waiter = found->second.waiter;
        running_ = token;
    }
    const Waiter::Next next = waiter->Ready();
    {
        std::lock_guard<std::mutex> guard(mutex_);
        auto found = entries_.find(token);
        if (found != entries_.end()) {
            switch (next) {
                case Waiter::Next::kWatch:
                    break;
                case Waiter::Next::kDone:
                    epoll_ctl(epollFd_, EPOLL_CTL_DEL, found->second.fd, nullptr);
                    entries_.erase(found);
                    break;
                case Waiter::Next::kPause: {
                    epoll_event rest{};
                    rest.data.u64 = token;
                    epoll_ctl(epollFd_, EPOLL_CTL_MOD, found->second.fd, &rest);
                    if (paused_.empty()) {
                        resumeAt_ = std::chrono::steady_clock::now() + kPause;
                    }
                    paused_.push_back(token);
                    break;
                }
            }
        }
    }
    if (next == Waiter::Next::kDone) {
        waiter->Ended();
    }
    {
        std::lock_guard<std::mutex> guard(mutex_);
        running_ = 0;
    }
    ran_.notify_all();
}

void CompletionThread::ResumePaused() {
    for (uint64_t token : paused_) {
        auto found = entries_.find(token);
        if (found != entries_.end()) {
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.u64 = token;
            epoll_ctl(epollFd_, EPOLL_CTL_MOD, found->second.fd, &event);
        }
    }
    paused_.clear();
}

void CompletionThread::Run() {
    epoll_event events[32];
    int timeoutMs = -1;
    while (true) {
        const int count = epoll_wait(epollFd_, events, 32, timeoutMs);
        for (int i = 0; i < count; ++i) {
            RunWaiter(events[i].data.u64);
        }
        std::lock_guard<std::mutex> guard(mutex_);
        timeoutMs = -1;
        if (!paused_.empty()) {
            const auto now = std::chrono::steady_clock::now();
            if (now >= resumeAt_) {
                ResumePaused();
            } else {
                timeoutMs = static_cast<int>(
                    std::chrono::ceil<std::chrono::milliseconds>(resumeAt_ - now).count());
            }
        }
    }
}

}  // namespace

uint64_t Watch(int fd, Waiter* waiter) {
    CompletionThread* thread = CompletionThread::Get();
    return thread != nullptr ? thread->Watch(fd, waiter) : 0;
}

void Unwatch(uint64_t token) {
    if (token != 0) {
        // A token exists only once the thread does.
        CompletionThread::Get()->Unwatch(token);
    }
}

bool OverlappedRead::Start() {
    token_ = Watch(connection_->Fd(), this);
    return token_ != 0;
}

void OverlappedRead::Abort() {
    Unwatch(token_);
    Complete(ERROR_OPERATION_ABORTED, 0);
}

bool OverlappedRead::Done() {
    std::lock_guard<std::mutex> guard(mutex_);
    return done_;
}

void OverlappedRead::WaitDone() {
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [this] { return done_; });
}

Waiter::Next OverlappedRead::Ready() {
    BOOL result = FALSE;
    if (!connection_->ReadAtHand(buffer_, size_, &read_, messageMode_, &result, &error_)) {
        return Next::kWatch;  // another reader of the handle took it
    }
    return Next::kDone;
}

bool OverlappedRead::Complete(DWORD error, DWORD read) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (done_) {
            return false;
        }
        overlapped->Internal = error;
        overlapped->InternalHigh = read;
        done_ = true;
    }
    finished_.notify_all();
    event_->Set();
    return true;
}

}  // namespace win32standin

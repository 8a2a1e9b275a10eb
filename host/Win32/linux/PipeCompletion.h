// The completion thread of the pipes, and the overlapped reads it completes. Internal to the
// Win32 stand-in.
//
// One thread per process waits (epoll) on every socket the pipes wait for: the listening
// sockets of the bound names and the sockets of pending overlapped reads. When one is ready it
// runs what waited for it, as the system's I/O completion would: a client is handed to an
// instance, a read fills its buffer and OVERLAPPED record and signals the record's event.
#pragma once

#include "KernelObject.h"
#include "PipeConnection.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace win32standin {

// OVERLAPPED.Internal of an operation under way (STATUS_PENDING).
constexpr ULONG_PTR kStatusPending = 0x103;

// What the completion thread waits for on one socket.
class Waiter {
public:
    enum class Next {
        kWatch,  // wait for the socket again
        kDone,   // stop watching it
        kPause,  // out of resources: look again after a moment
    };
    virtual ~Waiter() = default;
    // Runs on the completion thread when the socket is readable or hung up. It may call Watch
    // but not Unwatch.
    virtual Next Ready() = 0;
    // Runs on the completion thread after Ready said kDone, once the socket is no longer
    // watched: what the waiter finishes here may lead its owner to watch the socket again.
    virtual void Ended() {}
};

// Starts waiting on FD for WAITER, until Unwatch or until Ready says kDone. The token, or 0
// when the completion thread can not be started.
uint64_t Watch(int fd, Waiter* waiter);
// Stops the wait of TOKEN (0 and finished ones are ignored). When it returns, the waiter's
// Ready is not running and will not run again: its owner calls this before it frees the waiter
// or closes the socket. Never called on the completion thread, nor holding a lock that a
// waiter's Ready takes.
void Unwatch(uint64_t token);

// An overlapped read that found nothing at hand. The completion thread completes it when a
// piece comes or the writer leaves; a cancel or the close of its instance aborts it.
class OverlappedRead : public Waiter {
public:
    OverlappedRead(LPOVERLAPPED overlapped, std::shared_ptr<Connection> connection,
                   std::shared_ptr<Event> event, char* buffer, DWORD size, bool messageMode)
        : overlapped(overlapped),
          connection_(std::move(connection)),
          event_(std::move(event)),
          buffer_(buffer),
          size_(size),
          messageMode_(messageMode) {}
    ~OverlappedRead() override { Abort(); }
    OverlappedRead(const OverlappedRead&) = delete;
    OverlappedRead& operator=(const OverlappedRead&) = delete;

    // Starts the wait; false when the completion thread can not be started.
    bool Start();
    // Ends the wait and completes the read with ERROR_OPERATION_ABORTED, unless it completed
    // first. Once it returns, nothing writes to the read's record or buffer any more.
    void Abort();
    bool Done();
    void WaitDone();
    Next Ready() override;
    void Ended() override { Complete(error_, read_); }

    const LPOVERLAPPED overlapped;

private:
    // Fills the record and signals the event; false when the read had completed already.
    bool Complete(DWORD error, DWORD read);

    const std::shared_ptr<Connection> connection_;
    const std::shared_ptr<Event> event_;
    char* const buffer_;
    const DWORD size_;
    const bool messageMode_;
    uint64_t token_ = 0;           // set by Start, before the completion thread can see the read
    DWORD error_ = ERROR_SUCCESS;  // what Ready read, for Ended
    DWORD read_ = 0;
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
};

}  // namespace win32standin

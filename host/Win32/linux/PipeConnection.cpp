// Framing of pipe messages on a connected socket: records, pieces, reads and writes.
#include "PipeConnection.h"

#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace win32standin {

DWORD ErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ECONNREFUSED:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
            return ERROR_ACCESS_DENIED;
        case EAGAIN:
            return ERROR_PIPE_BUSY;
        case EPIPE:
        case ECONNRESET:
        case ENOTCONN:
            return ERROR_NO_DATA;
        case ENOMEM:
        case ENOBUFS:
        case EMFILE:
        case ENFILE:
            return ERROR_NOT_ENOUGH_MEMORY;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        default:
            return ERROR_GEN_FAILURE;
    }
}

bool SendFrame(int fd, char kind, const char* data, size_t size, int flags) {
    iovec parts[2] = {{&kind, 1}, {const_cast<char*>(data), size}};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = size > 0 ? 2 : 1;
    while (sendmsg(fd, &message, MSG_NOSIGNAL | flags) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

sockaddr_un SocketAddress(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

Connection::~Connection() {
    close(fd_);
}

void Connection::Shutdown() {
    shutdown(fd_, SHUT_RDWR);
}

Connection::Fill Connection::FillLocked() {
    if (frameOffset_ < frameSize_) {
        return Fill::kPiece;
    }
    frame_.resize(1 + kFragmentBytes);
    bool lookedAgain = false;
    while (true) {
        ssize_t got = recv(fd_, frame_.data(), frame_.size(), MSG_TRUNC | MSG_DONTWAIT);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return Fill::kNothingYet;
        }
        if (got == 0 && !lookedAgain) {
            // A non-blocking receive looks at the queue before it looks for the writer's
            // hang-up, so a record sent just before the writer closed can be reported as the end
            // while it is being queued. Once the hang-up is seen, everything sent before it is
            // queued: one more look tells the end from a record that was on its way.
            lookedAgain = true;
            continue;
        }
        if (got <= 0 || static_cast<size_t>(got) > frame_.size()) {
            // The writer is gone (or wrote a record that is not ours): nothing more comes.
            frameSize_ = frameOffset_ = 0;
            return Fill::kBroken;
        }
        if (frame_[0] == kFrameMore || frame_[0] == kFrameLast) {
            frameSize_ = static_cast<size_t>(got);
            frameOffset_ = 1;
            return Fill::kPiece;
        }
    }
}

BOOL Connection::DeliverLocked(char* buffer, DWORD size, DWORD* read, bool messageMode,
                               DWORD* error) {
    size_t count = std::min<size_t>(size, frameSize_ - frameOffset_);
    if (count > 0) {
        std::memcpy(buffer, frame_.data() + frameOffset_, count);
    }
    frameOffset_ += count;
    *read = static_cast<DWORD>(count);
    bool messageGoesOn = frameOffset_ < frameSize_ || frame_[0] == kFrameMore;
    if (messageMode && messageGoesOn) {
        *error = ERROR_MORE_DATA;
        return FALSE;
    }
    *error = ERROR_SUCCESS;
    return TRUE;
}

bool Connection::ReadAtHand(char* buffer, DWORD size, DWORD* read, bool messageMode, BOOL* result,
                            DWORD* error) {
    std::lock_guard<std::mutex> guard(readMutex_);
    *read = 0;
    switch (FillLocked()) {
        case Fill::kNothingYet:
            return false;
        case Fill::kBroken:
            *result = FALSE;
            *error = ERROR_BROKEN_PIPE;
            return true;
        case Fill::kPiece:
            break;
    }
    *result = DeliverLocked(buffer, size, read, messageMode, error);
    return true;
}

BOOL Connection::Read(char* buffer, DWORD size, DWORD* read, bool messageMode) {
    while (true) {
        BOOL result = FALSE;
        DWORD error = ERROR_SUCCESS;
        if (ReadAtHand(buffer, size, read, messageMode, &result, &error)) {
            if (!result) {
                SetLastError(error);
            }
            return result;
        }
        // Waits without the lock, so that an overlapped read's completion is never held up.
        pollfd watched{fd_, POLLIN, 0};
        int ready;
        do {
            ready = poll(&watched, 1, -1);
        } while (ready < 0 && errno == EINTR);
        if (ready < 0) {
            SetLastError(ERROR_BROKEN_PIPE);
            return FALSE;
        }
    }
}

BOOL Connection::Write(const char* data, DWORD size, DWORD* written) {
    std::lock_guard<std::mutex> guard(writeMutex_);
    wrote_ = true;
    size_t done = 0;
    do {
        size_t count = std::min<size_t>(kFragmentBytes, size - done);
        char kind = done + count < size ? kFrameMore : kFrameLast;
        if (!SendFrame(fd_, kind, data + done, count, 0)) {
            *written = static_cast<DWORD>(done);
            SetLastError(ErrorFromErrno(errno));
            return FALSE;
        }
        done += count;
    } while (done < size);
    *written = size;
    return TRUE;
}

void Connection::Flush() {
    {
        // Nothing written: nothing to wait for, whether or not the client has read the
        // acceptance record (a client that is not ours may never read it).
        std::lock_guard<std::mutex> guard(writeMutex_);
        if (!wrote_) {
            return;
        }
    }
    // What was sent stays charged to this socket until the other end has read it, and is
    // dropped when the other end closes. Nothing signals that moment, so it is looked for.
    int unread = 0;
    while (ioctl(fd_, SIOCOUTQ, &unread) == 0 && unread > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool Connection::PeerGone() const {
    pollfd watched{fd_, POLLRDHUP, 0};
    int ready;
    do {
        ready = poll(&watched, 1, 0);
    } while (ready < 0 && errno == EINTR);
    return ready > 0 && (watched.revents & (POLLHUP | POLLRDHUP)) != 0;
}

}  // namespace win32standin

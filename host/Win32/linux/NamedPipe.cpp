// Named pipes over AF_UNIX SOCK_SEQPACKET sockets.
//
// A pipe name is a socket file in the pipe folder. The first instance of a name in this process
// binds and listens on it; later instances share that binding, and the last one to close removes
// the socket file. A lock file beside the socket, held while the name is bound, tells a server of
// another live process from a socket file left behind by a dead one.
//
// One acceptor thread per bound name takes each connecting client at once and hands it to a
// listening instance, so that, as on Windows, a client is connected as soon as an instance
// exists, even before the server calls ConnectNamedPipe. With no listening instance the client
// is turned away and its CreateFileW fails with ERROR_PIPE_BUSY.
//
// Every socket record starts with one frame byte. A message goes out as records of at most
// kFragmentBytes, the last one marked, so a message may be far larger than the socket buffers.
// The server's first record to a client says whether an instance took it.
//
// An overlapped read that finds no data at hand is completed by a worker thread of its own,
// which waits for the socket or for a cancel.
#include "KernelObject.h"
#include "NamedPipe.h"

#include <linux/sockios.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <system_error>
#include <thread>
#include <vector>

namespace win32standin {
namespace {

constexpr size_t kFragmentBytes = 32 * 1024;
constexpr int kOverlappedReadGraceMs = 2;
constexpr char kFrameMore = 1;       // a piece of a message, more follows
constexpr char kFrameLast = 2;       // the last (or only) piece of a message
constexpr char kFrameAccepted = 16;  // server to client: an instance took you
constexpr char kFrameBusy = 17;      // server to client: no instance is free
constexpr int kAcceptanceWaitMs = 5000;
constexpr DWORD kDefaultWaitMs = 50;
constexpr ULONG_PTR kStatusPending = 0x103;

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
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);  // length checked by the caller
    return address;
}

// One connected socket: a client handle's, or a server instance's while it has a client.
class Connection {
public:
    explicit Connection(int fd) : fd_(fd) {}
    ~Connection() { close(fd_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Wakes blocked reads and writes; the other end sees the pipe broken.
    void Shutdown() { shutdown(fd_, SHUT_RDWR); }
    int Fd() const { return fd_; }
    // True when a Read would not block: a piece is left over, a record waits or the writer left
    // (looking for up to GRACE_MS for a record about to arrive).
    bool ReadWouldNotBlock(int graceMs = 0);
    BOOL Read(char* buffer, DWORD size, DWORD* read, bool messageMode);
    BOOL Write(const char* data, DWORD size, DWORD* written);
    void Flush();

private:
    const int fd_;
    std::mutex readMutex_;
    std::vector<char> frame_;  // the record being delivered: frame byte, then data
    size_t frameSize_ = 0;     // bytes of frame_ received
    size_t frameOffset_ = 0;   // next byte of frame_ to deliver
    std::mutex writeMutex_;
    bool wrote_ = false;  // guarded by writeMutex_: whether Write ever sent a message
};

bool Connection::ReadWouldNotBlock(int graceMs) {
    std::lock_guard<std::mutex> guard(readMutex_);
    if (frameOffset_ < frameSize_) {
        return true;
    }
    pollfd watched{fd_, POLLIN, 0};
    return poll(&watched, 1, graceMs) > 0;
}

BOOL Connection::Read(char* buffer, DWORD size, DWORD* read, bool messageMode) {
    std::lock_guard<std::mutex> guard(readMutex_);
    *read = 0;
    if (frameOffset_ >= frameSize_) {
        frame_.resize(1 + kFragmentBytes);
        while (true) {
            ssize_t got = recv(fd_, frame_.data(), frame_.size(), MSG_TRUNC);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0 || static_cast<size_t>(got) > frame_.size()) {
                // The writer is gone (or wrote a record that is not ours): nothing more comes.
                frameSize_ = frameOffset_ = 0;
                SetLastError(ERROR_BROKEN_PIPE);
                return FALSE;
            }
            if (frame_[0] == kFrameMore || frame_[0] == kFrameLast) {
                frameSize_ = static_cast<size_t>(got);
                frameOffset_ = 1;
                break;
            }
        }
    }
    size_t count = std::min<size_t>(size, frameSize_ - frameOffset_);
    if (count > 0) {
        std::memcpy(buffer, frame_.data() + frameOffset_, count);
    }
    frameOffset_ += count;
    *read = static_cast<DWORD>(count);
    bool messageGoesOn = frameOffset_ < frameSize_ || frame_[0] == kFrameMore;
    if (messageMode && messageGoesOn) {
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    return TRUE;
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
    // dropped when the other end closes.
    int unread = 0;
    while (ioctl(fd_, SIOCOUTQ, &unread) == 0 && unread > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// An overlapped read that had to wait: its worker completes it as the system would, filling
// the OVERLAPPED record and signalling its event.
class PendingRead {
public:
    PendingRead(LPOVERLAPPED overlapped, int cancelFd)
        : overlapped(overlapped), cancelFd_(cancelFd) {}
    ~PendingRead() {
        Cancel();
        if (worker_.joinable()) {
            worker_.join();
        }
        close(cancelFd_);
    }
    PendingRead(const PendingRead&) = delete;
    PendingRead& operator=(const PendingRead&) = delete;

    // False when no worker could be started.
    bool Start(std::shared_ptr<Connection> connection, std::shared_ptr<Event> event, char* buffer,
               DWORD size, bool messageMode);
    void Cancel() {
        uint64_t one = 1;
        while (write(cancelFd_, &one, sizeof(one)) < 0 && errno == EINTR) {
        }
    }
    bool Done() {
        std::lock_guard<std::mutex> guard(mutex_);
        return done_;
    }
    void WaitDone() {
        std::unique_lock<std::mutex> lock(mutex_);
        finished_.wait(lock, [this] { return done_; });
    }

    const LPOVERLAPPED overlapped;

private:
    const int cancelFd_;
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::thread worker_;
};

bool PendingRead::Start(std::shared_ptr<Connection> connection, std::shared_ptr<Event> event,
                        char* buffer, DWORD size, bool messageMode) {
    auto body = [this, connection, event, buffer, size, messageMode] {
        pollfd watched[2] = {{connection->Fd(), POLLIN, 0}, {cancelFd_, POLLIN, 0}};
        while (poll(watched, 2, -1) < 0 && errno == EINTR) {
        }
        DWORD error = ERROR_OPERATION_ABORTED;
        DWORD read = 0;
        if (watched[1].revents == 0) {
            error =
                connection->Read(buffer, size, &read, messageMode) ? ERROR_SUCCESS : GetLastError();
        }
        {
            std::lock_guard<std::mutex> guard(mutex_);
            overlapped->Internal = error;
            overlapped->InternalHigh = read;
            done_ = true;
        }
        finished_.notify_all();
        event->Set();
    };
    try {
        worker_ = std::thread(body);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

class PipeInstance;

// The listening socket of one pipe name, shared by the instances of the name in this process.
class NameBinding {
public:
    // Binds PATH; null with *error set when the name is served elsewhere or can not be bound.
    static std::shared_ptr<NameBinding> Open(const std::string& path, DWORD maxInstances,
                                             DWORD* error);
    NameBinding(std::string path, int lockFd, int listenFd, int wakeFd, DWORD maxInstances)
        : maxInstances(maxInstances),
          path_(std::move(path)),
          lockFd_(lockFd),
          listenFd_(listenFd),
          wakeFd_(wakeFd) {}
    ~NameBinding();
    NameBinding(const NameBinding&) = delete;
    NameBinding& operator=(const NameBinding&) = delete;

    // Called with the registry locked once the binding is in it.
    void MarkRegistered() { registered_ = true; }

    std::mutex mutex;  // guards `instances` and the connection state of every instance
    std::condition_variable changed;       // an instance got a client or lost it
    std::vector<PipeInstance*> instances;  // in creation order
    const DWORD maxInstances;

private:
    void AcceptLoop();

    const std::string path_;
    const int lockFd_;
    const int listenFd_;
    const int wakeFd_;
    std::thread acceptor_;
    bool registered_ = false;
};

// The bound names of this process. An entry whose binding has expired is one being closed:
// a new binding of that name waits until the entry is gone.
struct Registry {
    std::mutex mutex;
    std::condition_variable released;
    std::map<std::string, std::weak_ptr<NameBinding>> bindings;
};

Registry& Bindings() {
    static auto* registry = new Registry;
    return *registry;
}

// A pipe handle of either end.
class PipeEnd : public KernelObject {
public:
    // The connection for a read or a write, or null with the last error set.
    virtual std::shared_ptr<Connection> Usable(bool write) = 0;
    // The connection if there is one.
    virtual std::shared_ptr<Connection> Current() = 0;
    virtual bool MessageReadMode() const = 0;
};

class PipeInstance : public PipeEnd {
public:
    enum class State { kListening, kConnected, kDisconnected };

    PipeInstance(std::shared_ptr<NameBinding> binding, DWORD openMode, DWORD pipeMode)
        : binding_(std::move(binding)), openMode_(openMode), pipeMode_(pipeMode) {}
    ~PipeInstance() override;

    // Adds the instance to its name; false when the name has all the instances it may have.
    bool Join();
    BOOL Connect(LPOVERLAPPED overlapped, std::shared_ptr<Event> event);
    BOOL Disconnect();
    BOOL ReadOverlapped(char* buffer, DWORD size, LPOVERLAPPED overlapped,
                        std::shared_ptr<Event> event, DWORD* bytesRead);
    BOOL OverlappedResult(LPOVERLAPPED overlapped, DWORD* bytes, bool wait);
    BOOL CancelRead(LPOVERLAPPED overlapped);
    std::shared_ptr<Connection> Usable(bool write) override;
    std::shared_ptr<Connection> Current() override;
    bool MessageReadMode() const override { return (pipeMode_ & PIPE_READMODE_MESSAGE) != 0; }

    // Guarded by the binding's mutex.
    State state = State::kListening;
    std::shared_ptr<Connection> connection;
    std::shared_ptr<Event> connectEvent;  // of a pending overlapped ConnectNamedPipe

private:
    const std::shared_ptr<NameBinding> binding_;
    const DWORD openMode_;
    const DWORD pipeMode_;
    std::mutex ioMutex_;                        // guards pendingRead_
    std::shared_ptr<PendingRead> pendingRead_;  // ended and joined with the instance at the latest
};

class PipeClient : public PipeEnd {
public:
    PipeClient(std::shared_ptr<Connection> connection, DWORD access)
        : connection_(std::move(connection)), access_(access) {}
    ~PipeClient() override { connection_->Shutdown(); }

    std::shared_ptr<Connection> Usable(bool write) override {
        if ((access_ & (write ? GENERIC_WRITE : GENERIC_READ)) == 0) {
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        return connection_;
    }
    std::shared_ptr<Connection> Current() override { return connection_; }
    // A client handle starts in byte read mode.
    bool MessageReadMode() const override { return false; }

private:
    const std::shared_ptr<Connection> connection_;
    const DWORD access_;
};

std::shared_ptr<NameBinding> NameBinding::Open(const std::string& path, DWORD maxInstances,
                                               DWORD* error) {
    int lockFd = open(PipeLockPath(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd < 0) {
        *error = errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno);
        return nullptr;
    }
    if (flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        // Another process serves this name.
        *error = errno == EWOULDBLOCK ? ERROR_PIPE_BUSY : ErrorFromErrno(errno);
        close(lockFd);
        return nullptr;
    }
    // Holding the lock, a socket file still there was left by a process that is gone.
    struct stat info;
    if (lstat(path.c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode)) {
            *error = ERROR_ACCESS_DENIED;
            close(lockFd);
            return nullptr;
        }
        unlink(path.c_str());
    }
    int listenFd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address = SocketAddress(path);
    if (listenFd < 0 ||
        bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listenFd, SOMAXCONN) != 0) {
        *error = ErrorFromErrno(errno);
        if (listenFd >= 0) {
            close(listenFd);
            unlink(path.c_str());
        }
        close(lockFd);
        return nullptr;
    }
    int wakeFd = eventfd(0, EFD_CLOEXEC);
    if (wakeFd < 0) {
        *error = ErrorFromErrno(errno);
        close(listenFd);
        unlink(path.c_str());
        close(lockFd);
        return nullptr;
    }
    auto binding = std::make_shared<NameBinding>(path, lockFd, listenFd, wakeFd, maxInstances);
    try {
        binding->acceptor_ = std::thread(&NameBinding::AcceptLoop, binding.get());
    } catch (const std::system_error&) {
        *error = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    return binding;
}

NameBinding::~NameBinding() {
    if (acceptor_.joinable()) {
        uint64_t one = 1;
        while (write(wakeFd_, &one, sizeof(one)) < 0 && errno == EINTR) {
        }
        acceptor_.join();
    }
    // Clients that were still waiting to be taken see the name closed.
    close(listenFd_);
    unlink(path_.c_str());
    close(wakeFd_);
    close(lockFd_);
    if (registered_) {
        Registry& registry = Bindings();
        std::lock_guard<std::mutex> guard(registry.mutex);
        auto found = registry.bindings.find(path_);
        if (found != registry.bindings.end() && found->second.expired()) {
            registry.bindings.erase(found);
        }
        registry.released.notify_all();
    }
}

void NameBinding::AcceptLoop() {
    pollfd watched[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    while (true) {
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (watched[1].revents != 0) {
            return;
        }
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // Out of resources: give the process a moment rather than spin.
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            continue;
        }
        std::lock_guard<std::mutex> guard(mutex);
        auto taker = std::find_if(instances.begin(), instances.end(), [](PipeInstance* instance) {
            return instance->state == PipeInstance::State::kListening;
        });
        if (taker == instances.end()) {
            SendFrame(fd, kFrameBusy, nullptr, 0, MSG_DONTWAIT);
            close(fd);
            continue;
        }
        PipeInstance& instance = **taker;
        instance.connection = std::make_shared<Connection>(fd);
        instance.state = PipeInstance::State::kConnected;
        if (instance.connectEvent) {
            instance.connectEvent->Set();
            instance.connectEvent.reset();
        }
        changed.notify_all();
        // Last, so that the server side is complete when the client's CreateFileW returns.
        SendFrame(fd, kFrameAccepted, nullptr, 0, MSG_DONTWAIT);
    }
}

PipeInstance::~PipeInstance() {
    std::shared_ptr<Connection> old;
    {
        std::lock_guard<std::mutex> guard(binding_->mutex);
        auto& instances = binding_->instances;
        instances.erase(std::remove(instances.begin(), instances.end(), this), instances.end());
        old = std::move(connection);
        connectEvent.reset();
    }
    if (old) {
        old->Shutdown();
    }
}

bool PipeInstance::Join() {
    std::lock_guard<std::mutex> guard(binding_->mutex);
    if (binding_->instances.size() >= binding_->maxInstances) {
        return false;
    }
    binding_->instances.push_back(this);
    return true;
}

BOOL PipeInstance::Connect(LPOVERLAPPED overlapped, std::shared_ptr<Event> event) {
    std::unique_lock<std::mutex> lock(binding_->mutex);
    if (state == State::kConnected) {
        SetLastError(ERROR_PIPE_CONNECTED);
        return FALSE;
    }
    state = State::kListening;
    if (overlapped != nullptr) {
        // As the system does when an overlapped operation starts.
        event->Reset();
        connectEvent = std::move(event);
        overlapped->Internal = kStatusPending;
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }
    binding_->changed.wait(lock, [this] { return state != State::kListening; });
    if (state != State::kConnected) {
        SetLastError(ERROR_PIPE_NOT_CONNECTED);
        return FALSE;
    }
    return TRUE;
}

BOOL PipeInstance::Disconnect() {
    std::shared_ptr<Connection> old;
    {
        std::lock_guard<std::mutex> guard(binding_->mutex);
        old = std::move(connection);
        state = State::kDisconnected;
        connectEvent.reset();
        binding_->changed.notify_all();
    }
    if (old) {
        old->Shutdown();
    }
    return TRUE;
}

BOOL PipeInstance::ReadOverlapped(char* buffer, DWORD size, LPOVERLAPPED overlapped,
                                  std::shared_ptr<Event> event, DWORD* bytesRead) {
    if ((openMode_ & FILE_FLAG_OVERLAPPED) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::shared_ptr<Connection> connection = Usable(false);
    if (!connection) {
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(ioMutex_);
    if (pendingRead_) {
        if (!pendingRead_->Done()) {
            SetLastError(ERROR_INVALID_PARAMETER);  // one read at a time
            return FALSE;
        }
        pendingRead_.reset();  // completed, its result never collected
    }
    event->Reset();
    overlapped->Internal = kStatusPending;
    overlapped->InternalHigh = 0;
    // A client writes its request right after it connected: a moment's look for it spares
    // starting a worker for a read that is about to complete anyway.
    if (connection->ReadWouldNotBlock(kOverlappedReadGraceMs)) {
        DWORD read = 0;
        BOOL ok = connection->Read(buffer, size, &read, MessageReadMode());
        DWORD error = ok ? ERROR_SUCCESS : GetLastError();
        overlapped->Internal = error;
        overlapped->InternalHigh = read;
        if (bytesRead != nullptr) {
            *bytesRead = read;
        }
        event->Set();
        SetLastError(error);
        return ok;
    }
    int cancelFd = eventfd(0, EFD_CLOEXEC);
    if (cancelFd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    auto pending = std::make_shared<PendingRead>(overlapped, cancelFd);
    if (!pending->Start(std::move(connection), std::move(event), buffer, size, MessageReadMode())) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    pendingRead_ = std::move(pending);
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

BOOL PipeInstance::OverlappedResult(LPOVERLAPPED overlapped, DWORD* bytes, bool wait) {
    std::shared_ptr<PendingRead> pending;
    {
        std::lock_guard<std::mutex> guard(ioMutex_);
        if (pendingRead_ && pendingRead_->overlapped == overlapped) {
            pending = pendingRead_;
        }
    }
    if (pending) {
        if (!wait && !pending->Done()) {
            SetLastError(ERROR_IO_INCOMPLETE);
            return FALSE;
        }
        pending->WaitDone();
        std::lock_guard<std::mutex> guard(ioMutex_);
        if (pendingRead_ == pending) {
            pendingRead_.reset();
        }
    } else if (overlapped->Internal == kStatusPending) {
        SetLastError(ERROR_IO_INCOMPLETE);
        return FALSE;
    }
    if (bytes != nullptr) {
        *bytes = static_cast<DWORD>(overlapped->InternalHigh);
    }
    const DWORD error = static_cast<DWORD>(overlapped->Internal);
    SetLastError(error);
    return error == ERROR_SUCCESS;
}

BOOL PipeInstance::CancelRead(LPOVERLAPPED overlapped) {
    std::lock_guard<std::mutex> guard(ioMutex_);
    if (!pendingRead_ || (overlapped != nullptr && pendingRead_->overlapped != overlapped) ||
        pendingRead_->Done()) {
        SetLastError(ERROR_NOT_FOUND);
        return FALSE;
    }
    pendingRead_->Cancel();
    return TRUE;
}

std::shared_ptr<Connection> PipeInstance::Usable(bool write) {
    if ((openMode_ & (write ? PIPE_ACCESS_OUTBOUND : PIPE_ACCESS_INBOUND)) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(binding_->mutex);
    switch (state) {
        case State::kConnected:
            return connection;
        case State::kListening:
            SetLastError(ERROR_PIPE_LISTENING);
            return nullptr;
        case State::kDisconnected:
            break;
    }
    SetLastError(ERROR_PIPE_NOT_CONNECTED);
    return nullptr;
}

std::shared_ptr<Connection> PipeInstance::Current() {
    std::lock_guard<std::mutex> guard(binding_->mutex);
    return connection;
}

// The server's first record: whether an instance took this client.
DWORD AwaitAcceptance(int fd) {
    pollfd watched{fd, POLLIN, 0};
    int ready;
    do {
        ready = poll(&watched, 1, kAcceptanceWaitMs);
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) {
        return ERROR_SEM_TIMEOUT;
    }
    char kind = 0;
    if (recv(fd, &kind, 1, MSG_DONTWAIT) == 1 && kind == kFrameAccepted) {
        return ERROR_SUCCESS;
    }
    // Turned away, or the name was closed before an instance took this client.
    return ERROR_PIPE_BUSY;
}

bool ValidPipeModes(DWORD openMode, DWORD pipeMode, DWORD maxInstances) {
    const DWORD knownOpen = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED |
                            FILE_FLAG_FIRST_PIPE_INSTANCE | 0x80000000u /* write-through */;
    const DWORD knownPipe = PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_REJECT_REMOTE_CLIENTS;
    if ((openMode & PIPE_ACCESS_DUPLEX) == 0 || (openMode & ~knownOpen) != 0 ||
        (pipeMode & ~knownPipe) != 0) {
        return false;  // also refuses PIPE_NOWAIT, which the stand-in does not offer
    }
    if ((pipeMode & PIPE_READMODE_MESSAGE) != 0 && (pipeMode & PIPE_TYPE_MESSAGE) == 0) {
        return false;
    }
    return maxInstances >= 1 && maxInstances <= PIPE_UNLIMITED_INSTANCES;
}

}  // namespace
}  // namespace win32standin

using win32standin::Connection;
using win32standin::NameBinding;
using win32standin::PipeClient;
using win32standin::PipeEnd;
using win32standin::PipeInstance;

HANDLE CreateNamedPipeW(LPCWSTR name, DWORD openMode, DWORD pipeMode, DWORD maxInstances,
                        DWORD outBufferSize, DWORD inBufferSize, DWORD defaultTimeOut,
                        LPSECURITY_ATTRIBUTES attributes) {
    win32standin::NamedPipeCreation creation;
    creation.name = name != nullptr ? name : L"";
    creation.openMode = openMode;
    creation.pipeMode = pipeMode;
    creation.maxInstances = maxInstances;
    creation.outBufferSize = outBufferSize;
    creation.inBufferSize = inBufferSize;
    creation.defaultTimeOut = defaultTimeOut;
    const auto* descriptor = static_cast<const SECURITY_DESCRIPTOR*>(
        attributes != nullptr ? attributes->lpSecurityDescriptor : nullptr);
    if (attributes != nullptr) {
        creation.hasAttributes = true;
        creation.attributesLength = attributes->nLength;
        creation.inheritHandle = attributes->bInheritHandle != FALSE;
        creation.hasDescriptor = descriptor != nullptr;
        creation.nullDacl = descriptor != nullptr && (descriptor->Control & SE_DACL_PRESENT) != 0 &&
                            descriptor->Dacl == nullptr;
    }
    if (win32standin::RecordNamedPipeCreation(creation)) {
        SetLastError(ERROR_PIPE_BUSY);
        return INVALID_HANDLE_VALUE;
    }
    if (!win32standin::ValidPipeModes(openMode, pipeMode, maxInstances)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (descriptor != nullptr && descriptor->Revision != SECURITY_DESCRIPTOR_REVISION) {
        SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = win32standin::PipeSocketPath(name);
    if (path.empty()) {
        return INVALID_HANDLE_VALUE;
    }

    std::shared_ptr<NameBinding> binding;
    {
        win32standin::Registry& registry = win32standin::Bindings();
        std::unique_lock<std::mutex> lock(registry.mutex);
        while (true) {
            auto found = registry.bindings.find(path);
            if (found == registry.bindings.end()) {
                break;
            }
            binding = found->second.lock();
            if (binding) {
                break;
            }
            registry.released.wait(lock);
        }
        if (binding && (openMode & FILE_FLAG_FIRST_PIPE_INSTANCE) != 0) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        if (!binding) {
            DWORD error = ERROR_SUCCESS;
            binding = NameBinding::Open(path, maxInstances, &error);
            if (!binding) {
                SetLastError(error);
                return INVALID_HANDLE_VALUE;
            }
            registry.bindings[path] = binding;
            binding->MarkRegistered();
        }
    }
    auto instance = std::make_shared<PipeInstance>(binding, openMode, pipeMode);
    if (!instance->Join()) {
        SetLastError(ERROR_PIPE_BUSY);
        return INVALID_HANDLE_VALUE;
    }
    return win32standin::RegisterHandle(std::move(instance));
}

BOOL ConnectNamedPipe(HANDLE pipe, LPOVERLAPPED overlapped) {
    std::shared_ptr<PipeInstance> instance = win32standin::LookupAs<PipeInstance>(pipe);
    if (!instance) {
        return FALSE;
    }
    std::shared_ptr<win32standin::Event> event;
    if (overlapped != nullptr) {
        event = win32standin::LookupAs<win32standin::Event>(overlapped->hEvent);
        if (!event) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
    }
    return instance->Connect(overlapped, std::move(event));
}

BOOL DisconnectNamedPipe(HANDLE pipe) {
    std::shared_ptr<PipeInstance> instance = win32standin::LookupAs<PipeInstance>(pipe);
    return instance ? instance->Disconnect() : FALSE;
}

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD, HANDLE) {
    // Only pipes are opened here.
    std::string path = win32standin::PipeSocketPath(fileName);
    if (path.empty()) {
        return INVALID_HANDLE_VALUE;
    }
    if (creationDisposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetLastError(win32standin::ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    sockaddr_un address = win32standin::SocketAddress(path);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        SetLastError(win32standin::ErrorFromErrno(errno));
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    DWORD error = win32standin::AwaitAcceptance(fd);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    return win32standin::RegisterHandle(
        std::make_shared<PipeClient>(std::make_shared<Connection>(fd), desiredAccess));
}

BOOL WaitNamedPipeW(LPCWSTR name, DWORD timeOut) {
    std::string path = win32standin::PipeSocketPath(name);
    if (path.empty()) {
        return FALSE;
    }
    if (timeOut == NMPWAIT_USE_DEFAULT_WAIT) {
        timeOut = win32standin::kDefaultWaitMs;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeOut);
    while (true) {
        struct stat info;
        if (stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) {
            return TRUE;
        }
        if (timeOut != NMPWAIT_WAIT_FOREVER && Clock::now() >= deadline) {
            SetLastError(ERROR_SEM_TIMEOUT);
            return FALSE;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped) {
    if (bytesRead != nullptr) {
        *bytesRead = 0;
    }
    if (buffer == nullptr && bytesToRead > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (overlapped != nullptr) {
        std::shared_ptr<PipeInstance> instance = win32standin::LookupAs<PipeInstance>(file);
        std::shared_ptr<win32standin::Event> event =
            win32standin::LookupAs<win32standin::Event>(overlapped->hEvent);
        if (!instance || !event) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        return instance->ReadOverlapped(static_cast<char*>(buffer), bytesToRead, overlapped,
                                        std::move(event), bytesRead);
    }
    std::shared_ptr<PipeEnd> end = win32standin::LookupAs<PipeEnd>(file);
    std::shared_ptr<Connection> connection = end ? end->Usable(false) : nullptr;
    if (!connection) {
        return FALSE;
    }
    DWORD read = 0;
    BOOL ok =
        connection->Read(static_cast<char*>(buffer), bytesToRead, &read, end->MessageReadMode());
    if (bytesRead != nullptr) {
        *bytesRead = read;
    }
    return ok;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped) {
    if (bytesWritten != nullptr) {
        *bytesWritten = 0;
    }
    if (overlapped != nullptr || (buffer == nullptr && bytesToWrite > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::shared_ptr<PipeEnd> end = win32standin::LookupAs<PipeEnd>(file);
    std::shared_ptr<Connection> connection = end ? end->Usable(true) : nullptr;
    if (!connection) {
        return FALSE;
    }
    DWORD written = 0;
    BOOL ok = connection->Write(static_cast<const char*>(buffer), bytesToWrite, &written);
    if (bytesWritten != nullptr) {
        *bytesWritten = written;
    }
    return ok;
}

BOOL FlushFileBuffers(HANDLE file) {
    std::shared_ptr<PipeEnd> end = win32standin::LookupAs<PipeEnd>(file);
    if (!end) {
        return FALSE;
    }
    if (std::shared_ptr<Connection> connection = end->Current()) {
        connection->Flush();
    }
    return TRUE;
}

BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD bytesTransferred,
                         BOOL wait) {
    std::shared_ptr<PipeInstance> instance = win32standin::LookupAs<PipeInstance>(file);
    if (!instance || overlapped == nullptr) {
        SetLastError(instance ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return instance->OverlappedResult(overlapped, bytesTransferred, wait != FALSE);
}

BOOL CancelIoEx(HANDLE file, LPOVERLAPPED overlapped) {
    std::shared_ptr<PipeInstance> instance = win32standin::LookupAs<PipeInstance>(file);
    if (!instance) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return instance->CancelRead(overlapped);
}

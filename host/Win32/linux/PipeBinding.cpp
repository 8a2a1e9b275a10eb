// Binding pipe names to sockets, the hand-over of clients to instances, and the client's side
// of that hand-over.
#include "PipeBinding.h"

#include "NamedPipe.h"

#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>

namespace win32standin {
namespace {

constexpr int kAcceptanceWaitMs = 5000;

// The bound names of this process. An entry whose binding has expired is one being closed:
// a new binding of that name waits until the entry is gone.
struct PipeNames {
    std::mutex mutex;
    std::condition_variable released;
    std::map<std::string, std::weak_ptr<NameBinding>> bindings;
};

PipeNames& Names() {
    static auto* names = new PipeNames;
    return *names;
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

}  // namespace

std::shared_ptr<NameBinding> NameBinding::Acquire(const std::string& path, DWORD maxInstances,
                                                  bool firstOnly, DWORD* error) {
    PipeNames& names = Names();
    std::unique_lock<std::mutex> lock(names.mutex);
    while (true) {
        auto found = names.bindings.find(path);
        if (found == names.bindings.end()) {
            break;
        }
        if (std::shared_ptr<NameBinding> binding = found->second.lock()) {
            if (firstOnly) {
                *error = ERROR_ACCESS_DENIED;
                lock.unlock();  // before the binding may be released
                return nullptr;
            }
            return binding;
        }
        names.released.wait(lock);
    }
    std::shared_ptr<NameBinding> binding = Open(path, maxInstances, error);
    if (binding) {
        names.bindings[path] = binding;
        binding->registered_ = true;
    }
    return binding;
}

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
    auto binding = std::make_shared<NameBinding>(path, lockFd, listenFd, maxInstances);
    binding->watch_ = Watch(listenFd, &binding->acceptor_);
    if (binding->watch_ == 0) {
        *error = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    return binding;
}

NameBinding::NameBinding(std::string path, int lockFd, int listenFd, DWORD maxInstances)
    : path_(std::move(path)),
      lockFd_(lockFd),
      listenFd_(listenFd),
      maxInstances_(maxInstances),
      acceptor_(*this) {}

NameBinding::~NameBinding() {
    Unwatch(watch_);
    // Clients that were still waiting to be taken see the name closed.
    close(listenFd_);
    unlink(path_.c_str());
    close(lockFd_);
    if (registered_) {
        PipeNames& names = Names();
        std::lock_guard<std::mutex> guard(names.mutex);
        auto found = names.bindings.find(path_);
        if (found != names.bindings.end() && found->second.expired()) {
            names.bindings.erase(found);
        }
        names.released.notify_all();
    }
}

Waiter::Next NameBinding::Acceptor::Ready() {
    while (true) {
        int fd = accept4(binding_.listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
            binding_.HandOver(fd);
            continue;
        }
        switch (errno) {
            case EAGAIN:
#if EWOULDBLOCK != EAGAIN
            case EWOULDBLOCK:
#endif
                return Next::kWatch;
            case EINTR:
            case ECONNABORTED:
            case EPROTO:
                continue;
            default:
                // Out of resources (EMFILE, ENFILE, ENOBUFS, ENOMEM): give the process a moment
                // rather than spin.
                return Next::kPause;
        }
    }
}

void NameBinding::HandOver(int fd) {
    std::lock_guard<std::mutex> guard(mutex_);
    auto taker = std::find_if(instances_.begin(), instances_.end(), [](InstanceLink* link) {
        return link->state == InstanceLink::State::kListening;
    });
    if (taker == instances_.end()) {
        SendFrame(fd, kFrameBusy, nullptr, 0, MSG_DONTWAIT);
        close(fd);
        return;
    }
    InstanceLink& link = **taker;
    link.connection = std::make_shared<Connection>(fd);
    link.state = InstanceLink::State::kConnected;
    if (link.connectEvent) {
        link.connectEvent->Set();
        link.connectEvent.reset();
    }
    changed_.notify_all();
    // Last, so that the server side is complete when the client's CreateFileW returns.
    SendFrame(fd, kFrameAccepted, nullptr, 0, MSG_DONTWAIT);
}

bool NameBinding::Join(InstanceLink* link) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (instances_.size() >= maxInstances_) {
        return false;
    }
    instances_.push_back(link);
    return true;
}

std::shared_ptr<Connection> NameBinding::Leave(InstanceLink* link) {
    std::lock_guard<std::mutex> guard(mutex_);
    instances_.erase(std::remove(instances_.begin(), instances_.end(), link), instances_.end());
    link->connectEvent.reset();
    return std::move(link->connection);
}

BOOL NameBinding::Connect(InstanceLink* link, LPOVERLAPPED overlapped,
                          std::shared_ptr<Event> event) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (link->state == InstanceLink::State::kConnected) {
        SetLastError(ERROR_PIPE_CONNECTED);
        return FALSE;
    }
    link->state = InstanceLink::State::kListening;
    if (overlapped != nullptr) {
        // As the system does when an overlapped operation starts.
        event->Reset();
        link->connectEvent = std::move(event);
        overlapped->Internal = kStatusPending;
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }
    changed_.wait(lock, [link] { return link->state != InstanceLink::State::kListening; });
    if (link->state != InstanceLink::State::kConnected) {
        SetLastError(ERROR_PIPE_NOT_CONNECTED);
        return FALSE;
    }
    return TRUE;
}

std::shared_ptr<Connection> NameBinding::Disconnect(InstanceLink* link) {
    std::lock_guard<std::mutex> guard(mutex_);
    link->state = InstanceLink::State::kDisconnected;
    link->connectEvent.reset();
    changed_.notify_all();
    return std::move(link->connection);
}

std::shared_ptr<Connection> NameBinding::Connected(InstanceLink* link) {
    std::lock_guard<std::mutex> guard(mutex_);
    switch (link->state) {
        case InstanceLink::State::kConnected:
            return link->connection;
        case InstanceLink::State::kListening:
            SetLastError(ERROR_PIPE_LISTENING);
            return nullptr;
        case InstanceLink::State::kDisconnected:
            break;
    }
    SetLastError(ERROR_PIPE_NOT_CONNECTED);
    return nullptr;
}

std::shared_ptr<Connection> NameBinding::Current(InstanceLink* link) {
    std::lock_guard<std::mutex> guard(mutex_);
    return link->connection;
}

int ConnectToName(const std::string& path, DWORD* error) {
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = ErrorFromErrno(errno);
        return -1;
    }
    sockaddr_un address = SocketAddress(path);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        *error = ErrorFromErrno(errno);
        close(fd);
        return -1;
    }
    *error = AwaitAcceptance(fd);
    if (*error != ERROR_SUCCESS) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace win32standin

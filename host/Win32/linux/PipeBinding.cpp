// Binding pipe names to sockets, the hand-over of clients to instances, and the client's side
// of that hand-over.
#include "PipeBinding.h"

#include "NamedPipe.h"

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <list>
#include <map>

namespace win32standin {
namespace {

constexpr int kAcceptanceWaitMs = 5000;
// Listening sockets kept for later bindings of their names, at most.
constexpr size_t kParkedSockets = 4;

// The name of its own that a listening socket of process PID has beside the pipe name PATH:
// ".NAME.PID".
std::string OwnName(const std::string& path, pid_t pid) {
    size_t slash = path.find_last_of('/');
    return path.substr(0, slash + 1) + "." + path.substr(slash + 1) + "." + std::to_string(pid);
}

// Removes the own names that processes which are gone left beside the pipe name PATH. Called
// holding the name's lock, so no other process has the name bound.
void SweepLeftovers(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = path.substr(0, slash + 1);
    const std::string prefix = "." + path.substr(slash + 1) + ".";
    DIR* entries = opendir(folder.c_str());
    if (entries == nullptr) {
        return;
    }
    while (const dirent* entry = readdir(entries)) {
        const std::string name = entry->d_name;
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
            name.find_first_not_of("0123456789", prefix.size()) != std::string::npos) {
            continue;
        }
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid != getpid() && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            unlink((folder + name).c_str());
        }
    }
    closedir(entries);
}

// The bound names of this process, and the listening sockets kept for later bindings. An entry
// whose binding has expired is one being closed: a new binding of that name waits until the
// entry is gone.
struct PipeNames {
    std::mutex mutex;
    std::condition_variable released;
    std::map<std::string, std::weak_ptr<NameBinding>> bindings;
    std::list<std::shared_ptr<NameSocket>> parked;  // the latest first
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

void TurnAway(int fd) {
    SendFrame(fd, kFrameBusy, nullptr, 0, MSG_DONTWAIT);
    close(fd);
}

}  // namespace

// A listening socket of this process for one pipe name, watched by the completion thread. It
// hands its clients to the binding it serves, if any.
class NameSocket : public Waiter {
public:
    // A socket bound to PATH and listening; null with *error set.
    static std::shared_ptr<NameSocket> Bind(const std::string& path, DWORD* error);
    NameSocket(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    ~NameSocket() override;
    NameSocket(const NameSocket&) = delete;
    NameSocket& operator=(const NameSocket&) = delete;

    const std::string& Path() const { return path_; }
    bool HasOwnName() const { return !ownPath_.empty(); }
    // Links the pipe name to the socket again; false when its own name is gone.
    bool NameAgain();
    // Whose instances get the clients from now on; null: clients are turned away.
    void Serve(NameBinding* binding) {
        std::lock_guard<std::mutex> guard(mutex_);
        binding_ = binding;
    }
    Next Ready() override;

private:
    // Gives the socket a name of its own beside the pipe name, if it can.
    void TakeOwnName();

    const std::string path_;
    const int fd_;
    uint64_t watch_ = 0;
    std::string ownPath_;  // empty when it has none
    ino_t node_ = 0;       // the file system node that its names name
    std::mutex mutex_;
    NameBinding* binding_ = nullptr;  // guarded by mutex_
};

std::shared_ptr<NameSocket> NameSocket::Bind(const std::string& path, DWORD* error) {
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address = SocketAddress(path);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(fd, SOMAXCONN) != 0) {
        *error = ErrorFromErrno(errno);
        if (fd >= 0) {
            close(fd);
            unlink(path.c_str());
        }
        return nullptr;
    }
    auto socket = std::make_shared<NameSocket>(path, fd);
    socket->watch_ = Watch(fd, socket.get());
    if (socket->watch_ == 0) {
        *error = ERROR_NOT_ENOUGH_MEMORY;
        unlink(path.c_str());
        return nullptr;
    }
    socket->TakeOwnName();
    return socket;
}

NameSocket::~NameSocket() {
    Unwatch(watch_);
    // Clients that were still waiting to be taken see the name closed.
    close(fd_);
    if (!ownPath_.empty()) {
        unlink(ownPath_.c_str());
    }
}

void NameSocket::TakeOwnName() {
    SweepLeftovers(path_);
    std::string own = OwnName(path_, getpid());
    unlink(own.c_str());  // of a socket this process no longer has
    struct stat info;
    if (link(path_.c_str(), own.c_str()) == 0 && lstat(own.c_str(), &info) == 0) {
        ownPath_ = std::move(own);
        node_ = info.st_ino;
    }
}

bool NameSocket::NameAgain() {
    if (ownPath_.empty() || link(ownPath_.c_str(), path_.c_str()) != 0) {
        return false;
    }
    struct stat info;
    if (lstat(path_.c_str(), &info) != 0 || info.st_ino != node_) {
        // The own name was replaced by a file that is not this socket: leave that file alone.
        unlink(path_.c_str());
        ownPath_.clear();
        return false;
    }
    return true;
}

Waiter::Next NameSocket::Ready() {
    while (true) {
        int fd = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
            std::lock_guard<std::mutex> guard(mutex_);
            if (binding_ != nullptr) {
                binding_->HandOver(fd);
            } else {
                TurnAway(fd);
            }
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
    std::shared_ptr<NameSocket> parked;
    auto kept = std::find_if(names.parked.begin(), names.parked.end(),
                             [&path](const auto& socket) { return socket->Path() == path; });
    if (kept != names.parked.end()) {
        parked = std::move(*kept);
        names.parked.erase(kept);
    }
    std::shared_ptr<NameBinding> binding = Open(path, maxInstances, std::move(parked), error);
    if (binding) {
        names.bindings[path] = binding;
        binding->registered_ = true;
    }
    return binding;
}

std::shared_ptr<NameBinding> NameBinding::Open(const std::string& path, DWORD maxInstances,
                                               std::shared_ptr<NameSocket> parked, DWORD* error) {
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
    std::shared_ptr<NameSocket> socket = std::move(parked);
    if (socket && !socket->NameAgain()) {
        socket.reset();
    }
    if (!socket) {
        socket = NameSocket::Bind(path, error);
        if (!socket) {
            close(lockFd);
            return nullptr;
        }
    }
    auto binding = std::make_shared<NameBinding>(path, lockFd, socket, maxInstances);
    socket->Serve(binding.get());
    return binding;
}

NameBinding::NameBinding(std::string path, int lockFd, std::shared_ptr<NameSocket> socket,
                         DWORD maxInstances)
    : path_(std::move(path)),
      lockFd_(lockFd),
      socket_(std::move(socket)),
      maxInstances_(maxInstances) {}

NameBinding::~NameBinding() {
    // Clients that come from now on are turned away, and then the name is gone.
    socket_->Serve(nullptr);
    unlink(path_.c_str());
    close(lockFd_);
    std::list<std::shared_ptr<NameSocket>> evicted;  // closed outside the lock
    if (registered_) {
        PipeNames& names = Names();
        std::lock_guard<std::mutex> guard(names.mutex);
        auto found = names.bindings.find(path_);
        if (found != names.bindings.end() && found->second.expired()) {
            names.bindings.erase(found);
        }
        if (socket_->HasOwnName()) {
            names.parked.push_front(socket_);
            while (names.parked.size() > kParkedSockets) {
                evicted.push_back(std::move(names.parked.back()));
                names.parked.pop_back();
            }
        }
        names.released.notify_all();
    }
}

void NameBinding::HandOver(int fd) {
    std::shared_ptr<Connection> connection;
    std::shared_ptr<Event> connected;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        auto taker = std::find_if(instances_.begin(), instances_.end(), [](InstanceLink* link) {
            return link->state == InstanceLink::State::kListening;
        });
        if (taker == instances_.end()) {
            TurnAway(fd);
            return;
        }
        InstanceLink& link = **taker;
        connection = std::make_shared<Connection>(fd);
        link.connection = connection;
        link.state = InstanceLink::State::kConnected;
        connected = std::move(link.connectEvent);
    }
    // The client first: its first message is on its way while the server wakes, so that the
    // server's first read usually finds it at hand. The server side is complete already: from
    // now on a call on the instance sees it connected.
    SendFrame(connection->Fd(), kFrameAccepted, nullptr, 0, MSG_DONTWAIT);
    // Outside the lock, which the woken server is about to take.
    changed_.notify_all();
    if (connected) {
        connected->Set();
    }
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
        // A client came before this call. If it has closed its end again, the system says so,
        // though what it wrote is still there to read.
        SetLastError(link->connection->PeerGone() ? ERROR_NO_DATA : ERROR_PIPE_CONNECTED);
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

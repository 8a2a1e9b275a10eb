// Pipe names bound in this process, and how connecting clients reach an instance. Internal to
// the Win32 stand-in.
//
// A pipe name is a socket file in the pipe folder. The first instance of a name in this process
// binds it; later instances share that binding, and the last one to close removes the name. A
// lock file beside the socket, held while the name is bound, tells a server of another live
// process from a socket file left behind by a dead one.
//
// The listening socket outlives the binding: it also has a name of its own beside the lock file
// (the pipe name and this process's id), and a later binding of the pipe name in this process
// links the pipe name to it again rather than binding a new socket, which would make the file
// system create a node each time. Clients that come while no binding uses it are turned away.
//
// The completion thread takes each connecting client at once and hands it to a listening
// instance, so that, as on Windows, a client is connected as soon as an instance exists, even
// before the server calls ConnectNamedPipe. With no listening instance the client is turned away
// and its CreateFileW fails with ERROR_PIPE_BUSY.
#pragma once

#include "KernelObject.h"
#include "PipeCompletion.h"
#include "PipeConnection.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace win32standin {

// The connection state of one server instance, which its name's binding hands clients to.
// Guarded by the binding's lock.
struct InstanceLink {
    enum class State { kListening, kConnected, kDisconnected };
    State state = State::kListening;
    std::shared_ptr<Connection> connection;
    std::shared_ptr<Event> connectEvent;  // of a pending overlapped ConnectNamedPipe
};

class NameSocket;

class NameBinding {
public:
    // The binding of PATH in this process, bound now when there is none. Null with *error set
    // when the name is served by another process or can not be bound, or when FIRST_ONLY and
    // the name is bound already.
    static std::shared_ptr<NameBinding> Acquire(const std::string& path, DWORD maxInstances,
                                                bool firstOnly, DWORD* error);
    NameBinding(std::string path, int lockFd, std::shared_ptr<NameSocket> socket,
                DWORD maxInstances);
    ~NameBinding();
    NameBinding(const NameBinding&) = delete;
    NameBinding& operator=(const NameBinding&) = delete;

    // Adds an instance to the name; false when the name has all the instances it may have.
    bool Join(InstanceLink* link);
    // Takes an instance off the name; its connection, if it had one.
    std::shared_ptr<Connection> Leave(InstanceLink* link);
    // ConnectNamedPipe of an instance: pending on OVERLAPPED's EVENT, or blocking without one.
    BOOL Connect(InstanceLink* link, LPOVERLAPPED overlapped, std::shared_ptr<Event> event);
    // DisconnectNamedPipe: the connection it ended, if there was one.
    std::shared_ptr<Connection> Disconnect(InstanceLink* link);
    // The connection of a connected instance, or null with the last error set.
    std::shared_ptr<Connection> Connected(InstanceLink* link);
    // The connection if there is one.
    std::shared_ptr<Connection> Current(InstanceLink* link);

    // On the completion thread: gives the client on FD to a listening instance, or turns it
    // away.
    void HandOver(int fd);

private:
    // Binds PATH, naming PARKED (a socket of an earlier binding of PATH) again when it can;
    // null with *error set when it can not bind.
    static std::shared_ptr<NameBinding> Open(const std::string& path, DWORD maxInstances,
                                             std::shared_ptr<NameSocket> parked, DWORD* error);

    const std::string path_;
    const int lockFd_;
    const std::shared_ptr<NameSocket> socket_;
    const DWORD maxInstances_;
    bool registered_ = false;  // in the process's table of names

    std::mutex mutex_;                 // guards `instances_` and the InstanceLink of every instance
    std::condition_variable changed_;  // an instance got a client or lost it
    std::vector<InstanceLink*> instances_;  // in creation order
};

// CreateFileW's side: connects to the socket PATH and waits for the server's word. The socket,
// or -1 with *error set.
int ConnectToName(const std::string& path, DWORD* error);

}  // namespace win32standin

// One connected pipe socket (AF_UNIX SOCK_SEQPACKET) and the records on it. Internal to the
// Win32 stand-in.
//
// Every socket record starts with one frame byte. A message goes out as records of at most
// kFragmentBytes, the last one marked, so a message may be far larger than the socket buffers.
// The server's first record to a client says whether an instance took it.
#pragma once

#include <windows.h>

#include <sys/un.h>

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace win32standin {

constexpr size_t kFragmentBytes = 32 * 1024;
constexpr char kFrameMore = 1;       // a piece of a message, more follows
constexpr char kFrameLast = 2;       // the last (or only) piece of a message
constexpr char kFrameAccepted = 16;  // server to client: an instance took you
constexpr char kFrameBusy = 17;      // server to client: no instance is free

// The Win32 error for a failed socket call's errno.
DWORD ErrorFromErrno(int error);
// Sends one record: the frame byte KIND, then SIZE bytes of DATA.
bool SendFrame(int fd, char kind, const char* data, size_t size, int flags);
// The address of the socket file PATH, whose length the caller has checked.
sockaddr_un SocketAddress(const std::string& path);

// A client handle's socket, or a server instance's while it has a client.
class Connection {
public:
    explicit Connection(int fd) : fd_(fd) {}
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Wakes blocked reads and writes; the other end sees the pipe broken.
    void Shutdown();
    int Fd() const { return fd_; }
    // ReadFile: the next piece of the message being read, waiting for one to come. Sets the
    // last error when it fails (ERROR_MORE_DATA in message mode for each piece but the last).
    BOOL Read(char* buffer, DWORD size, DWORD* read, bool messageMode);
    // As Read, but only when that would not wait: a piece is left over, a record is there or
    // the writer has gone. False, with nothing read, when there is nothing yet; otherwise true,
    // with Read's result in *RESULT and its error in *ERROR.
    bool ReadAtHand(char* buffer, DWORD size, DWORD* read, bool messageMode, BOOL* result,
                    DWORD* error);
    BOOL Write(const char* data, DWORD size, DWORD* written);
    // Waits until the other end has read everything written to it, or has gone.
    void Flush();
    // Whether the other end has closed or shut down, whatever it left unread here.
    bool PeerGone() const;

private:
    enum class Fill { kPiece, kBroken, kNothingYet };
    // Makes sure a received piece is there to deliver, without waiting.
    Fill FillLocked();
    BOOL DeliverLocked(char* buffer, DWORD size, DWORD* read, bool messageMode, DWORD* error);

    const int fd_;
    std::mutex readMutex_;     // held only while no call waits
    std::vector<char> frame_;  // the record being delivered: frame byte, then data
    size_t frameSize_ = 0;     // bytes of frame_ received
    size_t frameOffset_ = 0;   // next byte of frame_ to deliver
    std::mutex writeMutex_;
    bool wrote_ = false;  // guarded by writeMutex_: whether Write ever sent a message
};

}  // namespace win32standin

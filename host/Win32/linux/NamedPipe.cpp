// The named-pipe calls of the Win32 API over AF_UNIX SOCK_SEQPACKET sockets, and the kernel
// objects behind pipe handles: a server instance of a name, or a client's end.
//
// PipeBinding binds names and hands connecting clients to instances, PipeConnection frames the
// messages on a socket, and PipeCompletion completes what waits: overlapped reads that found
// nothing at hand complete on the completion thread, as the system's would.
#include "KernelObject.h"
#include "NamedPipe.h"
#include "PipeBinding.h"
#include "PipeCompletion.h"
#include "PipeConnection.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

namespace win32standin {
namespace {

constexpr DWORD kDefaultWaitMs = 50;

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
    PipeInstance(std::shared_ptr<NameBinding> binding, DWORD openMode, DWORD pipeMode)
        : binding_(std::move(binding)), openMode_(openMode), pipeMode_(pipeMode) {}
    ~PipeInstance() override;

    // Adds the instance to its name; false when the name has all the instances it may have.
    bool Join() { return binding_->Join(&link_); }
    BOOL Connect(LPOVERLAPPED overlapped, std::shared_ptr<Event> event) {
        return binding_->Connect(&link_, overlapped, std::move(event));
    }
    BOOL Disconnect();
    BOOL ReadOverlapped(char* buffer, DWORD size, LPOVERLAPPED overlapped,
                        std::shared_ptr<Event> event, DWORD* bytesRead);
    BOOL OverlappedResult(LPOVERLAPPED overlapped, DWORD* bytes, bool wait);
    BOOL CancelRead(LPOVERLAPPED overlapped);
    std::shared_ptr<Connection> Usable(bool write) override;
    std::shared_ptr<Connection> Current() override { return binding_->Current(&link_); }
    bool MessageReadMode() const override { return (pipeMode_ & PIPE_READMODE_MESSAGE) != 0; }

private:
    const std::shared_ptr<NameBinding> binding_;
    InstanceLink link_;
    const DWORD openMode_;
    const DWORD pipeMode_;
    std::mutex ioMutex_;                           // guards pendingRead_
    std::shared_ptr<OverlappedRead> pendingRead_;  // aborted with the instance at the latest
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

PipeInstance::~PipeInstance() {
    // First, so that the completion thread is done with the connection and the read's record.
    std::shared_ptr<OverlappedRead> pending;
    {
        std::lock_guard<std::mutex> guard(ioMutex_);
        pending = std::move(pendingRead_);
    }
    if (pending) {
        pending->Abort();
    }
    if (std::shared_ptr<Connection> old = binding_->Leave(&link_)) {
        old->Shutdown();
    }
}

BOOL PipeInstance::Disconnect() {
    if (std::shared_ptr<Connection> old = binding_->Disconnect(&link_)) {
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
    DWORD read = 0;
    BOOL ok = FALSE;
    DWORD error = ERROR_SUCCESS;
    if (connection->ReadAtHand(buffer, size, &read, MessageReadMode(), &ok, &error)) {
        overlapped->Internal = error;
        overlapped->InternalHigh = read;
        if (bytesRead != nullptr) {
            *bytesRead = read;
        }
        event->Set();
        SetLastError(error);
        return ok;
    }
    auto pending = std::make_shared<OverlappedRead>(
        overlapped, std::move(connection), std::move(event), buffer, size, MessageReadMode());
    if (!pending->Start()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    pendingRead_ = std::move(pending);
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

BOOL PipeInstance::OverlappedResult(LPOVERLAPPED overlapped, DWORD* bytes, bool wait) {
    std::shared_ptr<OverlappedRead> pending;
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
    // Aborted unless its data came first; either way it is complete when this returns.
    pendingRead_->Abort();
    return TRUE;
}

std::shared_ptr<Connection> PipeInstance::Usable(bool write) {
    if ((openMode_ & (write ? PIPE_ACCESS_OUTBOUND : PIPE_ACCESS_INBOUND)) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return binding_->Connected(&link_);
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

    DWORD error = ERROR_SUCCESS;
    std::shared_ptr<NameBinding> binding = NameBinding::Acquire(
        path, maxInstances, (openMode & FILE_FLAG_FIRST_PIPE_INSTANCE) != 0, &error);
    if (!binding) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    auto instance = std::make_shared<PipeInstance>(binding, openMode, pipeMode);
    if (!instance->Join()) {
        SetLastError(ERROR_PIPE_BUSY);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE pipe = win32standin::RegisterHandle(std::move(instance));
    win32standin::RunNamedPipeCreatedHook(pipe);
    return pipe;
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
    DWORD error = ERROR_SUCCESS;
    int fd = win32standin::ConnectToName(path, &error);
    if (fd < 0) {
        SetLastError(error);
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

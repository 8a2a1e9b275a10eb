// Requests to the tandem service that are repeated until their answer arrives, and the routing
// of those answers. One pending request per reply id; each pending request has a worker thread
// that posts the request and waits on the entry's event between attempts.
#pragma once

#include "ITransferFile.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace Vela::Ux {

class MyAlbumStatusModelHelper;

// Called with the answer: message id, payload and its length.
using RequestCallback = std::function<void(uint32_t id, const char* data, uint32_t length)>;

// One pending request.
struct RequestEntry {
    RequestEntry() = default;
    ~RequestEntry();
    RequestEntry(const RequestEntry&) = delete;
    RequestEntry& operator=(const RequestEntry&) = delete;

    // Wakes the worker from its wait, when it has an event.
    void Signal();
    // Stops the worker (if it runs) and joins it. Never takes the responder's lock.
    void End();

    std::atomic<bool> done{false};
    uint32_t replyId = 0;
    std::thread worker;
    // Sets `done`, signals `event`, then runs the caller's callback.
    RequestCallback callback;
    // Auto-reset; created and closed by the worker, null while there is none. Guarded by
    // `eventLock` so that a signal never meets a closed handle.
    HANDLE event = nullptr;
    std::mutex eventLock;
};

class IPCRespondor {
public:
    IPCRespondor() = default;
    virtual ~IPCRespondor();
    IPCRespondor(const IPCRespondor&) = delete;
    IPCRespondor& operator=(const IPCRespondor&) = delete;

    // Runs REQUEST (which posts the request message) every INTERVALMS milliseconds, at most
    // COUNT times, until the answer under REPLYID arrives; then CALLBACK runs with it. A pending
    // request for the same reply id is ended and replaced. False (nothing added) without a
    // transfer interface or after Stop.
    bool AddRequest(uint32_t replyId, std::function<void()> request, RequestCallback callback,
                    uint32_t intervalMs, uint32_t count);

    // Handler of every reply id: runs and ends the pending request of ID, if any.
    void OnIPCAnswer(uint32_t id, const char* data, uint32_t length);

    // Ends every pending request and joins the workers; no request is added afterwards until
    // the next SetTransfer or Start.
    void Stop();

    // Number of pending requests (answered ones and ended ones are gone).
    size_t PendingRequestCount();
    bool HasPendingRequest(uint32_t replyId);

protected:
    void Resume();
    ITransferFile* Transfer() const { return transfer.load(); }

    std::atomic<ITransferFile*> transfer{nullptr};
    std::vector<RequestEntry*> requests;
    std::mutex requestLock;
    MyAlbumStatusModelHelper* statusModel = nullptr;

private:
    static void RunWorker(RequestEntry* entry, std::function<void()> request, uint32_t intervalMs,
                          uint32_t count);

    bool stopped = false;  // guarded by requestLock
};

}  // namespace Vela::Ux

// The in-process message bus behind IPCMessageClient.
//
// Every client is an Endpoint with its own queue and delivery thread, so a receiver sees the
// messages of one sender in the order they were posted. The bus itself only routes: it keeps
// the list of endpoints with their subscriptions, the senders waiting for an answer, the trace
// hook and the count of messages not yet handled.
//
// Lock order: Bus::mutex_ and Endpoint::mutex_ are never held together; Bus::idleMutex_ and
// Bus::sendMutex_ are leaves.
#pragma once

#include "IPCMessageClient.h"
#include "IPCMessageStandIn.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace ipcstandin {

class Bus;

// A message waiting in a receiver's queue: the record with its own copy of the payload.
struct QueuedMessage {
    TagIPCMessageItem item;
    std::string payload;
};

class Endpoint : public std::enable_shared_from_this<Endpoint> {
public:
    Endpoint(Bus& bus, uint32_t id);
    ~Endpoint();
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;

    uint32_t Id() const { return id_; }

    // Starts the delivery thread; false when it cannot be started.
    bool Start();
    // Drops queued messages and ends the delivery thread, waiting for a running callback
    // unless called on the delivery thread itself.
    void Stop();

    // Queues a message; a stopped endpoint drops it.
    void Enqueue(QueuedMessage message);

    void SetCallback(uint32_t messageId, IPCMessageCallback callback);
    void SetGeneralCallback(IPCMessageCallback callback);
    void ClearCallbacks();

    // The endpoint whose delivery thread is the calling thread, or null.
    static const Endpoint* Current();

private:
    void Run();

    Bus& bus_;
    const uint32_t id_;

    std::mutex mutex_;
    std::condition_variable queueCv_;     // a message was queued or the endpoint stops
    std::condition_variable callbackCv_;  // a callback finished
    std::deque<QueuedMessage> queue_;
    std::map<uint32_t, IPCMessageCallback> callbacks_;
    IPCMessageCallback general_;
    bool stopping_ = false;
    bool callbackRunning_ = false;
    std::thread::id workerId_;

    std::thread worker_;  // used only by Start and Stop
};

class Bus {
public:
    // The process-wide bus, created on first use and never destroyed.
    static Bus& Instance();

    void Attach(const std::shared_ptr<Endpoint>& endpoint);
    void Detach(const Endpoint* endpoint);
    bool Subscribe(const Endpoint* endpoint, uint32_t id);
    size_t EndpointCount();

    bool Post(const TagIPCMessageItem& item);
    bool Send(const TagIPCMessageItem& item, int timeoutMs, TagIPCMessageItemRecv& reply);
    bool Reply(const TagIPCMessageItem& request, const std::string& bytes);

    void SetTraceHook(TraceHook hook);
    void SetRefuse(bool refuse);

    // Bookkeeping of messages queued but not yet handled or dropped.
    void MessagesQueued(size_t count);
    void MessagesDone(size_t count);
    bool WaitUntilIdle(std::chrono::milliseconds timeout);

private:
    Bus() = default;

    struct Member {
        std::shared_ptr<Endpoint> endpoint;
        std::set<uint32_t> subscriptions;
    };
    struct PendingSend {
        uint32_t source = 0;
        uint32_t destination = 0;
        uint32_t messageId = 0;
        uint32_t replyId = 0;
        bool claimed = false;   // a receiver is answering
        bool answered = false;  // the answer is in `bytes`
        std::string bytes;
    };

    // Copies the payload; false for a malformed record or when out of memory.
    static bool CopyPayload(const TagIPCMessageItem& item, std::string& payload);
    // Takes a message in for a post or a send: false while messages are refused, else as
    // CopyPayload.
    bool Accept(const TagIPCMessageItem& item, std::string& payload);
    std::vector<std::shared_ptr<Endpoint>> Receivers(uint32_t destination);
    void Trace(const TagIPCMessageItem& item, const std::string& payload);
    static void Deliver(const std::vector<std::shared_ptr<Endpoint>>& receivers,
                        const TagIPCMessageItem& item, const std::string& payload);

    std::mutex mutex_;
    std::vector<Member> members_;
    TraceHook traceHook_;
    bool refuse_ = false;

    std::mutex sendMutex_;
    std::condition_variable sendCv_;
    std::map<uint32_t, PendingSend> pending_;  // by sequence number
    uint32_t lastSequence_ = 0;

    std::mutex idleMutex_;
    std::condition_variable idleCv_;
    size_t unhandled_ = 0;
};

}  // namespace ipcstandin

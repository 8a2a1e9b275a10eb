#include "MessageBus.h"

#include <new>
#include <system_error>
#include <utility>

namespace ipcstandin {

namespace {

thread_local const Endpoint* tlCurrentEndpoint = nullptr;

constexpr uint32_t kNoSequence = 0xFFFFFFFF;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Endpoint

Endpoint::Endpoint(Bus& bus, uint32_t id) : bus_(bus), id_(id) {}

Endpoint::~Endpoint() = default;

const Endpoint* Endpoint::Current() {
    return tlCurrentEndpoint;
}

bool Endpoint::Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    try {
        std::shared_ptr<Endpoint> self = shared_from_this();
        worker_ = std::thread([self] { self->Run(); });
    } catch (const std::system_error&) {
        stopping_ = true;
        return false;
    }
    workerId_ = worker_.get_id();
    return true;
}

void Endpoint::Stop() {
    // Callbacks are destroyed outside the lock: what they capture may post to this endpoint.
    std::map<uint32_t, IPCMessageCallback> callbacks;
    IPCMessageCallback general;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        callbacks.swap(callbacks_);
        general.swap(general_);
    }
    bus_.Detach(this);
    queueCv_.notify_all();
    if (!worker_.joinable()) {
        return;
    }
    if (worker_.get_id() == std::this_thread::get_id()) {
        // Destroyed from inside its own callback: the thread ends by itself when the callback
        // returns, holding the endpoint alive until then.
        worker_.detach();
    } else {
        worker_.join();
    }
}

void Endpoint::Enqueue(QueuedMessage message) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) {
            return;
        }
        bus_.MessagesQueued(1);
        queue_.push_back(std::move(message));
    }
    queueCv_.notify_one();
}

void Endpoint::SetCallback(uint32_t messageId, IPCMessageCallback callback) {
    IPCMessageCallback previous;
    std::lock_guard<std::mutex> lock(mutex_);
    IPCMessageCallback& slot = callbacks_[messageId];
    previous.swap(slot);
    if (callback) {
        slot = std::move(callback);
    } else {
        callbacks_.erase(messageId);
    }
}

void Endpoint::SetGeneralCallback(IPCMessageCallback callback) {
    IPCMessageCallback previous;
    std::lock_guard<std::mutex> lock(mutex_);
    previous.swap(general_);
    general_ = std::move(callback);
}

void Endpoint::ClearCallbacks() {
    std::map<uint32_t, IPCMessageCallback> callbacks;
    IPCMessageCallback general;
    std::unique_lock<std::mutex> lock(mutex_);
    callbacks.swap(callbacks_);
    general.swap(general_);
    if (std::this_thread::get_id() != workerId_) {
        callbackCv_.wait(lock, [this] { return !callbackRunning_; });
    }
    lock.unlock();
}

void Endpoint::Run() {
    tlCurrentEndpoint = this;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        queueCv_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) {
            std::deque<QueuedMessage> dropped;
            dropped.swap(queue_);
            lock.unlock();
            bus_.MessagesDone(dropped.size());
            return;
        }
        QueuedMessage message = std::move(queue_.front());
        queue_.pop_front();

        IPCMessageCallback callback;
        auto found = callbacks_.find(message.item.messageId);
        if (found != callbacks_.end()) {
            callback = found->second;
        } else {
            callback = general_;
        }
        if (callback) {
            callbackRunning_ = true;
            lock.unlock();
            message.item.data = message.payload.empty() ? nullptr : &message.payload[0];
            message.item.dataLength = message.payload.size();
            callback(message.item);
            // Whatever the callback captured is released before the client may be told that
            // no callback runs any more.
            callback = nullptr;
            lock.lock();
            callbackRunning_ = false;
            callbackCv_.notify_all();
        }
        bus_.MessagesDone(1);
    }
}

// ---------------------------------------------------------------------------------------------
// Bus

Bus& Bus::Instance() {
    // Never destroyed: clients held by static objects may leave the bus during exit.
    static Bus* bus = new Bus();
    return *bus;
}

void Bus::Attach(const std::shared_ptr<Endpoint>& endpoint) {
    std::lock_guard<std::mutex> lock(mutex_);
    members_.push_back(Member{endpoint, {}});
}

void Bus::Detach(const Endpoint* endpoint) {
    std::shared_ptr<Endpoint> removed;  // released outside the lock
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = members_.begin(); it != members_.end(); ++it) {
        if (it->endpoint.get() == endpoint) {
            removed = std::move(it->endpoint);
            members_.erase(it);
            return;
        }
    }
}

bool Bus::Subscribe(const Endpoint* endpoint, uint32_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Member& member : members_) {
        if (member.endpoint.get() == endpoint) {
            member.subscriptions.insert(id);
            return true;
        }
    }
    return false;
}

size_t Bus::EndpointCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return members_.size();
}

std::vector<std::shared_ptr<Endpoint>> Bus::Receivers(uint32_t destination) {
    std::vector<std::shared_ptr<Endpoint>> receivers;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Member& member : members_) {
        if (member.endpoint->Id() == destination || member.subscriptions.count(destination) != 0) {
            receivers.push_back(member.endpoint);
        }
    }
    return receivers;
}

bool Bus::CopyPayload(const TagIPCMessageItem& item, std::string& payload) {
    payload.clear();
    if (item.dataLength == 0) {
        return true;
    }
    if (item.data == nullptr || item.dataLength > payload.max_size()) {
        return false;
    }
    try {
        payload.assign(item.data, static_cast<size_t>(item.dataLength));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void Bus::Trace(const TagIPCMessageItem& item, const std::string& payload) {
    TraceHook hook;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hook = traceHook_;
    }
    if (!hook) {
        return;
    }
    TracedMessage traced;
    traced.source = item.source;
    traced.destination = item.destination;
    traced.messageId = item.messageId;
    traced.replyId = item.replyId;
    traced.dataLength = payload.size();
    traced.data = payload;
    hook(traced);
}

void Bus::Deliver(const std::vector<std::shared_ptr<Endpoint>>& receivers,
                  const TagIPCMessageItem& item, const std::string& payload) {
    for (const std::shared_ptr<Endpoint>& receiver : receivers) {
        QueuedMessage message;
        message.item = item;
        message.item.data = nullptr;  // set to the receiver's copy when it is delivered
        try {
            message.payload = payload;
        } catch (const std::bad_alloc&) {
            continue;
        }
        receiver->Enqueue(std::move(message));
    }
}

bool Bus::Accept(const TagIPCMessageItem& item, std::string& payload) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (refuse_) {
            return false;
        }
    }
    return CopyPayload(item, payload);
}

bool Bus::Post(const TagIPCMessageItem& item) {
    std::string payload;
    if (!Accept(item, payload)) {
        return false;
    }
    std::vector<std::shared_ptr<Endpoint>> receivers = Receivers(item.destination);
    Trace(item, payload);
    Deliver(receivers, item, payload);
    return true;
}

bool Bus::Send(const TagIPCMessageItem& item, int timeoutMs, TagIPCMessageItemRecv& reply) {
    std::string payload;
    if (!Accept(item, payload)) {
        return false;
    }
    std::vector<std::shared_ptr<Endpoint>> receivers = Receivers(item.destination);
    if (receivers.empty()) {
        return false;
    }

    TagIPCMessageItem request = item;
    {
        std::lock_guard<std::mutex> lock(sendMutex_);
        do {
            ++lastSequence_;
        } while (lastSequence_ == 0 || lastSequence_ == kNoSequence ||
                 pending_.count(lastSequence_) != 0);
        request.extra0 = lastSequence_;
        PendingSend& pending = pending_[request.extra0];
        pending.source = item.source;
        pending.destination = item.destination;
        pending.messageId = item.messageId;
        pending.replyId = item.replyId;
    }
    const uint32_t sequence = request.extra0;
    Trace(request, payload);
    Deliver(receivers, request, payload);

    std::unique_lock<std::mutex> lock(sendMutex_);
    auto answered = [this, sequence] { return pending_[sequence].answered; };
    bool ok = true;
    if (timeoutMs < 0) {
        sendCv_.wait(lock, answered);
    } else {
        ok = sendCv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), answered);
    }
    auto it = pending_.find(sequence);
    if (ok) {
        const PendingSend& pending = it->second;
        reply.destination = pending.source;
        reply.source = pending.destination;
        reply.messageId = pending.messageId;
        reply.replyId = pending.replyId;
        reply.extra0 = sequence;
        reply.data = std::move(it->second.bytes);
    }
    pending_.erase(it);
    return ok;
}

bool Bus::Reply(const TagIPCMessageItem& request, const std::string& bytes) {
    TagIPCMessageItem answer;
    {
        std::lock_guard<std::mutex> lock(sendMutex_);
        auto it = pending_.find(request.extra0);
        if (it == pending_.end() || it->second.claimed ||
            it->second.messageId != request.messageId || it->second.source != request.source) {
            return false;
        }
        it->second.claimed = true;
        answer.source = it->second.destination;
        answer.destination = it->second.source;
        answer.messageId = it->second.messageId;
        answer.replyId = it->second.replyId;
        answer.extra0 = it->first;
    }
    // Traced before the sender can see the answer, so a trace never lags behind a returned send.
    Trace(answer, bytes);
    {
        std::lock_guard<std::mutex> lock(sendMutex_);
        auto it = pending_.find(answer.extra0);
        if (it == pending_.end()) {
            return false;  // the sender gave up in the meantime
        }
        try {
            it->second.bytes = bytes;
        } catch (const std::bad_alloc&) {
            it->second.claimed = false;
            return false;
        }
        it->second.answered = true;
    }
    sendCv_.notify_all();
    return true;
}

void Bus::SetTraceHook(TraceHook hook) {
    TraceHook previous;
    std::lock_guard<std::mutex> lock(mutex_);
    previous.swap(traceHook_);
    traceHook_ = std::move(hook);
}

void Bus::SetRefuse(bool refuse) {
    std::lock_guard<std::mutex> lock(mutex_);
    refuse_ = refuse;
}

void Bus::MessagesQueued(size_t count) {
    std::lock_guard<std::mutex> lock(idleMutex_);
    unhandled_ += count;
}

void Bus::MessagesDone(size_t count) {
    if (count == 0) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(idleMutex_);
        unhandled_ -= count;
        if (unhandled_ != 0) {
            return;
        }
    }
    idleCv_.notify_all();
}

bool Bus::WaitUntilIdle(std::chrono::milliseconds timeout) {
    if (Endpoint::Current() != nullptr) {
        return false;
    }
    std::unique_lock<std::mutex> lock(idleMutex_);
    return idleCv_.wait_for(lock, timeout, [this] { return unhandled_ == 0; });
}

// ---------------------------------------------------------------------------------------------
// Controls

void SetTraceHook(TraceHook hook) {
    Bus::Instance().SetTraceHook(std::move(hook));
}

bool Reply(const TagIPCMessageItem& request, const std::string& bytes) {
    return Bus::Instance().Reply(request, bytes);
}

bool WaitUntilIdle(std::chrono::milliseconds timeout) {
    return Bus::Instance().WaitUntilIdle(timeout);
}

size_t LiveClientCount() {
    return Bus::Instance().EndpointCount();
}

void SetRefuseMessages(bool refuse) {
    Bus::Instance().SetRefuse(refuse);
}

}  // namespace ipcstandin

// The host's IPC message client: one endpoint on the host's message bus.
//
// A client is an endpoint id. Messages posted or sent to that id are handed to the client's
// callbacks on the library's own thread: the callback registered for the message id, else
// the general callback; a message nobody has a callback for is dropped. Several clients may
// share one id; each of them that has a matching callback receives its own copy.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>

// One message. A fresh record has its first five words all ones, the sixth 0, no payload and
// the flag 0. The record is trivially copyable, so a caller may zero it with
// std::memset(static_cast<void*>(&item), 0, sizeof(item)) before filling it.
struct TagIPCMessageItem {
    uint32_t destination = 0xFFFFFFFF;  // endpoint id of the receiver
    uint32_t source = 0xFFFFFFFF;       // endpoint id of the sender, as the sender fills it
    uint32_t messageId = 0xFFFFFFFF;
    uint32_t replyId = 0xFFFFFFFF;  // id under which the receiver answers; 0 for none
    // Carried as the sender leaves it; on a request of SendIPCMessage the receiver sees the
    // bus's sequence number here, which ipcstandin::Reply uses to find the waiting sender.
    uint32_t extra0 = 0xFFFFFFFF;
    uint32_t extra1 = 0;
    uint64_t dataLength = 0;  // payload length in bytes, 0 without payload
    // Payload bytes, null without payload. Owned by the caller and valid only for the duration
    // of the call: the bus copies them on PostIPCMessage/SendIPCMessage, and the pointer a
    // callback receives is valid until the callback returns.
    char* data = nullptr;
    uint8_t flag = 0;
};
static_assert(std::is_trivially_copyable<TagIPCMessageItem>::value,
              "TagIPCMessageItem travels as raw words");

// The answer to SendIPCMessage: the five leading words of the answer and its bytes.
struct TagIPCMessageItemRecv {
    uint32_t destination = 0xFFFFFFFF;
    uint32_t source = 0xFFFFFFFF;
    uint32_t messageId = 0xFFFFFFFF;
    uint32_t replyId = 0xFFFFFFFF;
    uint32_t extra0 = 0xFFFFFFFF;
    std::string data;
};

// Called on the library's thread with the receiver's own copy of the message.
using IPCMessageCallback = std::function<void(TagIPCMessageItem&)>;

namespace ipcstandin {
class Endpoint;
}

class IPCMessageClient {
public:
    // Joins the bus as endpoint CLIENTID. The two flags are host options that the bus ignores.
    IPCMessageClient(int clientId, bool, bool);
    // Leaves the bus. Messages still queued for this client are dropped; a callback of this
    // client that is running on another thread is waited for.
    ~IPCMessageClient();
    IPCMessageClient(const IPCMessageClient&) = delete;
    IPCMessageClient& operator=(const IPCMessageClient&) = delete;

    // Messages whose destination is ID reach this client too.
    bool SubscribeIPCMessage(unsigned id, unsigned);

    // Queues a copy of the message for every client of its destination and returns at once.
    // False when the record is malformed (a length without data) or the bus refuses it.
    bool PostIPCMessage(const TagIPCMessageItem& item);

    // Delivers the message like a post and waits up to TIMEOUTMS (negative: without limit) for a
    // receiver to answer it. True with the answer in REPLY; false on time-out or when no client
    // has the destination id. A callback must not send to its own client: it would wait for
    // itself until the time-out.
    bool SendIPCMessage(TagIPCMessageItem& item, int timeoutMs, TagIPCMessageItemRecv& reply,
                        unsigned option);

    // The callback for one message id; replaces an earlier one, an empty one removes it.
    void RegisterMessageCallback(unsigned id, IPCMessageCallback callback);
    // The callback for ids without a callback of their own.
    void RegisterGeneralCallback(IPCMessageCallback callback);
    // Removes every callback. When it returns no callback of this client is running or will
    // run, except that a call from inside one of this client's callbacks does not wait for that
    // callback itself to finish.
    void UnRegisterMessageCallbackAll();

private:
    // Shared with the client's delivery thread, which may outlive the client by the rest of
    // one callback when the client is destroyed from inside that callback.
    std::shared_ptr<ipcstandin::Endpoint> endpoint_;
};

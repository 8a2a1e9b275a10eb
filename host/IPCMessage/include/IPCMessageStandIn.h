// Controls of the in-process message bus, for tests and the demo host.
//
// The tandem service, the host endpoints and the folder helper are ordinary clients on the
// same bus: a test or the demo constructs an IPCMessageClient with their id, registers
// callbacks and answers requests with Reply.
#pragma once

#include "IPCMessageClient.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace ipcstandin {

// One message that crossed the bus.
struct TracedMessage {
    uint32_t source = 0;
    uint32_t destination = 0;
    uint32_t messageId = 0;
    uint32_t replyId = 0;
    uint64_t dataLength = 0;
    std::string data;  // the payload bytes
};

// Called for every post, send and answer the bus accepts, on the thread that hands the message
// to the bus and before any receiver sees it. An answer is traced from the request's
// destination to its source with the request's message id and reply id. The hook must not
// block; an empty hook removes it.
using TraceHook = std::function<void(const TracedMessage&)>;
void SetTraceHook(TraceHook hook);

// Answers REQUEST, a message received from SendIPCMessage, with BYTES. True when the sender
// was still waiting and no other receiver had answered first.
bool Reply(const TagIPCMessageItem& request, const std::string& bytes);

// Waits until every client's queue is empty and no callback is running. False on time-out,
// and at once when called from inside a callback (it would wait for itself).
bool WaitUntilIdle(std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Number of clients on the bus.
size_t LiveClientCount();

// While set, PostIPCMessage and SendIPCMessage refuse every message (return false, nothing
// is delivered or traced).
void SetRefuseMessages(bool refuse);

}  // namespace ipcstandin

// Posting from one of the endpoints the demo host plays.
#pragma once

#include <IPCMessageClient.h>

#include <cstddef>
#include <cstdint>

namespace demo {

// Posts MESSAGEID from SOURCE to DESTINATION, by default with no reply id; DATA may be null.
inline bool PostFrom(IPCMessageClient& client, uint32_t source, uint32_t destination,
                     uint32_t messageId, const void* data = nullptr, size_t length = 0,
                     uint32_t replyId = 0) {
    TagIPCMessageItem item;
    item.destination = destination;
    item.source = source;
    item.messageId = messageId;
    item.replyId = replyId;
    if (data != nullptr && length != 0) {
        item.data = static_cast<char*>(const_cast<void*>(data));
        item.dataLength = length;
    }
    return client.PostIPCMessage(item);
}

}  // namespace demo

// The plug-in's IPC hub as the other parts see it: handler registration by message id, and
// posting, sending and cancelling through the one IPC client.
#pragma once

#include "KxShareDevices.h"

#include <IPCMessageClient.h>
// PostMessage and SendMessage are macros of the Windows API, which rename these methods alike
// wherever they are declared, overridden or called.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Vela::Ux {

class ITransferFile {
public:
    // Kind A: data and length.
    using DataHandler = std::function<void(char* data, uint32_t length)>;
    // Kind B: id, data and length.
    using MessageHandler =
        std::function<void(uint32_t messageId, const char* data, uint32_t length)>;
    // Kind C: the whole message record.
    using ItemHandler = std::function<void(TagIPCMessageItem& item)>;

    virtual ~ITransferFile() = default;
    virtual void RegisterDataHandler(uint32_t messageId, DataHandler handler) = 0;
    virtual void RegisterMessageHandler(uint32_t messageId, MessageHandler handler) = 0;
    virtual void RegisterItemHandler(uint32_t messageId, ItemHandler handler) = 0;
    virtual bool PostMessage(uint32_t destination, uint32_t messageId, uint32_t replyId,
                             const char* data, uint32_t length) = 0;
    virtual bool SendMessage(uint32_t destination, uint32_t messageId, int32_t timeout,
                             std::string& body, uint32_t option) = 0;
    virtual bool SendShareRequest(const KxShareDevices& device,
                                  const std::vector<std::wstring>& files) = 0;
    virtual bool CancelSend() = 0;
    virtual IPCMessageClient* GetIPCClient() = 0;
};

}  // namespace Vela::Ux

// The plug-in's side of the bus for the demo endpoints' tests: a message builder, and the hub
// reduced to one client as the plug-in whose per-id callbacks run the registered handlers in
// order.
#pragma once

#include "IPCMessageIds.h"
#include "ITransferFile.h"

#include <IPCMessageClient.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace apptest {

// Posts LENGTH bytes of DATA (none when null) from FROM to TO.
inline bool Post(IPCMessageClient& client, uint32_t to, uint32_t id,
                 uint32_t replyId = kReplyIdNone, const char* data = nullptr, size_t length = 0,
                 uint32_t from = kEndpointPlugin) {
    TagIPCMessageItem item;
    item.destination = to;
    item.source = from;
    item.messageId = id;
    item.replyId = replyId;
    if (data != nullptr && length != 0) {
        item.data = const_cast<char*>(data);
        item.dataLength = length;
    }
    return client.PostIPCMessage(item);
}

class BusTransfer : public Vela::Ux::ITransferFile {
public:
    BusTransfer() : client_(static_cast<int>(kEndpointPlugin), true, false) {}
    ~BusTransfer() override { client_.UnRegisterMessageCallbackAll(); }

    void RegisterDataHandler(uint32_t, DataHandler) override {}
    void RegisterMessageHandler(uint32_t id, MessageHandler handler) override {
        bool first = false;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            first = handlers_[id].empty();
            handlers_[id].push_back(std::move(handler));
        }
        if (first) {
            client_.RegisterMessageCallback(id, [this](TagIPCMessageItem& item) {
                std::vector<MessageHandler> handlers;
                {
                    std::lock_guard<std::mutex> guard(mutex_);
                    handlers = handlers_[item.messageId];
                }
                for (auto& handler : handlers) {
                    handler(item.messageId, item.data, static_cast<uint32_t>(item.dataLength));
                }
            });
        }
    }
    void RegisterItemHandler(uint32_t, ItemHandler) override {}
    bool PostMessage(uint32_t destination, uint32_t id, uint32_t replyId, const char* data,
                     uint32_t length) override {
        return Post(client_, destination, id, replyId, data, length);
    }
    bool SendMessage(uint32_t, uint32_t, int32_t, std::string&, uint32_t) override { return false; }
    bool SendShareRequest(const KxShareDevices&, const std::vector<std::wstring>&) override {
        return false;
    }
    bool CancelSend() override { return false; }
    IPCMessageClient* GetIPCClient() override { return &client_; }

private:
    std::mutex mutex_;
    std::map<uint32_t, std::vector<MessageHandler>> handlers_;
    IPCMessageClient client_;
};

}  // namespace apptest

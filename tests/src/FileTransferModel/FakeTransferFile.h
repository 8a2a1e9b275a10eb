// A hand-written ITransferFile for the send-side tests: records handlers, posts, share
// requests and cancels, from any thread.
#pragma once

#include "DataStream.h"
#include "FileTransferItem.h"
#include "ITransferFile.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Vela::Ux::testing {

struct Post {
    uint32_t destination = 0;
    uint32_t messageId = 0;
    uint32_t replyId = 0;
    uint32_t length = 0;
    bool operator==(const Post& other) const {
        return destination == other.destination && messageId == other.messageId &&
               replyId == other.replyId && length == other.length;
    }
};

struct ShareRequest {
    KxShareDevices device;
    std::vector<std::wstring> files;
    std::thread::id thread;
    std::chrono::steady_clock::time_point at;
};

class FakeTransferFile : public ITransferFile {
public:
    void RegisterDataHandler(uint32_t, DataHandler) override {}
    void RegisterMessageHandler(uint32_t messageId, MessageHandler handler) override {
        std::lock_guard<std::mutex> guard(mutex);
        registeredIds.push_back(messageId);
        handlers[messageId].push_back(std::move(handler));
    }
    void RegisterItemHandler(uint32_t, ItemHandler) override {}
    bool PostMessage(uint32_t destination, uint32_t messageId, uint32_t replyId, const char*,
                     uint32_t length) override {
        std::lock_guard<std::mutex> guard(mutex);
        posts.push_back({destination, messageId, replyId, length});
        return true;
    }
    bool SendMessage(uint32_t, uint32_t, int32_t, std::string&, uint32_t) override { return false; }
    bool SendShareRequest(const KxShareDevices& device,
                          const std::vector<std::wstring>& files) override {
        {
            std::lock_guard<std::mutex> guard(mutex);
            shares.push_back(
                {device, files, std::this_thread::get_id(), std::chrono::steady_clock::now()});
        }
        changed.notify_all();
        return true;
    }
    bool CancelSend() override {
        std::lock_guard<std::mutex> guard(mutex);
        ++cancels;
        return true;
    }
    IPCMessageClient* GetIPCClient() override { return nullptr; }

    // Calls the handlers of `messageId` as the IPC thread would.
    void Deliver(uint32_t messageId, const char* data, uint32_t length) {
        std::vector<MessageHandler> list;
        {
            std::lock_guard<std::mutex> guard(mutex);
            list = handlers[messageId];
        }
        for (MessageHandler& handler : list) {
            handler(messageId, data, length);
        }
    }
    void Deliver(uint32_t messageId, const std::string& body) {
        Deliver(messageId, body.empty() ? nullptr : body.data(),
                static_cast<uint32_t>(body.size()));
    }

    std::vector<Post> Posts() {
        std::lock_guard<std::mutex> guard(mutex);
        return posts;
    }
    std::vector<uint32_t> PostedIds() {
        std::vector<uint32_t> ids;
        for (const Post& post : Posts()) {
            ids.push_back(post.messageId);
        }
        return ids;
    }
    std::vector<ShareRequest> Shares() {
        std::lock_guard<std::mutex> guard(mutex);
        return shares;
    }
    size_t ShareCount() {
        std::lock_guard<std::mutex> guard(mutex);
        return shares.size();
    }
    int Cancels() {
        std::lock_guard<std::mutex> guard(mutex);
        return cancels;
    }
    std::vector<uint32_t> RegisteredIds() {
        std::lock_guard<std::mutex> guard(mutex);
        return registeredIds;
    }
    // Waits for the COUNT-th share request (the delayed send's real-time contract).
    bool WaitForShares(size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return shares.size() >= count; });
    }
    void ClearRecords() {
        std::lock_guard<std::mutex> guard(mutex);
        posts.clear();
        shares.clear();
        cancels = 0;
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    std::map<uint32_t, std::vector<MessageHandler>> handlers;
    std::vector<uint32_t> registeredIds;
    std::vector<Post> posts;
    std::vector<ShareRequest> shares;
    int cancels = 0;
};

// Body of the status message: param, 8 raw bytes with the code first, the detail for 46.
inline std::string StatusBody(uint32_t code, int32_t param = 0, int32_t detail = 0) {
    unsigned char raw[8] = {};
    std::memcpy(raw, &code, sizeof(code));
    tandem::RawBlock block{raw, sizeof(raw)};
    tandem::Payload payload = code == DTCP_STATUS_SEND_DISCONNECTED
                                  ? tandem::BuildPayload(param, block, detail)
                                  : tandem::BuildPayload(param, block);
    return std::string(payload.block.get(), payload.size);
}

// Body of the progress message.
inline std::string ProgressBody(uint32_t progress, uint32_t leftTime, uint32_t speed) {
    KxShareProgress body{progress, leftTime, speed};
    return std::string(reinterpret_cast<const char*>(&body), sizeof(body));
}

inline KxShareDevices Phone(const std::string& summary, uint32_t shareType = 2) {
    KxShareDevices device;
    device.summary = summary;
    device.shareType = shareType;
    device.devName = L"dev-" + std::wstring(summary.begin(), summary.end());
    return device;
}

}  // namespace Vela::Ux::testing

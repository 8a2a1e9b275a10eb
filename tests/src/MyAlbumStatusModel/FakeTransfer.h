// An ITransferFile that records posts and runs registered handlers on demand.
#pragma once

#include "ITransferFile.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace testpair {

struct PostedMessage {
    uint32_t destination = 0;
    uint32_t id = 0;
    uint32_t replyId = 0;
    std::string data;
};

class FakeTransfer : public Vela::Ux::ITransferFile {
public:
    void RegisterDataHandler(uint32_t, DataHandler) override {}
    void RegisterMessageHandler(uint32_t id, MessageHandler handler) override {
        std::lock_guard<std::mutex> guard(mutex_);
        handlers_[id].push_back(std::move(handler));
    }
    void RegisterItemHandler(uint32_t, ItemHandler) override {}
    bool PostMessage(uint32_t destination, uint32_t id, uint32_t replyId, const char* data,
                     uint32_t length) override {
        std::lock_guard<std::mutex> guard(mutex_);
        posts_.push_back({destination, id, replyId,
                          data != nullptr ? std::string(data, length) : std::string()});
        changed_.notify_all();
        return true;
    }
    bool SendMessage(uint32_t, uint32_t, int32_t, std::string&, uint32_t) override { return false; }
    bool SendShareRequest(const KxShareDevices&, const std::vector<std::wstring>&) override {
        return false;
    }
    bool CancelSend() override { return false; }
    IPCMessageClient* GetIPCClient() override { return nullptr; }

    // Runs the handlers of ID in registration order, as the hub's dispatcher does.
    void Deliver(uint32_t id, const std::string& bytes) {
        std::vector<MessageHandler> handlers;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            handlers = handlers_[id];
        }
        for (auto& handler : handlers) {
            handler(id, bytes.empty() ? nullptr : bytes.data(),
                    static_cast<uint32_t>(bytes.size()));
        }
    }
    size_t HandlerCount(uint32_t id) {
        std::lock_guard<std::mutex> guard(mutex_);
        return handlers_[id].size();
    }

    std::vector<PostedMessage> Posts() {
        std::lock_guard<std::mutex> guard(mutex_);
        return posts_;
    }
    // Posts of ID, in order.
    std::vector<PostedMessage> PostsOf(uint32_t id) {
        std::vector<PostedMessage> found;
        for (const PostedMessage& post : Posts()) {
            if (post.id == id) {
                found.push_back(post);
            }
        }
        return found;
    }
    size_t CountOf(uint32_t id) { return PostsOf(id).size(); }
    // Posts to the host endpoint, in order.
    std::vector<PostedMessage> HostPosts() {
        std::vector<PostedMessage> found;
        for (const PostedMessage& post : Posts()) {
            if (post.destination == 0x40000) {
                found.push_back(post);
            }
        }
        return found;
    }
    // Waits until COUNT posts of ID were made; false on time-out.
    bool WaitForCount(uint32_t id, size_t count,
                      std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] {
            size_t n = 0;
            for (const PostedMessage& post : posts_) {
                n += post.id == id ? 1 : 0;
            }
            return n >= count;
        });
    }
    void ClearPosts() {
        std::lock_guard<std::mutex> guard(mutex_);
        posts_.clear();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<uint32_t, std::vector<MessageHandler>> handlers_;
    std::vector<PostedMessage> posts_;
};

}  // namespace testpair

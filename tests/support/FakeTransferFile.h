// The tests' ITransferFile: records handlers (both kinds run on Deliver, as the hub's dispatcher
// does), posts with their bytes, share requests and cancels, from any thread.
#pragma once

#include "ITransferFile.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

struct Post {
    uint32_t destination = 0;
    uint32_t messageId = 0;
    uint32_t replyId = 0;
    std::string data;
    bool operator==(const Post& other) const {
        return destination == other.destination && messageId == other.messageId &&
               replyId == other.replyId && data == other.data;
    }
};

struct ShareRequest {
    KxShareDevices device;
    std::vector<std::wstring> files;
    std::thread::id thread;
};

class FakeTransferFile : public Vela::Ux::ITransferFile {
public:
    void RegisterDataHandler(uint32_t id, DataHandler handler) override {
        std::lock_guard<std::mutex> guard(mutex_);
        registered_.push_back(id);
        dataHandlers_[id].push_back(std::move(handler));
    }
    void RegisterMessageHandler(uint32_t id, MessageHandler handler) override {
        std::lock_guard<std::mutex> guard(mutex_);
        registered_.push_back(id);
        handlers_[id].push_back(std::move(handler));
    }
    void RegisterItemHandler(uint32_t, ItemHandler) override {}
    bool PostMessage(uint32_t destination, uint32_t id, uint32_t replyId, const char* data,
                     uint32_t length) override {
        std::lock_guard<std::mutex> guard(mutex_);
        posts_.push_back({destination, id, replyId, data ? std::string(data, length) : ""});
        changed_.notify_all();
        return postResult;
    }
    bool SendMessage(uint32_t, uint32_t, int32_t, std::string&, uint32_t) override { return false; }
    bool SendShareRequest(const KxShareDevices& device,
                          const std::vector<std::wstring>& files) override {
        std::lock_guard<std::mutex> guard(mutex_);
        shares_.push_back({device, files, std::this_thread::get_id()});
        changed_.notify_all();
        return true;
    }
    bool CancelSend() override {
        std::lock_guard<std::mutex> guard(mutex_);
        ++cancels_;
        return true;
    }
    IPCMessageClient* GetIPCClient() override { return client; }

    // Runs the handlers of ID in registration order, message handlers first, as the IPC thread.
    void Deliver(uint32_t id, const char* data, uint32_t length) {
        std::vector<MessageHandler> handlers;
        std::vector<DataHandler> dataHandlers;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            handlers = handlers_[id];
            dataHandlers = dataHandlers_[id];
        }
        for (MessageHandler& handler : handlers) {
            handler(id, data, length);
        }
        for (DataHandler& handler : dataHandlers) {
            handler(const_cast<char*>(data), length);
        }
    }
    // An empty body arrives as no body.
    void Deliver(uint32_t id, const std::string& body) {
        Deliver(id, body.empty() ? nullptr : body.data(), static_cast<uint32_t>(body.size()));
    }

    std::vector<uint32_t> RegisteredIds() {
        std::lock_guard<std::mutex> guard(mutex_);
        return registered_;
    }
    size_t HandlerCount(uint32_t id) {
        std::lock_guard<std::mutex> guard(mutex_);
        return handlers_[id].size() + dataHandlers_[id].size();
    }
    std::vector<Post> Posts() {
        std::lock_guard<std::mutex> guard(mutex_);
        return posts_;
    }
    // Posts of message ID, or to DESTINATION, in order.
    std::vector<Post> PostsOf(uint32_t id) { return Matching(&Post::messageId, id); }
    std::vector<Post> PostsTo(uint32_t destination) {
        return Matching(&Post::destination, destination);
    }
    size_t CountOf(uint32_t id) { return PostsOf(id).size(); }
    std::vector<uint32_t> PostedIds() {
        std::vector<uint32_t> ids;
        for (const Post& post : Posts()) {
            ids.push_back(post.messageId);
        }
        return ids;
    }
    std::vector<ShareRequest> Shares() {
        std::lock_guard<std::mutex> guard(mutex_);
        return shares_;
    }
    size_t ShareCount() { return Shares().size(); }
    int Cancels() {
        std::lock_guard<std::mutex> guard(mutex_);
        return cancels_;
    }
    // Wait in real time for COUNT posts of ID, or for COUNT share requests; false on time-out.
    bool WaitForCount(uint32_t id, size_t count,
                      std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] {
            return std::count_if(posts_.begin(), posts_.end(), [id](const Post& post) {
                       return post.messageId == id;
                   }) >= static_cast<std::ptrdiff_t>(count);
        });
    }
    bool WaitForShares(size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return shares_.size() >= count; });
    }
    void ClearPosts() {
        std::lock_guard<std::mutex> guard(mutex_);
        posts_.clear();
    }
    void ClearRecords() {
        std::lock_guard<std::mutex> guard(mutex_);
        posts_.clear();
        shares_.clear();
        cancels_ = 0;
    }

    bool postResult = true;
    IPCMessageClient* client = nullptr;

private:
    std::vector<Post> Matching(uint32_t Post::*field, uint32_t value) {
        std::vector<Post> found = Posts();
        found.erase(std::remove_if(found.begin(), found.end(),
                                   [&](const Post& post) { return post.*field != value; }),
                    found.end());
        return found;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<uint32_t, std::vector<MessageHandler>> handlers_;
    std::map<uint32_t, std::vector<DataHandler>> dataHandlers_;
    std::vector<uint32_t> registered_;
    std::vector<Post> posts_;
    std::vector<ShareRequest> shares_;
    int cancels_ = 0;
};

}  // namespace testsupport

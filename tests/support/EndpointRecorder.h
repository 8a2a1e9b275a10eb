// A client on the bus that keeps what reaches it: every message, or those of one id.
#pragma once

#include <IPCMessageClient.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

class EndpointRecorder {
public:
    explicit EndpointRecorder(uint32_t endpoint, uint32_t onlyId = 0)
        : client_(static_cast<int>(endpoint), true, false) {
        auto keep = [this](TagIPCMessageItem& item) {
            std::lock_guard<std::mutex> guard(mutex_);
            items_.push_back(item);
            bodies_.emplace_back(item.data ? std::string(item.data, item.dataLength) : "");
            changed_.notify_all();
        };
        if (onlyId != 0) {
            client_.RegisterMessageCallback(onlyId, keep);
        } else {
            client_.RegisterGeneralCallback(keep);
        }
    }
    ~EndpointRecorder() { client_.UnRegisterMessageCallbackAll(); }

    std::vector<TagIPCMessageItem> Items() {
        std::lock_guard<std::mutex> guard(mutex_);
        return items_;
    }
    std::vector<std::string> Bodies() {
        std::lock_guard<std::mutex> guard(mutex_);
        return bodies_;
    }
    size_t Count() { return Items().size(); }
    size_t CountOf(uint32_t id) {
        const std::vector<TagIPCMessageItem> items = Items();
        return std::count_if(items.begin(), items.end(),
                             [id](const TagIPCMessageItem& item) { return item.messageId == id; });
    }
    // True once COUNT messages have come, within a real-time bound.
    bool WaitForCount(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return items_.size() >= count; });
    }
    IPCMessageClient& Client() { return client_; }

private:
    IPCMessageClient client_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<TagIPCMessageItem> items_;
    std::vector<std::string> bodies_;
};

}  // namespace testsupport

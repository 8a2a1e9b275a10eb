#include "IPCRespondor.h"

#include <algorithm>
#include <utility>

namespace Vela::Ux {

RequestEntry::~RequestEntry() {
    End();
}

void RequestEntry::Signal() {
    std::lock_guard<std::mutex> guard(eventLock);
    if (event != nullptr) {
        SetEvent(event);
    }
}

void RequestEntry::End() {
    if (worker.joinable()) {
        done = true;
        Signal();
        worker.join();
    }
}

IPCRespondor::~IPCRespondor() {
    Stop();
}

bool IPCRespondor::AddRequest(uint32_t replyId, std::function<void()> request,
                              RequestCallback callback, uint32_t intervalMs, uint32_t count) {
    std::lock_guard<std::mutex> guard(requestLock);
    if (transfer.load() == nullptr || stopped) {
        return false;
    }
    RequestEntry* entry = nullptr;
    auto found = std::find_if(requests.begin(), requests.end(),
                              [replyId](RequestEntry* e) { return e->replyId == replyId; });
    if (found != requests.end()) {
        entry = *found;
        entry->End();
        entry->done = false;
    } else {
        entry = new RequestEntry();
        requests.push_back(entry);
    }
    entry->replyId = replyId;
    entry->callback = [entry, callback = std::move(callback)](uint32_t id, const char* data,
                                                              uint32_t length) {
        entry->done = true;
        entry->Signal();
        if (callback) {
            callback(id, data, length);
        }
    };
    entry->worker =
        std::thread(&IPCRespondor::RunWorker, entry, std::move(request), intervalMs, count);
    return true;
}

void IPCRespondor::RunWorker(RequestEntry* entry, std::function<void()> request,
                             uint32_t intervalMs, uint32_t count) {
    HANDLE event = nullptr;
    {
        std::lock_guard<std::mutex> guard(entry->eventLock);
        if (entry->event != nullptr) {
            ResetEvent(entry->event);
        } else {
            entry->event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        }
        event = entry->event;
    }
    uint32_t attempts = 0;
    while (!entry->done && attempts < count) {
        if (request) {
            request();
        }
        ++attempts;
        if (event == nullptr) {
            // Without an event nothing could cut the wait short: one attempt only.
            break;
        }
        WaitForSingleObject(event, intervalMs);
    }
    std::lock_guard<std::mutex> guard(entry->eventLock);
    if (entry->event != nullptr) {
        CloseHandle(entry->event);
        entry->event = nullptr;
    }
}

void IPCRespondor::OnIPCAnswer(uint32_t id, const char* data, uint32_t length) {
    std::lock_guard<std::mutex> guard(requestLock);
    auto found = std::find_if(requests.begin(), requests.end(),
                              [id](RequestEntry* e) { return e->replyId == id; });
    if (found == requests.end()) {
        return;
    }
    RequestEntry* entry = *found;
    if (entry->callback) {
        entry->callback(id, data, length);
    }
    entry->End();
    requests.erase(found);
    delete entry;
}

void IPCRespondor::Stop() {
    std::vector<RequestEntry*> ending;
    {
        std::lock_guard<std::mutex> guard(requestLock);
        stopped = true;
        ending.swap(requests);
    }
    // Joined outside the lock: an answer arriving meanwhile finds no entry and is ignored.
    for (RequestEntry* entry : ending) {
        entry->End();
        delete entry;
    }
}

void IPCRespondor::Resume() {
    std::lock_guard<std::mutex> guard(requestLock);
    stopped = false;
}

size_t IPCRespondor::PendingRequestCount() {
    std::lock_guard<std::mutex> guard(requestLock);
    return requests.size();
}

bool IPCRespondor::HasPendingRequest(uint32_t replyId) {
    std::lock_guard<std::mutex> guard(requestLock);
    return std::any_of(requests.begin(), requests.end(),
                       [replyId](RequestEntry* e) { return e->replyId == replyId; });
}

}  // namespace Vela::Ux

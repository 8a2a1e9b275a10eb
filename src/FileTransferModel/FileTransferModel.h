// The send model: turns send requests into transfer items, queues them first in first out,
// runs one at a time and routes the tandem service's responses to the running item.
//
// Threads: AddSendItem runs its checks, notices, reports and the item's size sums on the
// caller's thread and hands the item to the UI thread; responses are copied on the IPC thread
// and handled on the UI thread; everything else, construction and destruction included, runs
// on the UI thread.
//
// Lifetime: work posted to the UI queue (items on their way in, response copies, state
// notices from the delayed-send worker) and the response handlers registered on the send
// helper, which cannot be unregistered, go through the helper's LifetimeGuard; work that
// arrives after the model is gone frees what it carries and does nothing else, and destroying
// the model waits for a handler that is copying a response at that moment. A state notice
// posted for an item that has been destroyed since (by StartNext, Clear, RemoveItem, CancelAll
// or a merge) is dropped.
#pragma once

#include "FileTransferItem.h"
#include "FileTransferModelCallback.h"
#include "ITransferFile.h"
#include "KxShareDevices.h"
#include "LifetimeGuard.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace Vela::Ux {

class FileTransferModelHelper : public FileTransferItem::IStateNotifier {
public:
    // Registers the response handler for the send model's ids on `sendHelper`.
    explicit FileTransferModelHelper(ITransferFile* sendHelper);
    ~FileTransferModelHelper() override;
    FileTransferModelHelper(const FileTransferModelHelper&) = delete;
    FileTransferModelHelper& operator=(const FileTransferModelHelper&) = delete;

    // From the running item on the UI thread, or from its delayed-send worker.
    void OnStateChanged(FileTransferItem* item) override;

    // On the send helper's IPC thread: copies the payload and hands it to the UI thread.
    void OnIPCResponse(uint32_t id, const char* payload, uint32_t length);

    // UI thread from here on.
    void AddItemChecked(std::unique_ptr<FileTransferItem> item);
    void AddItem(std::unique_ptr<FileTransferItem> item);
    void StartNext(int32_t delayMs);
    void HandleStateChanged(FileTransferItem* item);
    void RemoveItem(uint32_t id);
    void RetryItem(uint32_t id);
    void CancelAll();
    void Clear();
    void SetCallback(FileTransferModelCallback* value) { callback = value; }
    size_t GetQueuedCount() const { return queue.size(); }
    bool IsBusy() const;

    const LifetimeGuard& GetLifetime() const { return lifetime; }

private:
    // The item that carries `id`: the running one, else the first waiting one.
    FileTransferItem* FindItem(uint32_t id) const;
    // True while the model owns `item` and it still carries `id`.
    bool Owns(const FileTransferItem* item, uint32_t id) const;
    void DeliverResponse(uint32_t id, const char* payload, uint32_t length);

    FileTransferModelCallback* callback = nullptr;  // not owned
    std::unique_ptr<FileTransferItem> current;
    std::deque<std::unique_ptr<FileTransferItem>> queue;
    ITransferFile* sendHelper = nullptr;  // not owned; outlives the model
    LifetimeGuard lifetime;
};

class FileTransferModel {
public:
    // `sendHelper` (the simple UI manager) outlives the model. Construct on the UI thread.
    explicit FileTransferModel(ITransferFile* sendHelper);
    ~FileTransferModel();
    FileTransferModel(const FileTransferModel&) = delete;
    FileTransferModel& operator=(const FileTransferModel&) = delete;

    // Any thread.
    void AddSendItem(const KxShareDevices& device, const std::vector<std::wstring>& files,
                     SendSponsorSource source);
    // Any thread: re-posts itself to the UI thread when called elsewhere.
    void AddItemChecked(std::unique_ptr<FileTransferItem> item);

    // UI thread.
    void SetCallback(FileTransferModelCallback* callback);
    void RemoveItem(uint32_t id);
    void RetryItem(uint32_t id);
    void StartNext(int32_t delayMs);
    void CancelAll();
    void Clear();
    size_t GetQueuedCount() const;
    bool IsBusy() const;

private:
    std::unique_ptr<FileTransferModelHelper> helper;
};

}  // namespace Vela::Ux

// The delayed send of a send item: after a user cancel the next item's share request reaches
// the service only after a delay, which a cancel can cut short (nothing is sent then).
#pragma once

#include "ITransferFile.h"
#include "KxShareDevices.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Vela::Ux {

class FileTransferSendItem;

// Owned by its send item. At most one worker at a time; the worker holds `mutex` while it
// waits (released inside the wait) and while it sends and changes the item's state.
class DelayExecutor {
public:
    DelayExecutor() = default;
    // Stops and joins the worker.
    ~DelayExecutor();
    DelayExecutor(const DelayExecutor&) = delete;
    DelayExecutor& operator=(const DelayExecutor&) = delete;

    // On the UI thread, when the item is ready to send and `delayMs` is at least 1: the item
    // becomes Connecting without a notice, and its executor's worker sends after `delayMs`
    // unless it is stopped first.
    static void DelayExecute(FileTransferSendItem* item, int32_t delayMs, ITransferFile* sendHelper,
                             const KxShareDevices& device, const std::vector<std::wstring>& files);

    // Asks a waiting worker to give up and joins it; blocks until the worker has ended (a
    // worker in the middle of sending finishes its send first). Never call on the worker.
    void QuitDelayExecuteThread();

    // Returns once a worker that is sending has finished its send and its state change; a
    // waiting worker is not disturbed. Lets the item handle an answer of the service only after
    // the worker's own Connecting change, never before it.
    void WaitWhileSending();

private:
    struct Context {
        FileTransferSendItem* item = nullptr;  // not owned
        int32_t delayMs = 0;
        ITransferFile* sendHelper = nullptr;  // not owned
        KxShareDevices device;
        std::vector<std::wstring> files;
    };

    void DelayExecuteThread(std::unique_ptr<Context> context);

    std::thread thread;
    std::mutex mutex;
    std::condition_variable cv;
    bool quit = false;
};

}  // namespace Vela::Ux

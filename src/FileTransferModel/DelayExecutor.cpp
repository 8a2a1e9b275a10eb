#include "DelayExecutor.h"

#include "FileTransferSendItem.h"
#include "SDK/Util/LogTool/LogTool.h"

#include <TimedWait.h>
#include <windows.h>

#include <chrono>

namespace Vela::Ux {

DelayExecutor::~DelayExecutor() {
    QuitDelayExecuteThread();
}

void DelayExecutor::DelayExecute(FileTransferSendItem* item, int32_t delayMs,
                                 ITransferFile* sendHelper, const KxShareDevices& device,
                                 const std::vector<std::wstring>& files) {
    item->SetStageSilently(TransferStage::Connecting);
    DelayExecutor* executor = item->executor.get();
    if (executor == nullptr) {
        return;
    }
    if (executor->thread.joinable()) {
        executor->QuitDelayExecuteThread();
    }
    {
        std::lock_guard<std::mutex> guard(executor->mutex);
        executor->quit = false;
    }
    std::unique_ptr<Context> context(new Context);
    context->item = item;
    context->delayMs = delayMs;
    context->sendHelper = sendHelper;
    context->device = device;
    context->files = files;
    executor->thread = std::thread(
        [executor](std::unique_ptr<Context> owned) {
            executor->DelayExecuteThread(std::move(owned));
        },
        std::move(context));
}

void DelayExecutor::DelayExecuteThread(std::unique_ptr<Context> context) {
    std::unique_lock<std::mutex> lock(mutex);
    const uint64_t waitStart = GetTickCount64();
    bool timedOut = false;
    while (!quit) {
        if (platform::WaitFor(cv, lock, std::chrono::milliseconds(context->delayMs)) ==
            std::cv_status::timeout) {
            timedOut = true;
            break;
        }
        if (!quit) {
            // Spurious: wait the full delay again.
            LOG_WARN("delayed send woke after " << (GetTickCount64() - waitStart)
                                                << " ms without a cancel, waiting again");
        }
    }
    // A quit that arrived while the wait was timing out still wins: nothing is sent.
    if (!timedOut || quit) {
        return;
    }
    FileTransferSendItem* item = context->item;
    item->startTicks = GetTickCount64();
    context->sendHelper->SendShareRequest(context->device, context->files);
    item->SetFailReason(FailReason::None);
    item->SetState({TransferStage::Connecting, TransferResult::Ok});
}

void DelayExecutor::QuitDelayExecuteThread() {
    if (!thread.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(mutex);
        quit = true;
    }
    cv.notify_all();
    thread.join();
}

void DelayExecutor::WaitWhileSending() {
    std::lock_guard<std::mutex> guard(mutex);
}

}  // namespace Vela::Ux

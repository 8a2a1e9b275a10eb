// Drives the send model until the transfer dialog and its controller take over: logs every
// change of the items and starts the next item when the running one has finished (after
// `cancelDelayMs` when the user cancelled it, at once otherwise).
#pragma once

#include "FileTransferModel.h"
#include "FileTransferModelCallback.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Vela {
namespace Ux {

class FileTransferItem;

// Lives on the UI thread. Installs itself as the model's callback and removes itself when
// destroyed, so it must be destroyed before the model. Its deferred restarts go through the UI
// queue and hold only a token of this object: once it is destroyed they do nothing, so they
// never reach the model either.
class InterimModelCallback : public FileTransferModelCallback {
public:
    explicit InterimModelCallback(FileTransferModel& model, int32_t cancelDelayMs = 1000);
    ~InterimModelCallback() override;
    InterimModelCallback(const InterimModelCallback&) = delete;
    InterimModelCallback& operator=(const InterimModelCallback&) = delete;

    void OnItemQueued(FileTransferItem* item) override;
    void OnItemStarted(FileTransferItem* item) override;
    void OnItemRemoved(FileTransferItem* item) override;
    void OnItemStateChanged(FileTransferItem* item) override;

    // "item <id> <stage> <result> <percent>% speed <speed> left <leftTime> reason <reason>".
    static std::string DescribeState(FileTransferItem* item);

private:
    void RestartAfter(uint32_t finishedId, int32_t delayMs);

    FileTransferModel& model;
    int32_t cancelDelayMs;
    uint32_t runningId = 0;  // 0: no running item known
    bool runningFinished = false;
    bool restartPosted = false;
    std::shared_ptr<int> alive;
};

}  // namespace Ux
}  // namespace Vela

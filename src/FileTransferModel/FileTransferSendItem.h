// The send item: asks the service for the radios, sends once the needed radios are on (at
// once or through its DelayExecutor), and follows the service's status and progress messages.
#pragma once

#include "DelayExecutor.h"
#include "FileTransferItem.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Vela::Ux {

class FileTransferSendItem : public FileTransferItem {
public:
    // Sums the file sizes here, on the requesting thread (mapped network shares included; an
    // unreadable path adds nothing).
    FileTransferSendItem(const KxShareDevices& device, const std::vector<std::wstring>& files,
                         SendSponsorSource source);
    // Stops a waiting delayed send first; nothing is sent then.
    ~FileTransferSendItem() override;

    void Merge(FileTransferItem* other) override;
    void OnIPCResponse(uint32_t id, const char* payload, uint32_t length) override;
    void Start() override;
    void Cancel() override;

    FailReason GetFailReason() const { return static_cast<FailReason>(failReason.load()); }
    uint32_t GetDisconnectCode() const { return disconnectCode; }
    uint64_t GetTotalBytes() const { return totalBytes; }
    uint64_t GetStartTicks() const { return startTicks.load(); }
    uint64_t GetElapsedMs() const { return elapsedMs; }
    const std::vector<std::wstring>& GetFiles() const { return files; }
    SendSponsorSource GetSource() const { return source; }

private:
    friend class DelayExecutor;

    void SetFailReason(FailReason reason) { failReason = static_cast<int32_t>(reason); }
    void HandleRadio(uint32_t id);
    void HandleStatus(const char* payload, uint32_t length);
    void HandleProgress(const char* payload, uint32_t length);
    void UpdatePreparingReason();
    void UpdateFinishedReason();
    void ExecuteSend();
    // Stage and result under the state lock.
    TransferStage CurrentStage() const;
    TransferResult CurrentResult() const;
    // The stage alone, without a notice (the delayed send).
    void SetStageSilently(TransferStage stage);

    uint32_t disconnectCode = 0;
    // Written by the delayed-send worker as well as on the UI thread.
    std::atomic<int32_t> failReason{0};
    uint64_t totalBytes = 0;
    std::atomic<uint64_t> startTicks{0};
    uint64_t elapsedMs = 0;
    std::vector<std::wstring> files;
    bool btOn = false;
    bool wifiOn = false;
    bool btKnown = false;
    bool wifiKnown = false;
    std::unique_ptr<DelayExecutor> executor;
    SendSponsorSource source = SendSponsorSource::FromContextMenu;
};

}  // namespace Vela::Ux

// The tandem service's pairing side, as the demo host plays it: answers the plug-in's pairing,
// connection and paired-device requests and posts change notices when the phone is paired,
// unpaired, connected or disconnected.
#pragma once

#include <IPCMessageClient.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace demo {

class PairingServiceSim {
public:
    PairingServiceSim(bool paired, bool connected);
    ~PairingServiceSim();
    PairingServiceSim(const PairingServiceSim&) = delete;
    PairingServiceSim& operator=(const PairingServiceSim&) = delete;

    // Joins the bus as 0x150000 with callbacks for the requests it answers only, so that other
    // players of the service may share the id. False when already started.
    bool Start();
    // Leaves the bus; no callback runs after it returns.
    void Stop();

    // Change the phone's state and post the change notice to the plug-in.
    void SetPaired(bool paired);
    void SetConnected(bool connected);

    bool IsPaired() const { return paired_; }
    bool IsConnected() const { return connected_; }
    // Number of requests of ID received so far.
    int RequestCount(uint32_t id) const;

private:
    void OnRequest(TagIPCMessageItem& item);
    void Post(uint32_t destination, uint32_t id, const char* data, uint32_t length);
    void PostPairingState(uint32_t destination);
    void PostConnectionState(uint32_t destination);

    std::atomic<bool> paired_;
    std::atomic<bool> connected_;
    mutable std::mutex mutex_;
    std::map<uint32_t, int> requestCounts_;  // guarded by mutex_
    std::unique_ptr<IPCMessageClient> client_;
};

}  // namespace demo

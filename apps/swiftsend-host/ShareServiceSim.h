// A stand-in for the tandem service's share side on the in-process message bus, for the demo
// host: answers the radio request, plays a share request as a transfer paced by the files'
// real size at a simulated link speed, and answers the cancel request.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class IPCMessageClient;
struct TagIPCMessageItem;

// Scenarios: "" or "ok" (success), "fail" (a failure after some progress), "reject" (the
// receiver refuses), "recvcancel" (the receiver cancels after some progress), "radio-off"
// (Bluetooth reported off, the item waits), "busy" (the receiver is busy).
//
// Notice scenarios, played once by PlayNotice: "restart-needed", "bt-fault", "channel-busy",
// "wlan-disconnected" (played twice by the demo host, the second replacing the first's
// window), "decoder-error" (no
// text: the fix offer), "decoder-error-text" (a text: the restart offer) and "recv-fail" (the
// receive failure with code 27, no space left).
//
// Progress messages carry the percent, the time left in seconds and the speed in bytes per
// second, at most ten per second.
class ShareServiceSim {
public:
    ShareServiceSim(const std::string& scenario, uint64_t linkBytesPerSecond);
    ~ShareServiceSim();
    ShareServiceSim(const ShareServiceSim&) = delete;
    ShareServiceSim& operator=(const ShareServiceSim&) = delete;

    // Joins the bus as 0x150000. False when already started.
    bool Start();
    // Told the plug-in's answer to a receive offer ("accepted, saving to FOLDER", "refused",
    // "cancelled"), on the bus thread. Set before Start.
    std::function<void(const std::string&)> onReceiveAnswer;

    // Leaves the bus and stops a transfer in progress at once; no thread of the simulator runs
    // after it returns. Safe to call more than once.
    void Stop();

    // Posts the notice of a notice scenario to the plug-in; false for the other scenarios.
    bool PlayNotice();

private:
    void OnPrepareRadios(TagIPCMessageItem& item);
    void OnShareRequest(TagIPCMessageItem& item);
    void OnCancel(TagIPCMessageItem& item);
    void OnRecvAnswer(TagIPCMessageItem& item);
    void RunTransfer(uint64_t totalBytes);
    // Waits up to `ms` for a stop or a cancel; true when one arrived.
    bool WaitInterrupted(std::unique_lock<std::mutex>& lock, uint64_t ms);
    void PostStatus(uint32_t code, int32_t param = 0, int32_t detail = 0);
    void PostProgress(uint32_t progress, uint32_t leftTime, uint32_t speed);
    void PostEmpty(uint32_t messageId);
    void JoinWorker();
    // With LOCK held on `mutex` and nothing running: joins a finished worker and starts BODY on
    // a new one, marked running.
    void StartWorker(std::unique_lock<std::mutex>& lock, std::function<void()> body);

    const std::string scenario;
    const uint64_t linkBytesPerSecond;
    std::unique_ptr<IPCMessageClient> client;
    std::mutex mutex;
    std::condition_variable wake;
    std::thread worker;
    bool running = false;          // a transfer is being played
    bool cancelRequested = false;  // the plug-in asked to cancel it
    bool stopping = false;
};

#include "ShareServiceSim.h"

#include "BusPost.h"
#include "DataStream.h"
#include "FileTransferItem.h"
#include "IPCMessageIds.h"
#include "ServiceBodies.h"

#include <IPCMessageClient.h>
#include <Registry.h>
#include <UIExUtils.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

using namespace Vela::Ux;

// About four progress reports a second, slower than the dialog's 150 ms progress animation, so
// that the dialog's other animations (its height) get their turn between two reports.
constexpr uint32_t kProgressIntervalMs = 250;

// The file paths of a share request, or none when the body cannot be read.
std::vector<std::string> RequestedPaths(const char* data, uint64_t length) {
    std::vector<std::string> paths;
    if (data == nullptr || length == 0 || length > UINT32_MAX) {
        return paths;
    }
    tandem::IpcBufferBuild channel(const_cast<char*>(data), static_cast<uint32_t>(length), true);
    tandem::DataStream stream(&channel);
    int32_t number = 0;
    for (int i = 0; i < 4; ++i) {
        stream.ReadInt32(number);
    }
    unsigned char mac[8];
    stream.ReadRaw(mac, sizeof(mac));
    std::string text;
    for (int i = 0; i < 4; ++i) {
        stream.ReadUtf8String(text);
    }
    for (int i = 0; i < 3; ++i) {
        stream.ReadInt32(number);
    }
    stream.ReadUtf8StringArray(paths);
    return paths;
}

}  // namespace

ShareServiceSim::ShareServiceSim(const std::string& scenario, uint64_t linkBytesPerSecond)
    : scenario(scenario.empty() ? "ok" : scenario),
      linkBytesPerSecond(linkBytesPerSecond > 0 ? linkBytesPerSecond : 1) {}

ShareServiceSim::~ShareServiceSim() {
    Stop();
}

bool ShareServiceSim::Start() {
    if (client) {
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(mutex);
        stopping = false;
    }
    client.reset(new IPCMessageClient(static_cast<int>(kEndpointTandemService), true, false));
    client->RegisterMessageCallback(kMsgTandemPrepareRadios,
                                    [this](TagIPCMessageItem& item) { OnPrepareRadios(item); });
    client->RegisterMessageCallback(kMsgTandemShareSend,
                                    [this](TagIPCMessageItem& item) { OnShareRequest(item); });
    for (uint32_t id : {kMsgTandemRecvAccept, kMsgTandemRecvRefuse, kMsgTandemRecvCancel}) {
        client->RegisterMessageCallback(id,
                                        [this](TagIPCMessageItem& item) { OnRecvAnswer(item); });
    }
    client->RegisterMessageCallback(kMsgTandemShareCancel,
                                    [this](TagIPCMessageItem& item) { OnCancel(item); });
    return true;
}

void ShareServiceSim::Stop() {
    if (!client) {
        return;
    }
    // No callback runs after this, so no new transfer can start.
    client->UnRegisterMessageCallbackAll();
    {
        std::lock_guard<std::mutex> guard(mutex);
        stopping = true;
    }
    wake.notify_all();
    JoinWorker();
    client.reset();
}

void ShareServiceSim::JoinWorker() {
    if (worker.joinable()) {
        worker.join();
    }
}

void ShareServiceSim::OnPrepareRadios(TagIPCMessageItem& /*item*/) {
    if (scenario == "radio-off") {
        PostEmpty(kMsgBluetoothOff);
        return;
    }
    PostEmpty(kMsgBluetoothOn);
    PostEmpty(kMsgWifiOn);
}

void ShareServiceSim::OnRecvAnswer(TagIPCMessageItem& item) {
    std::string folder;
    if (item.messageId == kMsgTandemRecvAccept && item.data != nullptr) {
        tandem::IpcBufferBuild channel(item.data, static_cast<uint32_t>(item.dataLength), true);
        tandem::CreateDataStream(&channel)->ReadUtf8String(folder);
    }
    if (onReceiveAnswer) {
        onReceiveAnswer(item.messageId == kMsgTandemRecvAccept   ? "accepted, saving to " + folder
                        : item.messageId == kMsgTandemRecvRefuse ? "refused"
                                                                 : "cancelled");
    }
    if (item.messageId != kMsgTandemRecvAccept) {
        return;
    }
    // The accepted pictures arrive over two seconds, then the receive ends with their paths.
    std::unique_lock<std::mutex> lock(mutex);
    if (stopping || running) {
        return;
    }
    StartWorker(lock, [this, folder] {
        std::unique_lock<std::mutex> guard(mutex);
        for (uint32_t percent = 0; percent <= 100; percent += 10) {
            guard.unlock();
            const std::string body = demo::ProgressBody(percent, (100 - percent) / 50, 1536 * 1024);
            demo::PostFrom(*client, kEndpointTandemService, kEndpointPlugin, kMsgRecvProgress,
                           body.data(), body.size());
            guard.lock();
            if (WaitInterrupted(guard, 200)) {
                running = false;
                return;
            }
        }
        running = false;
        guard.unlock();
        const std::vector<std::string> paths = {folder + "/IMG_2041.jpg", folder + "/IMG_2042.jpg"};
        // The files arrive in the folder, so that the dialog can show them there.
        std::error_code error;
        if (!folder.empty()) {
            std::filesystem::create_directories(folder, error);
        }
        if (!folder.empty() && !error) {
            for (const std::string& path : paths) {
                std::ofstream(path, std::ios::binary) << "received by the demo";
            }
        }
        tandem::Payload done = tandem::BuildPayload(paths);
        if (done) {
            demo::PostFrom(*client, kEndpointTandemService, kEndpointPlugin, kMsgRecvDone,
                           done.block.get(), done.size);
        }
    });
}

void ShareServiceSim::StartWorker(std::unique_lock<std::mutex>& lock, std::function<void()> body) {
    // A finished worker ends right after it clears `running`.
    if (worker.joinable()) {
        lock.unlock();
        JoinWorker();
        lock.lock();
    }
    running = true;
    cancelRequested = false;
    worker = std::thread(std::move(body));
}

void ShareServiceSim::OnShareRequest(TagIPCMessageItem& item) {
    std::vector<std::string> paths = RequestedPaths(item.data, item.dataLength);
    uint64_t totalBytes = 0;
    for (const std::string& path : paths) {
        bool ok = false;
        totalBytes += UIEx::Utils::GetFileSize(DE::UTF8ToUnicode(path), ok);
    }
    std::unique_lock<std::mutex> lock(mutex);
    if (stopping) {
        return;
    }
    if (running) {
        lock.unlock();
        PostStatus(SHARE_ERROR_SERVER_BUSY);
        PostStatus(DTCP_STATUS_SEND_DISCONNECTED);
        return;
    }
    StartWorker(lock, [this, totalBytes] { RunTransfer(totalBytes); });
}

void ShareServiceSim::OnCancel(TagIPCMessageItem& /*item*/) {
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (running) {
            // The worker answers once it sees the cancel.
            cancelRequested = true;
            wake.notify_all();
            return;
        }
    }
    PostStatus(DTCP_STATUS_SEND_CANCEL);
    PostStatus(DTCP_STATUS_SEND_DISCONNECTED);
}

bool ShareServiceSim::WaitInterrupted(std::unique_lock<std::mutex>& lock, uint64_t ms) {
    return wake.wait_for(lock, std::chrono::milliseconds(ms),
                         [this] { return stopping || cancelRequested; });
}

void ShareServiceSim::RunTransfer(uint64_t totalBytes) {
    std::unique_lock<std::mutex> lock(mutex);
    auto finish = [this, &lock](std::initializer_list<uint32_t> codes, int32_t param) {
        bool stop = stopping;
        lock.unlock();
        if (!stop) {
            for (uint32_t code : codes) {
                PostStatus(code, code == DTCP_STATUS_SEND_RECVCANCEL ? param : 0);
            }
        }
        lock.lock();
        running = false;
    };

    lock.unlock();
    PostStatus(DTCP_STATUS_SEND_CONNECTING);
    if (scenario == "busy") {
        PostStatus(SHARE_ERROR_SERVER_BUSY);
        PostStatus(DTCP_STATUS_SEND_DISCONNECTED);
        lock.lock();
        running = false;
        return;
    }
    if (scenario == "reject") {
        PostStatus(DTCP_STATUS_SEND_RECVREJCT);
        PostStatus(DTCP_STATUS_SEND_DISCONNECTED);
        lock.lock();
        running = false;
        return;
    }
    PostStatus(DTCP_STATUS_SEND_DATA);
    lock.lock();

    // Failures and receiver cancels happen half-way.
    const bool stopsHalfWay = scenario == "fail" || scenario == "recvcancel";
    const uint64_t durationMs = totalBytes * 1000 / linkBytesPerSecond;
    const auto begin = std::chrono::steady_clock::now();
    uint32_t percent = 0;
    while (true) {
        uint64_t elapsedMs =
            static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now() - begin)
                                      .count());
        percent =
            durationMs == 0
                ? 100
                : static_cast<uint32_t>(std::min<uint64_t>(100, elapsedMs * 100 / durationMs));
        if (stopsHalfWay && percent >= 50) {
            percent = 50;
            break;
        }
        uint64_t leftMs = durationMs > elapsedMs ? durationMs - elapsedMs : 0;
        lock.unlock();
        PostProgress(percent, static_cast<uint32_t>((leftMs + 999) / 1000),
                     static_cast<uint32_t>(std::min<uint64_t>(linkBytesPerSecond, UINT32_MAX)));
        lock.lock();
        if (percent >= 100) {
            break;
        }
        if (WaitInterrupted(lock, std::min<uint64_t>(kProgressIntervalMs, leftMs))) {
            break;
        }
    }
    if (stopping) {
        running = false;
        return;
    }
    if (cancelRequested) {
        finish({DTCP_STATUS_SEND_CANCEL, DTCP_STATUS_SEND_DISCONNECTED}, 0);
    } else if (scenario == "fail") {
        finish({SHARE_ERROR_IO, DTCP_STATUS_SEND_DISCONNECTED}, 0);
    } else if (scenario == "recvcancel") {
        finish({DTCP_STATUS_SEND_RECVCANCEL, DTCP_STATUS_SEND_DISCONNECTED},
               static_cast<int32_t>(percent));
    } else {
        finish({DTCP_STATUS_SEND_SUCCESS, DTCP_STATUS_SEND_DISCONNECTED}, 0);
    }
}

bool ShareServiceSim::PlayNotice() {
    if (!client) {
        return false;
    }
    if (scenario == "restart-needed") {
        PostEmpty(kMsgRestartNeeded);
    } else if (scenario == "bt-fault") {
        PostEmpty(kMsgBluetoothFault);
    } else if (scenario == "channel-busy") {
        PostEmpty(kMsgDirectLinkBusy);
    } else if (scenario == "wlan-disconnected") {
        PostEmpty(kMsgWlanDisconnected);
    } else if (scenario == "decoder-error") {
        PostEmpty(kMsgMirrorDecoderError);
    } else if (scenario == "decoder-error-text") {
        static const char kText[] = "audio decoder stopped";
        demo::PostFrom(*client, kEndpointTandemService, kEndpointPlugin, kMsgMirrorDecoderError,
                       kText, sizeof(kText));
    } else if (scenario == "receive-offer") {
        // The phone offers two pictures; the receive dialog shows the offer. The body ends with
        // the device type.
        const std::vector<std::string> names = {"IMG_2041.jpg", "IMG_2042.jpg"};
        tandem::Payload payload = tandem::BuildPayload(
            std::string("My Phone"), std::string("Demo Phone"), int32_t{0},
            uint64_t{3 * 1024 * 1024}, names, std::string("/tmp/swiftsend-received"), uint8_t{1});
        if (!payload) {
            return false;
        }
        demo::PostFrom(*client, kEndpointTandemService, kEndpointPlugin, kMsgRecvOffer,
                       payload.block.get(), payload.size);
    } else if (scenario == "recv-fail") {
        const std::string body = demo::StatusBody(DTCP_ERR_NOSPACE);  // no space on the phone
        demo::PostFrom(*client, kEndpointTandemService, kEndpointPlugin, kMsgRecvFailure,
                       body.data(), body.size());
    } else {
        return false;
    }
    return true;
}

void ShareServiceSim::PostEmpty(uint32_t messageId) {
    demo::PostFrom(*client, kEndpointTandemService, kEndpointPlugin, messageId);
}

void ShareServiceSim::PostStatus(uint32_t code, int32_t param, int32_t detail) {
    const std::string body = demo::StatusBody(code, param, detail);
    demo::PostFrom(*client, kEndpointTandemService, kEndpointPlugin, kMsgShareStatus, body.data(),
                   body.size());
}

void ShareServiceSim::PostProgress(uint32_t progress, uint32_t leftTime, uint32_t speed) {
    const std::string body = demo::ProgressBody(progress, leftTime, speed);
    demo::PostFrom(*client, kEndpointTandemService, kEndpointPlugin, kMsgShareProgress, body.data(),
                   body.size());
}

#include "PairingServiceSim.h"

#include "BusPost.h"
#include "DataStream.h"
#include "IPCMessageIds.h"

#include <string>

namespace demo {
namespace {

// The service's paired-device record, fields in wire order; the name is empty when no phone
// is paired.
tandem::Payload DeviceStatusPayload(bool paired, bool withFrame) {
    const int32_t isPaired = paired ? 1 : 0;
    const std::string name = paired ? "Demo Phone" : "";
    const std::string id = paired ? "demo-phone-0001" : "";
    if (withFrame) {
        return tandem::BuildPayload(int32_t{0}, int32_t{0}, int32_t{0}, isPaired, int32_t{0},
                                    uint64_t{0x02005E102030}, id, name, std::string(),
                                    std::string(), int32_t{1}, int32_t{0}, int32_t{0}, int32_t{0});
    }
    return tandem::BuildPayload(int32_t{0}, int32_t{0}, isPaired, int32_t{0},
                                uint64_t{0x02005E102030}, id, name, std::string(), std::string(),
                                int32_t{1}, int32_t{0}, int32_t{0});
}

uint32_t ReplyDestination(const TagIPCMessageItem& item) {
    return item.source != 0 && item.source != kReplyIdUnset ? item.source : kEndpointPlugin;
}

}  // namespace

PairingServiceSim::PairingServiceSim(bool paired, bool connected)
    : paired_(paired), connected_(connected) {}

PairingServiceSim::~PairingServiceSim() {
    Stop();
}

bool PairingServiceSim::Start() {
    if (client_) {
        return false;
    }
    client_ =
        std::make_unique<IPCMessageClient>(static_cast<int>(kEndpointTandemService), true, false);
    for (uint32_t id : {kMsgTandemPairingState, kMsgTandemConnectionState, kMsgTandemStartupQuery1,
                        kMsgTandemStartupQuery2, kMsgTandemPairedDevice}) {
        client_->RegisterMessageCallback(id, [this](TagIPCMessageItem& item) { OnRequest(item); });
    }
    return true;
}

void PairingServiceSim::Stop() {
    if (!client_) {
        return;
    }
    client_->UnRegisterMessageCallbackAll();
    client_.reset();
}

void PairingServiceSim::SetPaired(bool paired) {
    paired_ = paired;
    if (!paired) {
        connected_ = false;
    }
    PostPairingState(kEndpointPlugin);
}

void PairingServiceSim::SetConnected(bool connected) {
    connected_ = connected;
    PostConnectionState(kEndpointPlugin);
}

int PairingServiceSim::RequestCount(uint32_t id) const {
    std::lock_guard<std::mutex> guard(mutex_);
    auto found = requestCounts_.find(id);
    return found != requestCounts_.end() ? found->second : 0;
}

void PairingServiceSim::OnRequest(TagIPCMessageItem& item) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        ++requestCounts_[item.messageId];
    }
    const uint32_t destination = ReplyDestination(item);
    switch (item.messageId) {
        case kMsgTandemPairingState:
            PostPairingState(destination);
            break;
        case kMsgTandemConnectionState:
            PostConnectionState(destination);
            break;
        case kMsgTandemStartupQuery1: {
            const char value = 1;
            Post(destination, kMsgStartupAnswer1, &value, 1);
            break;
        }
        case kMsgTandemStartupQuery2: {
            const char value = 1;
            Post(destination, kMsgStartupAnswer2, &value, 1);
            break;
        }
        case kMsgTandemPairedDevice: {
            tandem::Payload payload = DeviceStatusPayload(paired_, false);
            if (payload) {
                Post(destination, kMsgPairedDeviceAnswer, payload.block.get(), payload.size);
            }
            break;
        }
        default:
            break;
    }
}

void PairingServiceSim::PostPairingState(uint32_t destination) {
    tandem::Payload payload = DeviceStatusPayload(paired_, true);
    if (payload) {
        Post(destination, kMsgPairingState, payload.block.get(), payload.size);
    }
}

void PairingServiceSim::PostConnectionState(uint32_t destination) {
    const char value = connected_ ? 1 : 0;
    Post(destination, kMsgConnectionState, &value, 1);
}

void PairingServiceSim::Post(uint32_t destination, uint32_t id, const char* data, uint32_t length) {
    if (!client_) {
        return;
    }
    demo::PostFrom(*client_, kEndpointTandemService, destination, id, data, length);
}

}  // namespace demo

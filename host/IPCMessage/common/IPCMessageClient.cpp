#include "IPCMessageClient.h"

#include "MessageBus.h"

#include <utility>

using ipcstandin::Bus;
using ipcstandin::Endpoint;

IPCMessageClient::IPCMessageClient(int clientId, bool, bool)
    : endpoint_(std::make_shared<Endpoint>(Bus::Instance(), static_cast<uint32_t>(clientId))) {
    if (endpoint_->Start()) {
        Bus::Instance().Attach(endpoint_);
    }
}

IPCMessageClient::~IPCMessageClient() {
    endpoint_->Stop();
}

bool IPCMessageClient::SubscribeIPCMessage(unsigned id, unsigned) {
    return Bus::Instance().Subscribe(endpoint_.get(), id);
}

bool IPCMessageClient::PostIPCMessage(const TagIPCMessageItem& item) {
    return Bus::Instance().Post(item);
}

bool IPCMessageClient::SendIPCMessage(TagIPCMessageItem& item, int timeoutMs,
                                      TagIPCMessageItemRecv& reply, unsigned) {
    return Bus::Instance().Send(item, timeoutMs, reply);
}

void IPCMessageClient::RegisterMessageCallback(unsigned id, IPCMessageCallback callback) {
    endpoint_->SetCallback(id, std::move(callback));
}

void IPCMessageClient::RegisterGeneralCallback(IPCMessageCallback callback) {
    endpoint_->SetGeneralCallback(std::move(callback));
}

void IPCMessageClient::UnRegisterMessageCallbackAll() {
    endpoint_->ClearCallbacks();
}

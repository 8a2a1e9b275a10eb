// The hub of the plug-in: owns the IPC client through which every part talks to the tandem
// service, dispatches each incoming message to the handlers the parts registered, creates the
// send-side objects on the UI thread, turns a file selection into a send and builds the share
// request.
#pragma once

#include "ITransferFile.h"
#include "KxShareDevices.h"
#include "LifetimeGuard.h"

#include <IPCMessageClient.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class FileTransferView;

namespace Vela::Ux {

class FileTransferController;
class FileTransferModel;

class SimpleUIManager : public ITransferFile {
public:
    SimpleUIManager();
    ~SimpleUIManager() override;
    SimpleUIManager(const SimpleUIManager&) = delete;
    SimpleUIManager& operator=(const SimpleUIManager&) = delete;

    void RegisterDataHandler(uint32_t messageId, DataHandler handler) override;
    void RegisterMessageHandler(uint32_t messageId, MessageHandler handler) override;
    void RegisterItemHandler(uint32_t messageId, ItemHandler handler) override;
    bool PostMessage(uint32_t destination, uint32_t messageId, uint32_t replyId, const char* data,
                     uint32_t length) override;
    bool SendMessage(uint32_t destination, uint32_t messageId, int32_t timeout, std::string& body,
                     uint32_t option) override;
    bool SendShareRequest(const KxShareDevices& device,
                          const std::vector<std::wstring>& files) override;
    bool CancelSend() override;
    IPCMessageClient* GetIPCClient() override;

    // Posts the creation of the send-side objects to the UI thread; true at once.
    bool ShowSimpleUI();
    // A command from the shell menu or a drop: "KXSHARE_PHONE" sends FILES to the paired phone,
    // "KXSHARE_DEVICES" is accepted without effect; other commands give false.
    bool HandleShareCommand(const std::wstring& command, const std::vector<std::wstring>& files);
    // Sends the last selection stored by HandleShareCommand.
    void SendFileToMyPhone();
    // The paired phone from the current user's registry; false when no phone is paired.
    bool ReadPairedDevice(KxShareDevices& device);
    // Dispatcher of every incoming message (IPC library thread).
    void OnIPCMessage(TagIPCMessageItem& item);

    // The send model once the UI thread has created it, else null.
    FileTransferModel* GetSendModel() const { return sendModel.load(); }

private:
    void CreateSendSide();
    // SendFileToMyPhone with FILES as the selection.
    void SendFiles(const std::vector<std::wstring>& files);

    IPCMessageClient ipcClient;
    std::recursive_mutex lock;
    std::recursive_mutex handlerLock;
    std::map<uint32_t, std::vector<DataHandler>> dataHandlers;
    std::map<uint32_t, std::vector<MessageHandler>> messageHandlers;
    std::map<uint32_t, std::vector<ItemHandler>> itemHandlers;
    // Stored by the pipe listener's thread and by the responder's IPC thread (dropped files).
    std::mutex selectionLock;
    std::vector<std::wstring> selectedFiles;
    // Read on the pipe listener's thread while the UI thread creates it.
    std::atomic<FileTransferModel*> sendModel{nullptr};

    // The send side this manager created on the UI thread and owns; it is destroyed there too.
    struct SendSide;
    std::unique_ptr<SendSide> sendSide;
    LifetimeGuard lifetime;
};

}  // namespace Vela::Ux

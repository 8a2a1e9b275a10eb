// The plug-in object the host drives through its four lifecycle operations. It owns the IPC
// hub and runs the listener of the shell menu's pipe.
#pragma once

#include "LifetimeGuard.h"
#include "SimpleUIManager.h"

#include <IPCMessageClient.h>
#include <OrvPlugin.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Vela::Ux {

class SwiftSendPlugin : public OrvPlugin {
public:
    // Name under which the host's feature switches know this plug-in.
    static constexpr const char* kPluginName = "SwiftSendPlugin";
    static constexpr const wchar_t* kPipeName = L"\\\\.\\pipe\\PIPE_KX_MENU";
    static constexpr uint32_t kPipeBufferSize = 32768;
    static constexpr size_t kMaxFilesPerRequest = 500;
    // A request larger than this is dropped rather than growing memory without limit.
    static constexpr size_t kMaxRequestBytes = 16u << 20;
    // How long a connected client has to deliver its request. The pipe is open to every local
    // process and clients are served one at a time, so a client that writes nothing (or keeps
    // writing) would otherwise hold up every other client and the plug-in's shutdown.
    static constexpr DWORD kRequestWaitMs = 3000;

    SwiftSendPlugin();
    ~SwiftSendPlugin() override;
    SwiftSendPlugin(const SwiftSendPlugin&) = delete;
    SwiftSendPlugin& operator=(const SwiftSendPlugin&) = delete;

    bool Initialize(void* hostContext) override;
    bool Uninitialize() override;
    bool Start() override;
    bool Stop() override;

    // The command before the question mark and the paths after it, split at bars. A text that
    // is not UTF-8 gives no paths and is logged with its length.
    static void ParsePipeRequest(const std::string& text, std::wstring& command,
                                 std::vector<std::wstring>& paths);

    SimpleUIManager& GetUIManager() { return uiManager; }

protected:
    // Pipe listener (its own thread).
    void PipeListener();
    HANDLE CreatePipe();
    bool ConnectPipe(HANDLE pipe);
    // Reads until the client closes its end, within kRequestWaitMs of the start; a request cut
    // short by that limit, by Stop or by the destructor is dropped.
    bool ReadPipeRequest(HANDLE pipe, char* buffer, std::string& text);
    void DispatchPipeRequest(const std::string& text);
    // Closes the event of the iteration that ends; the next one makes its own.
    void CloseConnectEvent();

private:
    enum class PieceResult { kData, kEnd, kCutShort };
    // One overlapped read into BUFFER, waiting on connectEvent until DEADLINE (clock time).
    PieceResult ReadPiece(HANDLE pipe, char* buffer, ULONGLONG deadline, DWORD& read);
    // True once Stop or the destructor has asked this iteration's wait to end.
    bool Released();

    SimpleUIManager uiManager;
    std::atomic<bool> running;
    // Guards the hand-over of connectEvent between the listener, Stop and the destructor.
    std::mutex connectLock;
    HANDLE connectEvent;
    // Set by Stop while connectEvent exists, cleared with it: a release that an overlapped
    // operation's reset of the event would hide.
    bool releaseRequested = false;
    IPCMessageClient ipcClient;
    // The listener is joined by the destructor rather than detached: it uses the members above
    // until it sees `running` cleared, and its code lives in this library, which the host may
    // unload right after releasing the plug-in.
    std::thread listener;
    LifetimeGuard lifetime;  // of the share command handed to the pairing responder
};

// Factory registered with the host's plug-in manager.
std::shared_ptr<OrvPlugin> CreateSwiftSendPlugin();

}  // namespace Vela::Ux

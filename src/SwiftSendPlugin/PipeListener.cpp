// The listener of the shell menu's pipe: one client at a time, one request per client.
#include "SwiftSendPlugin.h"

#include "IPCMessageIds.h"
#include "SDK/Util/LogTool/LogTool.h"

#include <Registry.h>

#include <cstring>

namespace Vela::Ux {
namespace {

constexpr DWORD kPipeOpenMode = 0x40000003;  // duplex, overlapped
constexpr DWORD kPipeMode = 6;               // message type, message read mode, blocking
constexpr DWORD kPipeInstances = 255;
constexpr DWORD kPipeBufferBytes = 0x10000;
constexpr DWORD kCreateRetryMs = 200;

}  // namespace

void SwiftSendPlugin::PipeListener() {
    HANDLE heap = GetProcessHeap();
    if (heap == nullptr) {
        LOG_ERROR("fail to GetProcessHeap().");
        return;
    }
    char* buffer = static_cast<char*>(HeapAlloc(heap, 0, kPipeBufferSize));
    if (buffer == nullptr) {
        LOG_ERROR("fail to alloc swift send process pipe buffer.");
        return;
    }
    while (running) {
        HANDLE pipe = CreatePipe();
        if (pipe == nullptr) {
            continue;
        }
        if (!ConnectPipe(pipe)) {
            CloseHandle(pipe);
            CloseConnectEvent();
            continue;
        }
        std::string text;
        if (ReadPipeRequest(pipe, buffer, text)) {
            DispatchPipeRequest(text);
        }
        FlushFileBuffers(pipe);
        DisconnectNamedPipe(pipe);
        CloseHandle(pipe);
        CloseConnectEvent();
    }
    HeapFree(heap, 0, buffer);
}

HANDLE SwiftSendPlugin::CreatePipe() {
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes;
    LPSECURITY_ATTRIBUTES security = nullptr;
    if (InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)) {
        // A null DACL: any local process may connect.
        SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, TRUE);
        attributes.nLength = sizeof(SECURITY_ATTRIBUTES);
        attributes.lpSecurityDescriptor = &descriptor;
        attributes.bInheritHandle = TRUE;
        security = &attributes;
    }
    HANDLE pipe = CreateNamedPipeW(kPipeName, kPipeOpenMode, kPipeMode, kPipeInstances,
                                   kPipeBufferBytes, kPipeBufferBytes, 0, security);
    if (pipe == INVALID_HANDLE_VALUE) {
        Sleep(kCreateRetryMs);
        LOG_WARN("SwiftSend Plugin : create pipe failure");
        return nullptr;
    }
    return pipe;
}

bool SwiftSendPlugin::ConnectPipe(HANDLE pipe) {
    if (pipe == nullptr) {
        return false;
    }
    HANDLE event = nullptr;
    {
        // Created under the lock and only while running, so the destructor either sees this
        // event and releases it, or this listener sees `running` cleared.
        std::lock_guard<std::mutex> guard(connectLock);
        if (!running) {
            return false;
        }
        if (connectEvent == nullptr) {
            connectEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            if (connectEvent == nullptr) {
                LOG_WARN("SwiftSend Plugin : create event failed");
                return false;
            }
        }
        event = connectEvent;
    }
    OVERLAPPED overlapped;
    std::memset(&overlapped, 0, sizeof(overlapped));
    overlapped.hEvent = event;
    if (!ConnectNamedPipe(pipe, &overlapped)) {
        DWORD error = GetLastError();
        LOG_WARN("SwiftSend Plugin : pipe connected or error, error code = " << error);
        // A client came between the creation and this call; with ERROR_NO_DATA it has already
        // written and closed its end, and its request is still there to be read.
        if (error == ERROR_PIPE_CONNECTED || error == ERROR_NO_DATA) {
            return true;
        }
        if (error != ERROR_IO_PENDING) {
            return false;
        }
    }
    // ConnectNamedPipe resets the event: a release that came before it is lost, so look again
    // now that a later release can no longer be missed.
    if (Released()) {
        return false;
    }
    if (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) {
        return true;
    }
    LOG_WARN("SwiftSend Plugin : connect pipe failed");
    return false;
}

bool SwiftSendPlugin::Released() {
    std::lock_guard<std::mutex> guard(connectLock);
    return !running || releaseRequested;
}

SwiftSendPlugin::PieceResult SwiftSendPlugin::ReadPiece(HANDLE pipe, char* buffer,
                                                        ULONGLONG deadline, DWORD& read) {
    read = 0;
    HANDLE event = nullptr;
    {
        std::lock_guard<std::mutex> guard(connectLock);
        if (!running || releaseRequested) {
            return PieceResult::kCutShort;
        }
        event = connectEvent;
    }
    if (event == nullptr) {
        return PieceResult::kCutShort;
    }
    // Checked before every piece, so that a client that keeps writing is cut short as well.
    if (GetTickCount64() >= deadline) {
        LOG_WARN("SwiftSend Plugin : pipe client sent no complete request within "
                 << kRequestWaitMs << " ms, dropped");
        return PieceResult::kCutShort;
    }
    OVERLAPPED overlapped;
    std::memset(&overlapped, 0, sizeof(overlapped));
    overlapped.hEvent = event;
    if (ReadFile(pipe, buffer, kPipeBufferSize, nullptr, &overlapped) ||
        GetLastError() == ERROR_MORE_DATA) {
        GetOverlappedResult(pipe, &overlapped, &read, FALSE);
        return read > 0 ? PieceResult::kData : PieceResult::kEnd;
    }
    if (GetLastError() != ERROR_IO_PENDING) {
        return PieceResult::kEnd;  // the client closed its end, or none is there
    }
    // The read reset the event, as the connect did: look for a release made before that.
    if (!Released()) {
        const ULONGLONG now = GetTickCount64();
        WaitForSingleObject(event, now < deadline ? static_cast<DWORD>(deadline - now) : 0);
    }
    if (!GetOverlappedResult(pipe, &overlapped, &read, FALSE) &&
        GetLastError() == ERROR_IO_INCOMPLETE) {
        // Timed out or released: the buffer is the read's until it has ended.
        CancelIoEx(pipe, &overlapped);
        GetOverlappedResult(pipe, &overlapped, &read, TRUE);
        if (!Released()) {
            LOG_WARN("SwiftSend Plugin : pipe client sent no complete request within "
                     << kRequestWaitMs << " ms, dropped");
        }
        return PieceResult::kCutShort;
    }
    // A piece of a longer message (ERROR_MORE_DATA) is data like a whole one; a failed read
    // (the client closed its end) ends the request.
    return read > 0 ? PieceResult::kData : PieceResult::kEnd;
}

bool SwiftSendPlugin::ReadPipeRequest(HANDLE pipe, char* buffer, std::string& text) {
    if (pipe == nullptr || buffer == nullptr) {
        return false;
    }
    const ULONGLONG deadline = GetTickCount64() + kRequestWaitMs;
    DWORD read = 0;
    bool dropped = false;
    while (true) {
        PieceResult piece = ReadPiece(pipe, buffer, deadline, read);
        if (piece == PieceResult::kCutShort) {
            std::string().swap(text);
            break;
        }
        if (piece == PieceResult::kEnd) {
            break;
        }
        if (dropped) {
            continue;
        }
        if (text.size() + read > kMaxRequestBytes) {
            LOG_WARN("SwiftSend Plugin : pipe request larger than " << kMaxRequestBytes
                                                                    << " bytes dropped");
            dropped = true;
            std::string().swap(text);
            continue;
        }
        text.append(buffer, read);
    }
    return !text.empty();
}

void SwiftSendPlugin::ParsePipeRequest(const std::string& text, std::wstring& command,
                                       std::vector<std::wstring>& paths) {
    paths.clear();
    if (text.empty()) {
        return;
    }
    const std::wstring request = DE::UTF8ToUnicode(text);
    if (request.empty()) {
        LOG_WARN("SwiftSend Plugin : pipe request of " << text.size()
                                                       << " bytes is not UTF-8, dropped");
        return;
    }
    const size_t question = request.find(L'?');
    if (question == std::wstring::npos) {
        return;
    }
    command = request.substr(0, question);
    // What follows the question mark splits at bars. When no bar is left, or the next one
    // comes straight away (an empty piece), all that remains becomes the last path.
    size_t start = question + 1;
    while (true) {
        const size_t bar = request.find(L'|', start);
        if (bar != std::wstring::npos && bar > start) {
            paths.push_back(request.substr(start, bar - start));
            start = bar + 1;
        } else {
            paths.push_back(request.substr(start));
            break;
        }
    }
}

void SwiftSendPlugin::DispatchPipeRequest(const std::string& text) {
    std::wstring command;
    std::vector<std::wstring> paths;
    ParsePipeRequest(text, command, paths);
    if (paths.empty()) {
        return;
    }
    if (paths.size() <= kMaxFilesPerRequest) {
        uiManager.HandleShareCommand(command, paths);
        return;
    }
    TagIPCMessageItem item;
    item.destination = kEndpointPlugin;
    item.source = kEndpointPlugin;
    item.messageId = kMsgTooManyFiles;
    item.replyId = 0;
    ipcClient.PostIPCMessage(item);
}

}  // namespace Vela::Ux

// The shell menu's side of the plug-in's pipe: a client process that connects, writes one
// message and closes, or connects and stays silent.
#pragma once

#include "SwiftSendPlugin.h"

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

namespace testsupport {

// A client's end once the listener's instance takes it, retried for up to ten seconds of real
// time (the listener may be busy with another client or between two instances); invalid
// when none took it.
inline HANDLE ConnectToMenuPipe() {
    const wchar_t* name = Vela::Ux::SwiftSendPlugin::kPipeName;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        HANDLE pipe =
            CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            return pipe;
        }
        WaitNamedPipeW(name, 1000);
        std::this_thread::yield();
    }
    return INVALID_HANDLE_VALUE;
}

// Writes TEXT as one message on PIPE, a client's end, and closes it; true when all went out.
inline bool WriteAndClose(HANDLE pipe, const std::string& text) {
    DWORD written = 0;
    const bool ok =
        pipe != INVALID_HANDLE_VALUE &&
        WriteFile(pipe, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    CloseHandle(pipe);
    return ok;
}

// The menu's share request for PATHS paths of PATH_BYTES bytes each. More than 500 paths only
// post the too-many-files notice, which shows that the listener served the request.
inline std::string ShareRequest(size_t paths, size_t pathBytes) {
    std::string request = "KXSHARE_PHONE?";
    for (size_t i = 0; i < paths; ++i) {
        request += (i ? "|/" : "/") + std::string(pathBytes - 1, static_cast<char>('a' + i % 26));
    }
    return request;
}

inline bool SendToMenuPipe(const std::string& text) {
    return WriteAndClose(ConnectToMenuPipe(), text);
}

// True when the listener has let go of CLIENT's connection; closes it.
inline bool DroppedByListener(HANDLE client) {
    DWORD written = 0;
    const bool dropped = !WriteFile(client, "x", 1, &written, nullptr);
    CloseHandle(client);
    return dropped;
}

}  // namespace testsupport

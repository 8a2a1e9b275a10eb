#include "MenuPipe.h"

#include <Registry.h>

namespace swiftsendmenu {

HANDLE OpenPipe(const std::wstring& name, DWORD& error) {
    const ULONGLONG start = GetTickCount64();
    bool seen = false;  // the listener was there, busy
    while (true) {
        HANDLE pipe = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            return pipe;
        }
        error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PIPE_BUSY) {
            return INVALID_HANDLE_VALUE;
        }
        seen = seen || error == ERROR_PIPE_BUSY;
        const ULONGLONG waited = GetTickCount64() - start;
        const ULONGLONG patience = seen ? kBusyPatienceMs : kAbsentPatienceMs;
        if (waited >= patience) {
            error = seen ? ERROR_PIPE_BUSY : error;
            return INVALID_HANDLE_VALUE;
        }
        // As the shell does: wait for a free instance, then try again. The wait may end early
        // (no instance between two clients, or another client took the free one).
        WaitNamedPipeW(name.c_str(), static_cast<DWORD>(patience - waited));
        Sleep(kRetryMs);
    }
}

int Send(const std::string& pipeName, const std::string& request, std::ostream& errors) {
    DWORD error = ERROR_SUCCESS;
    HANDLE pipe = OpenPipe(DE::UTF8ToUnicode(pipeName), error);
    if (pipe == INVALID_HANDLE_VALUE) {
        switch (error) {
            case ERROR_FILE_NOT_FOUND:
                errors << "swiftsend-menu: no SwiftSend listener on " << pipeName
                       << ": is the host running?\n";
                return kNoListener;
            case ERROR_PIPE_BUSY:
                errors << "swiftsend-menu: the SwiftSend listener on " << pipeName
                       << " stayed busy for " << kBusyPatienceMs / 1000
                       << " s; nothing was sent, try again\n";
                return kFailed;
            default:
                errors << "swiftsend-menu: cannot open " << pipeName << " (error " << error
                       << ")\n";
                return kFailed;
        }
    }
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(request.size());
    BOOL sent = WriteFile(pipe, request.data(), size, &written, nullptr);
    error = GetLastError();
    CloseHandle(pipe);
    if (!sent || written != size) {
        errors << "swiftsend-menu: cannot write the request to " << pipeName << " (error " << error
               << ")\n";
        return kFailed;
    }
    return kSent;
}

}  // namespace swiftsendmenu

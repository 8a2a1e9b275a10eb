// The demo host on Windows: the process's own top-level windows and the user's registry
// written by the system's registry tool.
#include "HostPlatform.h"

#include <Registry.h>

#include <io.h>

#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace demo {
namespace {

BOOL CALLBACK CollectOwnWindow(HWND hwnd, LPARAM windows) {
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process == GetCurrentProcessId()) {
        reinterpret_cast<std::vector<HWND>*>(windows)->push_back(hwnd);
    }
    return TRUE;
}

// Runs COMMAND_LINE and waits for it, for at most TIMEOUT_MS; true when it exited with 0.
bool RunQuietly(std::wstring commandLine, DWORD timeoutMs) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process)) {
        return false;
    }
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
    } else {
        GetExitCodeProcess(process.hProcess, &code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0;
}

}  // namespace

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(&CollectOwnWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

bool LoadRegistryText(const std::string& text) {
    // The registry tool reads this form as UTF-16 with its byte order mark.
    wchar_t folder[MAX_PATH];
    wchar_t file[MAX_PATH];
    if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, L"reg", 0, file) == 0) {
        return false;
    }
    std::wstring wide = L"\xFEFF" + DE::UTF8ToUnicode(text);
    std::string bytes;
    for (wchar_t c : wide) {
        if (c == L'\r') {
            continue;
        }
        if (c == L'\n') {
            bytes += std::string("\r\0", 2);
        }
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    bool ok = false;
    if (FILE* out = _wfopen(file, L"wb")) {
        ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
        ok = std::fclose(out) == 0 && ok;
    }
    ok = ok && RunQuietly(L"reg.exe import \"" + std::wstring(file) + L"\"", 30000);
    DeleteFileW(file);
    return ok;
}

bool LoadRegistryFile(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in.good() && LoadRegistryText(text.str());
}

bool WriteAnimation(const std::vector<std::pair<uint64_t, std::string>>&, const std::string&,
                    uint64_t) {
    return false;
}

bool StdoutIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}

}  // namespace demo

// Process services on Windows: the current user's SID from the process token, and programs of
// the host started from the host's folder.
#include "KxProcess.h"

#include <windows.h>
#include <sddl.h>

#include <vector>

namespace KXPROCESS {

std::wstring GetCurrentUserSidstr() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return std::wstring();
    }
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    std::wstring sid;
    LPWSTR text = nullptr;
    if (size != 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) {
        sid = text;
        LocalFree(text);
    }
    CloseHandle(token);
    return sid;
}

bool CreateProcessNormal(const std::wstring& exe, const std::wstring& args,
                         const wchar_t* directory, int show) {
    wchar_t self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length == MAX_PATH) {
        return false;
    }
    std::wstring folder(self, length);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    const std::wstring program = folder + exe;
    std::wstring commandLine = L"\"" + program + L"\" " + args;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        directory, &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace KXPROCESS

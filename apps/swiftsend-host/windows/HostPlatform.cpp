// The demo host on Windows: the process's own top-level windows, the user's registry written
// by the system's registry tool, and pictures taken from the screen.
#include "HostPlatform.h"

#include <Registry.h>

#include <gdiplus.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
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

bool EncoderOf(const wchar_t* mimeType, CLSID& clsid) {
    UINT count = 0;
    UINT size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) {
        return false;
    }
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, encoders) != Gdiplus::Ok) {
        return false;
    }
    for (UINT i = 0; i < count; ++i) {
        if (std::wcscmp(encoders[i].MimeType, mimeType) == 0) {
            clsid = encoders[i].Clsid;
            return true;
        }
    }
    return false;
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
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in.good() && LoadRegistryText(text.str());
}

bool SaveWindowPicture(HWND hwnd, DuiLib::CPaintManagerUI*, const std::string& path) {
    static ULONG_PTR token = [] {
        ULONG_PTR started = 0;
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&started, &input, nullptr);
        return started;
    }();
    RECT rc{};
    CLSID png{};
    if (token == 0 || !GetWindowRect(hwnd, &rc) || rc.right <= rc.left || rc.bottom <= rc.top ||
        !EncoderOf(L"image/png", png)) {
        return false;
    }
    // What the screen shows there: the window is topmost.
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY);
    SelectObject(memory, old);
    bool saved = false;
    if (copied) {
        Gdiplus::Bitmap picture(bitmap, nullptr);
        saved = picture.Save(DE::UTF8ToUnicode(path).c_str(), &png, nullptr) == Gdiplus::Ok;
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

bool WriteAnimation(const std::vector<std::pair<uint64_t, std::string>>&, const std::string&,
                    uint64_t) {
    return false;
}

bool StdoutIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}

}  // namespace demo

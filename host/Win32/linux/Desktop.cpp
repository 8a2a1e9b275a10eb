// The virtual desktop: monitors and their work areas, screen metrics, the cursor and the
// application data folder, and the files the shell is asked to open.
#include "Desktop.h"
#include <shellapi.h>

#include <shlobj.h>

#include <cstdlib>
#include <cwchar>

namespace {

struct Desktop {
    std::vector<win32standin::Monitor> monitors{win32standin::Monitor()};
    bool workAreaFails = false;
    std::wstring appData;
    std::vector<std::wstring> opened;
    POINT cursor{960, 540};
};

Desktop& D() {
    static auto* desktop = new Desktop;
    return *desktop;
}

bool Inside(const RECT& rc, POINT pt) {
    return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

HMONITOR HandleOf(const win32standin::Monitor& monitor) {
    return reinterpret_cast<HMONITOR>(&monitor - D().monitors.data() + 1);
}

}  // namespace

namespace win32standin {

const Monitor& PrimaryMonitor() {
    for (const auto& monitor : D().monitors) {
        if (monitor.primary) {
            return monitor;
        }
    }
    return D().monitors.front();
}

void SetDesktop(const std::vector<Monitor>& monitors) {
    D().monitors = monitors.empty() ? std::vector<Monitor>{Monitor()} : monitors;
}

Monitor MonitorWithTaskbar(RECT screen, TaskbarEdge edge, int thickness) {
    Monitor monitor;
    monitor.screen = screen;
    monitor.work = screen;
    switch (edge) {
        case TaskbarEdge::Left:
            monitor.work.left += thickness;
            break;
        case TaskbarEdge::Top:
            monitor.work.top += thickness;
            break;
        case TaskbarEdge::Right:
            monitor.work.right -= thickness;
            break;
        case TaskbarEdge::Bottom:
            monitor.work.bottom -= thickness;
            break;
    }
    return monitor;
}

void SetWorkAreaFailure(bool fail) {
    D().workAreaFails = fail;
}

void SetAppDataFolder(const std::wstring& folder) {
    D().appData = folder;
}

std::vector<std::wstring> ShellOpenedFiles() {
    return D().opened;
}

void ClearShellOpenedFiles() {
    D().opened.clear();
}

}  // namespace win32standin

HMONITOR MonitorFromWindow(HWND hwnd, DWORD) {
    RECT rc{};
    if (GetWindowRect(hwnd, &rc)) {
        const POINT centre{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        for (const auto& monitor : D().monitors) {
            if (Inside(monitor.screen, centre)) {
                return HandleOf(monitor);
            }
        }
    }
    return HandleOf(win32standin::PrimaryMonitor());
}

BOOL GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info) {
    const size_t index = reinterpret_cast<size_t>(monitor);
    if (!info || index == 0 || index > D().monitors.size()) {
        return FALSE;
    }
    info->rcWork = D().monitors[index - 1].work;
    return TRUE;
}

int GetSystemMetrics(int index) {
    const RECT& screen = win32standin::PrimaryMonitor().screen;
    switch (index) {
        case SM_CXSCREEN:
            return screen.right - screen.left;
        case SM_CYSCREEN:
            return screen.bottom - screen.top;
        default:
            return 0;
    }
}

BOOL SystemParametersInfoW(UINT action, UINT, LPVOID out, UINT) {
    if (action != SPI_GETWORKAREA || !out || D().workAreaFails) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *static_cast<RECT*>(out) = win32standin::PrimaryMonitor().work;
    return TRUE;
}

BOOL GetCursorPos(LPPOINT point) {
    if (!point) {
        return FALSE;
    }
    *point = D().cursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    D().cursor = POINT{x, y};
    return TRUE;
}

HRESULT SHGetFolderPathW(HWND, int folder, HANDLE, DWORD, LPWSTR path) {
    if (folder != CSIDL_APPDATA || !path) {
        return E_INVALIDARG;
    }
    std::wstring result = D().appData;
    if (result.empty()) {
        const char* home = std::getenv("HOME");
        std::string utf8 = std::string(home ? home : "/tmp") + "/.local/share";
        result.assign(utf8.begin(), utf8.end());
    }
    if (result.size() >= MAX_PATH) {
        return E_INVALIDARG;
    }
    std::wmemcpy(path, result.c_str(), result.size() + 1);
    return S_OK;
}

HINSTANCE ShellExecuteW(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, int) {
    if (!file || !*file) {
        return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(2));  // file not found
    }
    D().opened.push_back(file);
    return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(42));
}

// Windows, messages, timers and placement on a virtual desktop.
//
// A window is a record in a table behind its HWND: class, style, rectangle in screen
// coordinates, visibility, z-order and its window procedure. There is no non-client area, so
// the client rectangle is the window's own size. Windows belong to the UI thread; posted
// messages and timers run on the UI loop installed with SetUiLoop.
#include "Win32StandIn.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <memory>
#include <mutex>

namespace {

struct Window {
    std::wstring className;
    std::wstring title;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{0, 0, 0, 0};
    bool visible = false;
    bool topmost = false;
    bool minimized = false;
    HWND parent = nullptr;
    WNDPROC proc = nullptr;
    LONG_PTR userData = 0;
    int iconResource = 0;
    std::map<UINT_PTR, uint64_t> timers;  // id -> timed task
};

struct Desktop {
    std::vector<win32standin::Monitor> monitors{win32standin::Monitor()};
    bool workAreaFails = false;
    std::wstring appData;
    POINT cursor{960, 540};
    win32standin::UiLoop loop;
    std::map<std::wstring, WNDPROC> classes;
    std::map<HWND, std::unique_ptr<Window>> windows;
    std::vector<HWND> zOrder;  // top first
    HWND foreground = nullptr;
    uintptr_t nextHandle = 0x10000;
    int placed = 0;
};

Desktop& D() {
    static auto* desktop = new Desktop;
    return *desktop;
}

Window* Find(HWND hwnd) {
    auto found = D().windows.find(hwnd);
    return found == D().windows.end() ? nullptr : found->second.get();
}

void Raise(HWND hwnd) {
    auto& z = D().zOrder;
    z.erase(std::remove(z.begin(), z.end(), hwnd), z.end());
    // Topmost windows stay above the others.
    auto at = z.begin();
    if (!Find(hwnd)->topmost) {
        while (at != z.end() && Find(*at)->topmost) {
            ++at;
        }
    }
    z.insert(at, hwnd);
}

bool Inside(const RECT& rc, POINT pt) {
    return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

const win32standin::Monitor& Primary() {
    for (const auto& monitor : D().monitors) {
        if (monitor.primary) {
            return monitor;
        }
    }
    return D().monitors.front();
}

HMONITOR HandleOf(size_t index) {
    return reinterpret_cast<HMONITOR>(index + 1);
}

}  // namespace

namespace win32standin {

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
void SetUiLoop(UiLoop loop) {
    D().loop = std::move(loop);
}

int WindowIconResource(HWND hwnd) {
    Window* w = Find(hwnd);
    return w ? w->iconResource : 0;
}

bool IsTopmost(HWND hwnd) {
    Window* w = Find(hwnd);
    return w && w->topmost;
}

std::vector<HWND> WindowsInZOrder() {
    return D().zOrder;
}
size_t LiveWindowCount() {
    return D().windows.size();
}

}  // namespace win32standin

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass) {
    if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    D().classes[windowClass->lpszClassName] = windowClass->lpfnWndProc;
    return static_cast<ATOM>(D().classes.size());
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
    auto cls = className ? D().classes.find(className) : D().classes.end();
    if (cls == D().classes.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto window = std::make_unique<Window>();
    window->className = className;
    window->title = windowName ? windowName : L"";
    window->style = style;
    window->exStyle = exStyle;
    window->parent = parent;
    window->proc = cls->second;
    window->topmost = (exStyle & WS_EX_TOPMOST) != 0;
    if (x == CW_USEDEFAULT) {
        // Cascade new windows from the work area's top-left corner.
        const RECT& work = Primary().work;
        int step = 26 * (D().placed++ % 8);
        x = work.left + 80 + step;
        y = work.top + 80 + step;
    }
    if (width == CW_USEDEFAULT) {
        width = 400;
        height = 300;
    }
    window->rect = RECT{x, y, x + width, y + height};
    window->visible = (style & WS_VISIBLE) != 0;
    HWND hwnd = reinterpret_cast<HWND>(D().nextHandle);
    D().nextHandle += 0x10;
    D().windows[hwnd] = std::move(window);
    Raise(hwnd);

    CREATESTRUCTW create{
        param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
        windowName, className, exStyle};
    if (!SendMessageW(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) ||
        SendMessageW(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    for (auto& timer : w->timers) {
        if (D().loop.cancel) {
            D().loop.cancel(timer.second);
        }
    }
    w->timers.clear();
    SendMessageW(hwnd, WM_DESTROY, 0, 0);
    SendMessageW(hwnd, WM_NCDESTROY, 0, 0);
    auto& z = D().zOrder;
    z.erase(std::remove(z.begin(), z.end(), hwnd), z.end());
    if (D().foreground == hwnd) {
        D().foreground = nullptr;
    }
    D().windows.erase(hwnd);
    return TRUE;
}

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    switch (msg) {
        case WM_NCCREATE:
            return TRUE;
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_SETICON:
            if (w) {
                w->iconResource = static_cast<int>(static_cast<uintptr_t>(lParam) & 0xFFFF);
            }
            return 0;
        case WM_NCHITTEST:
            return HTCLIENT;
        case WM_SYSCOMMAND:
            if (wParam == SC_CLOSE) {
                SendMessageW(hwnd, WM_CLOSE, 0, 0);
            } else if (wParam == SC_MINIMIZE && w) {
                w->minimized = true;
            } else if (wParam == SC_RESTORE && w) {
                w->minimized = false;
            }
            return 0;
        default:
            (void)lParam;
            return 0;
    }
}

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    return w ? w->proc(hwnd, msg, wParam, lParam) : 0;
}

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!Find(hwnd) || !D().loop.post) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Handles are never reused, so a window destroyed meanwhile simply gets nothing.
    D().loop.post([=] { SendMessageW(hwnd, msg, wParam, lParam); });
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    return Find(hwnd) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
    Window* w = Find(hwnd);
    return w && w->minimized ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
    Window* w = Find(hwnd);
    return w && w->visible ? TRUE : FALSE;
}

BOOL ShowWindow(HWND hwnd, int command) {
    Window* w = Find(hwnd);
    if (!w) {
        return FALSE;
    }
    const BOOL was = w->visible ? TRUE : FALSE;
    const bool show = command != SW_HIDE;
    if (show != w->visible) {
        w->visible = show;
        SendMessageW(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    }
    w->minimized = command == SW_MINIMIZE || (w->minimized && command != SW_RESTORE && show);
    if (show && command != SW_SHOWNOACTIVATE && command != SW_SHOWNA) {
        D().foreground = hwnd;
    }
    return was;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_TOPMOST) {
            w->topmost = true;
        } else if (insertAfter == HWND_NOTOPMOST) {
            w->topmost = false;
        }
        Raise(hwnd);
    }
    RECT old = w->rect;
    if (!(flags & SWP_NOMOVE)) {
        w->rect.right = x + (old.right - old.left);
        w->rect.bottom = y + (old.bottom - old.top);
        w->rect.left = x;
        w->rect.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        w->rect.right = w->rect.left + cx;
        w->rect.bottom = w->rect.top + cy;
    }
    if (flags & SWP_SHOWWINDOW) {
        ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    } else if (flags & SWP_HIDEWINDOW) {
        ShowWindow(hwnd, SW_HIDE);
    }
    if (Find(hwnd) && (w->rect.left != old.left || w->rect.top != old.top)) {
        SendMessageW(hwnd, WM_MOVE, 0, MAKELPARAM(w->rect.left, w->rect.top));
    }
    if (Find(hwnd) && (w->rect.right - w->rect.left != old.right - old.left ||
                       w->rect.bottom - w->rect.top != old.bottom - old.top)) {
        SendMessageW(hwnd, WM_SIZE, 0,
                     MAKELPARAM(w->rect.right - w->rect.left, w->rect.bottom - w->rect.top));
    }
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    Window* w = Find(hwnd);
    if (!w || !rect) {
        return FALSE;
    }
    *rect = w->rect;
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    Window* w = Find(hwnd);
    if (!w || !rect) {
        return FALSE;
    }
    *rect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
    Window* w = Find(hwnd);
    if (!w || !point) {
        return FALSE;
    }
    point->x -= w->rect.left;
    point->y -= w->rect.top;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
    Window* w = Find(hwnd);
    if (!w || !point) {
        return FALSE;
    }
    point->x += w->rect.left;
    point->y += w->rect.top;
    return TRUE;
}

int GetClassNameW(HWND hwnd, LPWSTR name, int size) {
    Window* w = Find(hwnd);
    if (!w || !name || size <= 0) {
        return 0;
    }
    int n = std::min(static_cast<int>(w->className.size()), size - 1);
    std::wmemcpy(name, w->className.c_str(), static_cast<size_t>(n));
    name[n] = L'\0';
    return n;
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
    Window* w = Find(hwnd);
    if (!w) {
        return 0;
    }
    switch (index) {
        case GWL_STYLE:
            return static_cast<LONG_PTR>(w->style);
        case GWL_EXSTYLE:
            return static_cast<LONG_PTR>(w->exStyle | (w->topmost ? WS_EX_TOPMOST : 0));
        case GWLP_USERDATA:
            return w->userData;
        default:
            return 0;
    }
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    Window* w = Find(hwnd);
    if (!w) {
        return 0;
    }
    LONG_PTR old = GetWindowLongPtrW(hwnd, index);
    switch (index) {
        case GWL_STYLE:
            w->style = static_cast<DWORD>(value);
            break;
        case GWL_EXSTYLE:
            w->exStyle = static_cast<DWORD>(value);
            break;
        case GWLP_USERDATA:
            w->userData = value;
            break;
        default:
            break;
    }
    return old;
}

HWND GetParent(HWND hwnd) {
    Window* w = Find(hwnd);
    return w ? w->parent : nullptr;
}

BOOL SetForegroundWindow(HWND hwnd) {
    if (!Find(hwnd)) {
        return FALSE;
    }
    D().foreground = hwnd;
    Raise(hwnd);
    return TRUE;
}

HWND GetForegroundWindow() {
    return D().foreground;
}

HWND WindowFromPoint(POINT point) {
    for (HWND hwnd : D().zOrder) {
        Window* w = Find(hwnd);
        if (w->visible && Inside(w->rect, point)) {
            return hwnd;
        }
    }
    return nullptr;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    for (HWND hwnd : D().zOrder) {
        Window* w = Find(hwnd);
        if ((!className || w->className == className) && (!windowName || w->title == windowName)) {
            return hwnd;
        }
    }
    return nullptr;
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

HICON LoadIconW(HINSTANCE, LPCWSTR name) {
    const auto id = reinterpret_cast<uintptr_t>(name);
    return id > 0 && id <= 0xFFFF ? reinterpret_cast<HICON>(id) : nullptr;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, void* timerProc) {
    return SetCoalescableTimer(hwnd, id, elapse, timerProc, 0);
}

namespace {

void ArmTimer(HWND hwnd, UINT_PTR id, UINT elapse) {
    Window* w = Find(hwnd);
    if (!w || !D().loop.scheduleAt) {
        return;
    }
    w->timers[id] = D().loop.scheduleAt(GetTickCount64() + std::max(1u, elapse), [=] {
        Window* live = Find(hwnd);
        if (!live || !live->timers.count(id)) {
            return;
        }
        ArmTimer(hwnd, id, elapse);  // periodic until KillTimer
        SendMessageW(hwnd, WM_TIMER, id, 0);
    });
}

}  // namespace

UINT_PTR SetCoalescableTimer(HWND hwnd, UINT_PTR id, UINT elapse, void*, ULONG) {
    Window* w = Find(hwnd);
    if (!w) {
        return 0;
    }
    KillTimer(hwnd, id);
    ArmTimer(hwnd, id, elapse);
    return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    Window* w = Find(hwnd);
    if (!w) {
        return FALSE;
    }
    auto found = w->timers.find(id);
    if (found == w->timers.end()) {
        return FALSE;
    }
    if (D().loop.cancel) {
        D().loop.cancel(found->second);
    }
    w->timers.erase(found);
    return TRUE;
}

HMONITOR MonitorFromPoint(POINT point, DWORD flags) {
    const auto& monitors = D().monitors;
    for (size_t i = 0; i < monitors.size(); ++i) {
        if (Inside(monitors[i].screen, point)) {
            return HandleOf(i);
        }
    }
    if (flags == MONITOR_DEFAULTTONULL) {
        return nullptr;
    }
    if (flags == MONITOR_DEFAULTTOPRIMARY) {
        return HandleOf(static_cast<size_t>(&Primary() - monitors.data()));
    }
    // Nearest: the monitor whose rectangle is closest to the point.
    size_t best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < monitors.size(); ++i) {
        const RECT& rc = monitors[i].screen;
        long dx = point.x < rc.left     ? rc.left - point.x
                  : point.x >= rc.right ? point.x - rc.right + 1
                                        : 0;
        long dy = point.y < rc.top       ? rc.top - point.y
                  : point.y >= rc.bottom ? point.y - rc.bottom + 1
                                         : 0;
        long distance = dx * dx + dy * dy;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return HandleOf(best);
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
    Window* w = Find(hwnd);
    if (!w) {
        return flags == MONITOR_DEFAULTTONULL
                   ? nullptr
                   : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    }
    POINT centre{(w->rect.left + w->rect.right) / 2, (w->rect.top + w->rect.bottom) / 2};
    return MonitorFromPoint(centre, flags);
}

BOOL GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info) {
    const size_t index = reinterpret_cast<size_t>(monitor);
    if (!info || index == 0 || index > D().monitors.size()) {
        return FALSE;
    }
    const auto& m = D().monitors[index - 1];
    info->rcMonitor = m.screen;
    info->rcWork = m.work;
    info->dwFlags = &m == &Primary() ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}

int GetSystemMetrics(int index) {
    const RECT& screen = Primary().screen;
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
    *static_cast<RECT*>(out) = Primary().work;
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

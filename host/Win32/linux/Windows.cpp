// Windows, their messages, timers, placement and z-order.
//
// A window is a record in a table behind its HWND: class, rectangle in screen coordinates,
// visibility, z-order and its window procedure. There is no non-client area, so the client
// rectangle is the window's own size. Windows belong to the UI thread; posted messages and
// timers run on the UI loop installed with SetUiLoop.
#include "Desktop.h"

#include <algorithm>
#include <cwchar>
#include <map>
#include <memory>

namespace {

struct Window {
    std::wstring className;
    std::wstring title;
    DWORD exStyle = 0;
    RECT rect{0, 0, 0, 0};
    bool visible = false;
    bool topmost = false;
    bool minimized = false;
    WNDPROC proc = nullptr;
    LONG_PTR userData = 0;
    int iconResource = 0;
    std::map<UINT_PTR, uint64_t> timers;  // id -> timed task
};

struct Table {
    win32standin::UiLoop loop;
    std::map<std::wstring, WNDPROC> classes;
    std::map<HWND, std::unique_ptr<Window>> windows;
    std::vector<HWND> zOrder;  // top first
    uintptr_t nextHandle = 0x10000;
    int placed = 0;
};

Table& T() {
    static auto* table = new Table;
    return *table;
}

Window* Find(HWND hwnd) {
    auto found = T().windows.find(hwnd);
    return found == T().windows.end() ? nullptr : found->second.get();
}

void Raise(HWND hwnd) {
    auto& z = T().zOrder;
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

void ArmTimer(HWND hwnd, UINT_PTR id, UINT elapse) {
    Window* w = Find(hwnd);
    if (!w || !T().loop.scheduleAt) {
        return;
    }
    w->timers[id] = T().loop.scheduleAt(GetTickCount64() + std::max(1u, elapse), [=] {
        Window* live = Find(hwnd);
        if (!live || !live->timers.count(id)) {
            return;
        }
        ArmTimer(hwnd, id, elapse);  // periodic until KillTimer
        SendMessageW(hwnd, WM_TIMER, id, 0);
    });
}

}  // namespace

namespace win32standin {

void SetUiLoop(UiLoop loop) {
    T().loop = std::move(loop);
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
    return T().zOrder;
}

size_t LiveWindowCount() {
    return T().windows.size();
}

}  // namespace win32standin

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass) {
    if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!T().classes.emplace(windowClass->lpszClassName, windowClass->lpfnWndProc).second) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    return static_cast<ATOM>(T().classes.size());
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, LPVOID param) {
    auto cls = className ? T().classes.find(className) : T().classes.end();
    if (cls == T().classes.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto window = std::make_unique<Window>();
    window->className = className;
    window->title = windowName ? windowName : L"";
    window->exStyle = exStyle & ~WS_EX_TOPMOST;
    window->topmost = (exStyle & WS_EX_TOPMOST) != 0;
    window->proc = cls->second;
    if (x == CW_USEDEFAULT) {
        // Cascade new windows from the work area's top-left corner.
        const RECT& work = win32standin::PrimaryMonitor().work;
        int step = 26 * (T().placed++ % 8);
        x = work.left + 80 + step;
        y = work.top + 80 + step;
    }
    if (width == CW_USEDEFAULT) {
        width = 400;
        height = 300;
    }
    window->rect = RECT{x, y, x + width, y + height};
    HWND hwnd = reinterpret_cast<HWND>(T().nextHandle);
    T().nextHandle += 0x10;
    T().windows[hwnd] = std::move(window);
    Raise(hwnd);

    CREATESTRUCTW create{param};
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
        if (T().loop.cancel) {
            T().loop.cancel(timer.second);
        }
    }
    w->timers.clear();
    SendMessageW(hwnd, WM_DESTROY, 0, 0);
    SendMessageW(hwnd, WM_NCDESTROY, 0, 0);
    auto& z = T().zOrder;
    z.erase(std::remove(z.begin(), z.end(), hwnd), z.end());
    T().windows.erase(hwnd);
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
            return 0;
    }
}

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    return w ? w->proc(hwnd, msg, wParam, lParam) : 0;
}

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!Find(hwnd) || !T().loop.post) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Handles are never reused, so a window destroyed meanwhile simply gets nothing.
    T().loop.post([=] { SendMessageW(hwnd, msg, wParam, lParam); });
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
    w->visible = command != SW_HIDE;
    w->minimized = w->minimized && w->visible;
    return was;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!(flags & SWP_NOZORDER)) {
        w->topmost = w->topmost || insertAfter == HWND_TOPMOST;
        Raise(hwnd);
    }
    RECT old = w->rect;
    if (!(flags & SWP_NOMOVE)) {
        w->rect = RECT{x, y, x + (old.right - old.left), y + (old.bottom - old.top)};
    }
    if (!(flags & SWP_NOSIZE)) {
        w->rect.right = w->rect.left + cx;
        w->rect.bottom = w->rect.top + cy;
    }
    if (flags & SWP_SHOWWINDOW) {
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    }
    if (w->rect.right - w->rect.left != old.right - old.left ||
        w->rect.bottom - w->rect.top != old.bottom - old.top) {
        SendMessageW(hwnd, WM_SIZE, 0,
                     MAKELPARAM(w->rect.right - w->rect.left, w->rect.bottom - w->rect.top));
    }
    return TRUE;
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
    // A topmost window carries WS_EX_TOPMOST, whichever way it became one.
    return index == GWL_EXSTYLE
               ? static_cast<LONG_PTR>(w->exStyle | (w->topmost ? WS_EX_TOPMOST : 0))
           : index == GWLP_USERDATA ? w->userData
                                    : 0;
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    Window* w = Find(hwnd);
    if (!w || index != GWLP_USERDATA) {
        return 0;
    }
    LONG_PTR old = w->userData;
    w->userData = value;
    return old;
}

BOOL SetForegroundWindow(HWND hwnd) {
    if (!Find(hwnd)) {
        return FALSE;
    }
    Raise(hwnd);
    return TRUE;
}

HWND WindowFromPoint(POINT point) {
    for (HWND hwnd : T().zOrder) {
        const Window* w = Find(hwnd);
        const RECT& rc = w->rect;
        if (w->visible && point.x >= rc.left && point.x < rc.right && point.y >= rc.top &&
            point.y < rc.bottom) {
            return hwnd;
        }
    }
    return nullptr;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    for (HWND hwnd : T().zOrder) {
        Window* w = Find(hwnd);
        if ((!className || w->className == className) && (!windowName || w->title == windowName)) {
            return hwnd;
        }
    }
    return nullptr;
}

HICON LoadIconW(HINSTANCE, LPCWSTR name) {
    const auto id = reinterpret_cast<uintptr_t>(name);
    return id > 0 && id <= 0xFFFF ? reinterpret_cast<HICON>(id) : nullptr;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, void* timerProc) {
    return SetCoalescableTimer(hwnd, id, elapse, timerProc, 0);
}

UINT_PTR SetCoalescableTimer(HWND hwnd, UINT_PTR id, UINT elapse, void*, ULONG) {
    if (!Find(hwnd)) {
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
    if (T().loop.cancel) {
        T().loop.cancel(found->second);
    }
    w->timers.erase(found);
    return TRUE;
}

// The user32 and shell subset: windows behind HWND with their messages, timers, placement and
// z-order on a virtual desktop (screen, work area, monitors, cursor) that tests set.
#pragma once

#include "win32_gdi_types.h"

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef struct HMENU__* HMENU;
typedef uint16_t ATOM;

// Messages.
#define WM_CREATE 0x0001u
#define WM_DESTROY 0x0002u
#define WM_SIZE 0x0005u
#define WM_PAINT 0x000Fu
#define WM_CLOSE 0x0010u
#define WM_SETICON 0x0080u
#define WM_NCCREATE 0x0081u
#define WM_NCDESTROY 0x0082u
#define WM_NCHITTEST 0x0084u
#define WM_SYSCOMMAND 0x0112u
#define WM_TIMER 0x0113u
#define WM_MOUSEMOVE 0x0200u
#define WM_LBUTTONDOWN 0x0201u
#define WM_LBUTTONUP 0x0202u
#define WM_LBUTTONDBLCLK 0x0203u
#define WM_EXITSIZEMOVE 0x0232u
#define WM_DPICHANGED 0x02E0u

// System commands (WM_SYSCOMMAND), hit-test results (WM_NCHITTEST), icon sizes (WM_SETICON).
#define SC_MINIMIZE 0xF020u
#define SC_MAXIMIZE 0xF030u
#define SC_CLOSE 0xF060u
#define SC_RESTORE 0xF120u
#define HTCLIENT 1
#define HTCAPTION 2
#define ICON_BIG 1
#define MK_LBUTTON 0x0001u

// Window styles.
#define WS_POPUP 0x80000000u
#define WS_CLIPSIBLINGS 0x04000000u
#define WS_CLIPCHILDREN 0x02000000u
#define WS_BORDER 0x00800000u
#define WS_SYSMENU 0x00080000u
#define WS_EX_TOPMOST 0x00000008u
#define WS_EX_TOOLWINDOW 0x00000080u
#define CW_USEDEFAULT (static_cast<int>(0x80000000u))

// ShowWindow commands.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOWNOACTIVATE 4

// SetWindowPos.
#define HWND_TOPMOST (reinterpret_cast<HWND>(-1))
#define SWP_NOSIZE 0x0001u
#define SWP_NOMOVE 0x0002u
#define SWP_NOZORDER 0x0004u
#define SWP_NOACTIVATE 0x0010u
#define SWP_SHOWWINDOW 0x0040u

// Window data.
#define GWL_EXSTYLE (-20)
#define GWLP_USERDATA (-21)

// Monitors and metrics.
#define MONITOR_DEFAULTTOPRIMARY 1u
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SPI_GETWORKAREA 0x0030u

// Text flags of DrawText.
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_CALCRECT 0x00000400
#define DT_END_ELLIPSIS 0x00008000

#define MAKEINTRESOURCEW(id) \
    (reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id))))
#define LOWORD(l) (static_cast<WORD>(static_cast<ULONG_PTR>(l) & 0xFFFF))
#define HIWORD(l) (static_cast<WORD>((static_cast<ULONG_PTR>(l) >> 16) & 0xFFFF))
#define MAKELPARAM(lo, hi)                                             \
    (static_cast<LPARAM>((static_cast<DWORD>(static_cast<WORD>(lo))) | \
                         (static_cast<DWORD>(static_cast<WORD>(hi)) << 16)))

// Window classes: only the window procedure matters here.
typedef struct tagWNDCLASSEXW {
    UINT cbSize;
    WNDPROC lpfnWndProc;
    LPCWSTR lpszClassName;
} WNDCLASSEXW;

// WM_NCCREATE and WM_CREATE carry the creation parameter.
typedef struct tagCREATESTRUCTW {
    LPVOID lpCreateParams;
} CREATESTRUCTW, *LPCREATESTRUCTW;

typedef struct tagMONITORINFO {
    DWORD cbSize;
    RECT rcWork;
} MONITORINFO, *LPMONITORINFO;

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass);
// Windows start hidden; a window placed at CW_USEDEFAULT is cascaded from the work area's corner.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param);
BOOL DestroyWindow(HWND hwnd);
LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Queues the message on the UI thread's loop; it is delivered only if the window still exists.
BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL IsWindow(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
// Minimised windows stay visible; SC_MINIMIZE minimises, SC_RESTORE restores.
BOOL IsIconic(HWND hwnd);
BOOL ShowWindow(HWND hwnd, int command);
// HWND_TOPMOST (without SWP_NOZORDER) makes the window topmost: it stays above the others.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
BOOL GetClientRect(HWND hwnd, LPRECT rect);
BOOL ScreenToClient(HWND hwnd, LPPOINT point);
BOOL ClientToScreen(HWND hwnd, LPPOINT point);
int GetClassNameW(HWND hwnd, LPWSTR name, int size);
// GWL_EXSTYLE (read only) and GWLP_USERDATA.
LONG_PTR GetWindowLongPtrW(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value);
BOOL SetForegroundWindow(HWND hwnd);
HWND WindowFromPoint(POINT point);
// The top-most window of CLASS_NAME and WINDOW_NAME (either null for any).
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
BOOL GetCursorPos(LPPOINT point);
BOOL SetCursorPos(int x, int y);
// The icon of resource NAME (MAKEINTRESOURCEW of its id) of MODULE.
HICON LoadIconW(HINSTANCE module, LPCWSTR name);

// Window timers: WM_TIMER with the id every ELAPSE milliseconds of the clock, until KillTimer.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, void* timerProc);
UINT_PTR SetCoalescableTimer(HWND hwnd, UINT_PTR id, UINT elapse, void* timerProc, ULONG tolerance);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// The monitor under the window's centre, else the primary one (MONITOR_DEFAULTTOPRIMARY).
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);
BOOL GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info);
int GetSystemMetrics(int index);
BOOL SystemParametersInfoW(UINT action, UINT param, LPVOID out, UINT winIni);

// Window, device-context and geometry types of user32 and GDI.
//
// A device context of this platform is a Cairo drawing context: every window paints into a
// Cairo image surface, and the HDC handed to painting code is that surface's cairo_t.
#pragma once

#include <cstdint>

typedef struct HWND__* HWND;
typedef struct HDC__* HDC;
typedef struct HICON__* HICON;
typedef struct HMONITOR__* HMONITOR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef uintptr_t UINT_PTR;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *LPPOINT;

typedef struct tagSIZE {
    LONG cx;
    LONG cy;
} SIZE;

struct _cairo;

namespace win32standin {
// The Cairo context behind a device context, and back.
inline _cairo* CairoOf(HDC dc) {
    return reinterpret_cast<_cairo*>(dc);
}
inline HDC DeviceContextOf(_cairo* cr) {
    return reinterpret_cast<HDC>(cr);
}
}  // namespace win32standin

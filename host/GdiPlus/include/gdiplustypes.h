// Basic types of the GDI+ subset: status codes, enumerations, colours and points. Included by
// <gdiplus.h>; names and values follow the Windows SDK.
#pragma once

#include <windows.h>

#include <cstdint>

namespace Gdiplus {

typedef float REAL;
typedef int INT;
typedef DWORD ARGB;

enum Status {
    Ok = 0,
    InvalidParameter = 2,
    OutOfMemory = 3,
    NotImplemented = 6,
};

// Shapes are filled without anti-aliasing until it is asked for.
enum SmoothingMode { SmoothingModeAntiAlias = 4 };

// Transformations apply before the present one.
enum MatrixOrder { MatrixOrderPrepend = 0 };

enum WrapMode { WrapModeTile = 0 };

typedef INT PixelFormat;
constexpr PixelFormat PixelFormat32bppARGB = 0x0026200A;

class Color {
public:
    Color(ARGB argb) : Argb(argb) {}  // NOLINT: implicit as in the SDK

    BYTE GetA() const { return static_cast<BYTE>(Argb >> 24); }
    BYTE GetR() const { return static_cast<BYTE>(Argb >> 16); }
    BYTE GetG() const { return static_cast<BYTE>(Argb >> 8); }
    BYTE GetB() const { return static_cast<BYTE>(Argb); }
    ARGB GetValue() const { return Argb; }

protected:
    ARGB Argb;
};

class PointF {
public:
    PointF(REAL x, REAL y) : X(x), Y(y) {}
    REAL X;
    REAL Y;
};

class RectF {
public:
    RectF(REAL x, REAL y, REAL width, REAL height) : X(x), Y(y), Width(width), Height(height) {}
    REAL X;
    REAL Y;
    REAL Width;
    REAL Height;
};

}  // namespace Gdiplus

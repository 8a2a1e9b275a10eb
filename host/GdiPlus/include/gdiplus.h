// The subset of GDI+ that the plug-in paints with, drawn by Cairo.
//
// Images are Cairo image surfaces, and a Graphics on a device context draws into the context's
// Cairo context (see win32_gdi_types.h). The pixel offset mode is GDI+'s default,
// PixelOffsetModeNone: pixel centres, of the device and of images alike, lie on integer
// coordinates, so pixel (0, 0) covers -0.5 to 0.5. Anti-aliased edges on whole coordinates are
// therefore half covered; without anti-aliasing a pixel is filled when its centre is inside,
// centres on a left or top edge counting as inside.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "gdiplustypes.h"

struct _cairo;
struct _cairo_surface;

namespace Gdiplus {

namespace detail {
struct BrushData;  // what a brush paints; linux/GdiPlusInternal.h
struct Shape;      // a shape to fill
struct SurfaceRelease {
    void operator()(_cairo_surface* surface) const;
};
}  // namespace detail

// Calls on an object whose construction failed do nothing and return InvalidParameter.
class Image {
public:
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

protected:
    Image() = default;

    std::unique_ptr<_cairo_surface, detail::SurfaceRelease> surface_;

    friend class Graphics;
    friend class TextureBrush;
};

// A bitmap of 32 bits a pixel, ARGB, initially transparent black.
class Bitmap : public Image {
public:
    Bitmap(INT width, INT height, PixelFormat format = PixelFormat32bppARGB);
};

class Brush {
public:
    virtual ~Brush();
    Brush(const Brush&) = delete;
    Brush& operator=(const Brush&) = delete;

protected:
    Brush();

    std::unique_ptr<detail::BrushData> data_;  // null when construction failed

    friend class Graphics;
};

class SolidBrush : public Brush {
public:
    explicit SolidBrush(const Color& color);
};

// Paints a copy of an image, repeated. Texel (0, 0) is centred on the origin of world space.
class TextureBrush : public Brush {
public:
    explicit TextureBrush(Image* image, WrapMode wrapMode = WrapModeTile);
};

// A path made of ellipses.
class GraphicsPath {
public:
    GraphicsPath() = default;
    GraphicsPath(const GraphicsPath&) = delete;
    GraphicsPath& operator=(const GraphicsPath&) = delete;

    Status AddEllipse(REAL x, REAL y, REAL width, REAL height);

private:
    std::vector<RectF> ellipses_;  // bounding boxes, in the order added

    friend class PathGradientBrush;
};

// A gradient inside a path of one ellipse. The focus region is the path scaled by the focus
// scales about the centre point, filled with the centre colour. From the focus image
// F = C + (sx * (Bx - Cx), sy * (By - Cy)) of a boundary point B to B itself the colour blends
// linearly, channel by channel in non-premultiplied ARGB, into the surround colour. Outside the
// path the brush is transparent. By default the centre is the ellipse's centre, the centre
// colour opaque black, the surround colour opaque white and the focus scales (0, 0).
//
// The surround colour is one colour: SetSurroundColors accepts the counts that GDI+ accepts (1
// to the 13 points of an ellipse) but returns NotImplemented for colours that differ from one
// another. A path of no or of several figures makes a brush that failed.
class PathGradientBrush : public Brush {
public:
    explicit PathGradientBrush(const GraphicsPath* path);

    Status SetCenterColor(const Color& color);
    Status SetCenterPoint(const PointF& point);
    // COUNT: on entry the number of colours; the last colour stands for the remaining points.
    Status SetSurroundColors(const Color* colors, INT* count);
    // Scales outside 0 to 1 are kept but painted as the nearest of 0 and 1.
    Status SetFocusScales(REAL xScale, REAL yScale);
};

class Graphics {
public:
    // Draws into the device context's Cairo context, under the context's own transformation;
    // the context's state is left as found after each call.
    explicit Graphics(HDC hdc);
    explicit Graphics(Image* image);
    ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    Status SetSmoothingMode(SmoothingMode smoothingMode);

    // The world transform maps world coordinates to device coordinates; each operation applies
    // before the present transform. Angles are in degrees, clockwise on screen.
    Status TranslateTransform(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
    Status ScaleTransform(REAL sx, REAL sy, MatrixOrder order = MatrixOrderPrepend);

    // Rectangles and pies with a width or height not above 0 fill nothing.
    Status FillRectangle(const Brush* brush, INT x, INT y, INT width, INT height);
    Status FillRectangle(const Brush* brush, REAL x, REAL y, REAL width, REAL height);
    // The pie of the ellipse in the box (x, y, width, height) between the rays from its centre
    // at START_ANGLE and at START_ANGLE + SWEEP_ANGLE, in degrees clockwise from the x axis.
    // The angles are those of the rays, not of the ellipse's parameter. Sweeps are clockwise
    // and less than a whole turn; others fill nothing.
    Status FillPie(const Brush* brush, REAL x, REAL y, REAL width, REAL height, REAL startAngle,
                   REAL sweepAngle);

private:
    struct State;

    Status Fill(const Brush* brush, const detail::Shape& shape);

    std::unique_ptr<State> state_;  // null when construction failed
};

}  // namespace Gdiplus

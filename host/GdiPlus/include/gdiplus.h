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

class Image {
public:
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    UINT GetWidth();
    UINT GetHeight();
    PixelFormat GetPixelFormat();
    // The latest failure of a call on this object (Ok when none), then Ok again.
    Status GetLastStatus() const;

protected:
    Image() = default;
    Status SetStatus(Status status) const;

    std::unique_ptr<_cairo_surface, detail::SurfaceRelease> surface_;
    PixelFormat format_ = 0;
    mutable Status lastStatus_ = Ok;

    friend class Graphics;
    friend class TextureBrush;
};

// A bitmap of 32 bits a pixel (ARGB, premultiplied ARGB or RGB), initially transparent black.
class Bitmap : public Image {
public:
    Bitmap(INT width, INT height, PixelFormat format = PixelFormat32bppARGB);

    // Colours are non-premultiplied ARGB.
    Status GetPixel(INT x, INT y, Color* color);
    Status SetPixel(INT x, INT y, const Color& color);
};

class Brush {
public:
    virtual ~Brush();
    Brush(const Brush&) = delete;
    Brush& operator=(const Brush&) = delete;

    BrushType GetType() const { return type_; }
    Status GetLastStatus() const;

protected:
    explicit Brush(BrushType type);
    Status SetStatus(Status status) const;

    BrushType type_;
    std::unique_ptr<detail::BrushData> data_;  // null when construction failed
    mutable Status lastStatus_ = Ok;

    friend class Graphics;
};

class SolidBrush : public Brush {
public:
    explicit SolidBrush(const Color& color);

    Status GetColor(Color* color) const;
    Status SetColor(const Color& color);
};

// Paints a copy of an image, repeated according to the wrap mode. Texel (0, 0) is centred on
// the origin of brush space; the brush transform maps brush space to world space, and the
// graphics' world transform applies on top of it.
class TextureBrush : public Brush {
public:
    explicit TextureBrush(Image* image, WrapMode wrapMode = WrapModeTile);

    Status TranslateTransform(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
    Status ResetTransform();
    WrapMode GetWrapMode() const;
};

// A path made of ellipses.
class GraphicsPath {
public:
    explicit GraphicsPath(FillMode fillMode = FillModeAlternate);
    GraphicsPath(const GraphicsPath&) = delete;
    GraphicsPath& operator=(const GraphicsPath&) = delete;

    Status AddEllipse(REAL x, REAL y, REAL width, REAL height);
    Status AddEllipse(INT x, INT y, INT width, INT height);
    Status AddEllipse(const RectF& rect) {
        return AddEllipse(rect.X, rect.Y, rect.Width, rect.Height);
    }
    Status AddEllipse(const Rect& rect) {
        return AddEllipse(rect.X, rect.Y, rect.Width, rect.Height);
    }
    // An ellipse counts 13 points, the ends and control points of its four Bezier curves.
    INT GetPointCount() const;
    FillMode GetFillMode() const { return fillMode_; }
    Status SetFillMode(FillMode fillMode);
    Status GetLastStatus() const;

private:
    Status SetStatus(Status status) const;

    FillMode fillMode_;
    std::vector<RectF> ellipses_;  // bounding boxes, in the order added
    mutable Status lastStatus_ = Ok;

    friend class Graphics;
    friend class PathGradientBrush;
};

// A gradient inside a path of one ellipse. The focus region is the path scaled by the focus
// scales about the centre point, filled with the centre colour. From the focus image
// F = C + (sx * (Bx - Cx), sy * (By - Cy)) of a boundary point B to B itself the colour blends
// linearly, channel by channel in non-premultiplied ARGB, into the surround colour. Outside the
// path the brush is transparent. By default the centre is the ellipse's centre, the centre
// colour opaque black, the surround colour opaque white and the focus scales (0, 0).
//
// The surround colour is one colour: SetSurroundColors accepts the counts that GDI+ accepts but
// returns NotImplemented for colours that differ from one another. A path of several figures
// fails with NotImplemented, an empty one with OutOfMemory (as GDI+ does).
class PathGradientBrush : public Brush {
public:
    explicit PathGradientBrush(const GraphicsPath* path);

    Status SetCenterColor(const Color& color);
    Status GetCenterColor(Color* color) const;
    Status SetCenterPoint(const PointF& point);
    Status SetCenterPoint(const Point& point) { return SetCenterPoint(PointF(point)); }
    Status GetCenterPoint(PointF* point) const;
    // COUNT: on entry the number of colours, 1 to GetPointCount(); the last colour stands for
    // the remaining points. On success it receives the number of colours set.
    Status SetSurroundColors(const Color* colors, INT* count);
    // Scales outside 0 to 1 are kept but painted as the nearest of 0 and 1.
    Status SetFocusScales(REAL xScale, REAL yScale);
    Status GetFocusScales(REAL* xScale, REAL* yScale) const;
    INT GetPointCount() const;
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

    static Graphics* FromHDC(HDC hdc) { return new Graphics(hdc); }
    static Graphics* FromImage(Image* image) { return new Graphics(image); }

    Status SetSmoothingMode(SmoothingMode smoothingMode);
    SmoothingMode GetSmoothingMode() const;

    // The world transform maps world coordinates to device coordinates. Prepend applies the
    // new operation before the present transform, Append after it. Angles are in degrees,
    // clockwise on screen.
    Status TranslateTransform(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
    Status RotateTransform(REAL angle, MatrixOrder order = MatrixOrderPrepend);
    Status ResetTransform();

    // Rectangles and pies with a width or height not above 0 fill nothing.
    Status FillRectangle(const Brush* brush, INT x, INT y, INT width, INT height);
    Status FillRectangle(const Brush* brush, REAL x, REAL y, REAL width, REAL height);
    Status FillRectangle(const Brush* brush, const Rect& rect) {
        return FillRectangle(brush, rect.X, rect.Y, rect.Width, rect.Height);
    }
    Status FillRectangle(const Brush* brush, const RectF& rect) {
        return FillRectangle(brush, rect.X, rect.Y, rect.Width, rect.Height);
    }
    // The pie of the ellipse in the box (x, y, width, height) between the rays from its centre
    // at START_ANGLE and at START_ANGLE + SWEEP_ANGLE, in degrees clockwise from the x axis.
    // The angles are those of the rays, not of the ellipse's parameter; a sweep of 360 or more
    // fills the whole ellipse.
    Status FillPie(const Brush* brush, REAL x, REAL y, REAL width, REAL height, REAL startAngle,
                   REAL sweepAngle);
    Status FillPie(const Brush* brush, INT x, INT y, INT width, INT height, REAL startAngle,
                   REAL sweepAngle);
    Status FillPie(const Brush* brush, const RectF& rect, REAL startAngle, REAL sweepAngle) {
        return FillPie(brush, rect.X, rect.Y, rect.Width, rect.Height, startAngle, sweepAngle);
    }
    Status FillPie(const Brush* brush, const Rect& rect, REAL startAngle, REAL sweepAngle) {
        return FillPie(brush, rect.X, rect.Y, rect.Width, rect.Height, startAngle, sweepAngle);
    }
    Status FillPath(const Brush* brush, const GraphicsPath* path);

    Status GetLastStatus() const;

private:
    struct State;

    Status SetStatus(Status status) const;
    Status Fill(const Brush* brush, const detail::Shape& shape);

    std::unique_ptr<State> state_;  // null when construction failed
    mutable Status lastStatus_ = Ok;
};

}  // namespace Gdiplus

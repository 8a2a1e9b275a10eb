// Brushes: solid colour, texture and path gradient; and paths of ellipses.
#include <gdiplus.h>

#include "GdiPlusInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

namespace Gdiplus {

namespace detail {

void AddEllipseFigure(cairo_t* cr, double x, double y, double width, double height) {
    if (width == 0 || height == 0) {
        return;
    }
    cairo_matrix_t saved;
    cairo_get_matrix(cr, &saved);
    cairo_translate(cr, x + width / 2, y + height / 2);
    cairo_scale(cr, width / 2, height / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_close_path(cr);
    cairo_set_matrix(cr, &saved);
}

}  // namespace detail

namespace {

constexpr INT kPointsPerEllipse = 13;

struct PatternRelease {
    void operator()(cairo_pattern_t* pattern) const { cairo_pattern_destroy(pattern); }
};
using PatternPtr = std::unique_ptr<cairo_pattern_t, PatternRelease>;
using SurfacePtr = std::unique_ptr<cairo_surface_t, detail::SurfaceRelease>;

struct SolidData : detail::BrushData {
    Color color;

    Status Apply(cairo_t* cr) const override {
        cairo_set_source_rgba(cr, color.GetR() / 255.0, color.GetG() / 255.0, color.GetB() / 255.0,
                              color.GetA() / 255.0);
        return Ok;
    }
};

struct TextureData : detail::BrushData {
    PatternPtr pattern;
    WrapMode wrapMode = WrapModeTile;
    cairo_matrix_t transform;  // brush space to world space

    Status Apply(cairo_t* cr) const override {
        // World to brush space, then to Cairo's pattern space where texel (0, 0) spans 0 to 1.
        cairo_matrix_t toBrush = transform;
        cairo_matrix_invert(&toBrush);
        cairo_matrix_t toPattern = detail::Multiply(toBrush, detail::Translation(0.5, 0.5));
        cairo_pattern_set_matrix(pattern.get(), &toPattern);
        cairo_set_source(cr, pattern.get());
        return Ok;
    }
};

// One tile of IMAGE for WRAP: the image, with mirrored copies beside and below it for the
// flipping modes, since Cairo's reflection always mirrors both ways.
SurfacePtr MakeTile(cairo_surface_t* image, WrapMode wrap) {
    cairo_surface_flush(image);
    const int width = cairo_image_surface_get_width(image);
    const int height = cairo_image_surface_get_height(image);
    const bool flipX = wrap == WrapModeTileFlipX || wrap == WrapModeTileFlipXY;
    const bool flipY = wrap == WrapModeTileFlipY || wrap == WrapModeTileFlipXY;
    SurfacePtr tile(cairo_image_surface_create(cairo_image_surface_get_format(image),
                                               flipX ? 2 * width : width,
                                               flipY ? 2 * height : height));
    if (cairo_surface_status(tile.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    cairo_t* cr = cairo_create(tile.get());
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    for (int copyY = 0; copyY < (flipY ? 2 : 1); ++copyY) {
        for (int copyX = 0; copyX < (flipX ? 2 : 1); ++copyX) {
            cairo_pattern_t* source = cairo_pattern_create_for_surface(image);
            cairo_pattern_set_filter(source, CAIRO_FILTER_NEAREST);
            cairo_matrix_t toImage;
            cairo_matrix_init(&toImage, copyX ? -1 : 1, 0, 0, copyY ? -1 : 1,
                              copyX ? 2.0 * width : 0, copyY ? 2.0 * height : 0);
            cairo_pattern_set_matrix(source, &toImage);
            cairo_set_source(cr, source);
            cairo_rectangle(cr, copyX * width, copyY * height, width, height);
            cairo_fill(cr);
            cairo_pattern_destroy(source);
        }
    }
    cairo_destroy(cr);
    return tile;
}

// The colour of a path gradient over one ellipse, per point of brush space.
//
// With the centre point C, the focus scales (sx, sy) and m(t) = s + t (1 - s) per axis, the
// points of blend t form the boundary of the ellipse scaled by m(t) about C: P has blend t
// when B = C + (P - C) / m(t) lies on the ellipse. In units of the radii, with X and Y the
// offsets of P from C and (ox, oy) that of C from the ellipse's centre, that is G(t) = 1 for
//     G(t) = (ox + X / mx(t))^2 + (oy + Y / my(t))^2.
// G falls from the focus region (t = 0) to the boundary (t = 1). Newton's method, kept inside
// a bracket, solves S(t) = G(t)^(-1/2) = 1 instead: S is linear in t when the focus scales are
// equal and C is the ellipse's centre, and close to linear otherwise.
struct EllipseGradient {
    double ex, ey, a, b;  // ellipse centre and radii
    double cx, cy;        // centre point
    double sx, sy;        // focus scales, 0 to 1
    float centre[4];      // A, R, G, B
    float surround[4];
    double invA, invB;  // 1 / radii
    double ox, oy;      // (C - ellipse centre) / radii

    void Prepare() {
        invA = 1 / a;
        invB = 1 / b;
        ox = (cx - ex) * invA;
        oy = (cy - ey) * invB;
    }

    bool InsidePath(double px, double py) const {
        const double u = (px - ex) * invA;
        const double v = (py - ey) * invB;
        return u * u + v * v <= 1;
    }

    // S(t) and S'(t); S is 0 where the scaled ellipse has collapsed away from P.
    void Evaluate(double X, double Y, double t, double* value, double* slope) const {
        const double mx = sx + t * (1 - sx);
        const double my = sy + t * (1 - sy);
        if ((X != 0 && mx == 0) || (Y != 0 && my == 0)) {
            *value = 0;
            *slope = 0;
            return;
        }
        // One division for both reciprocals; a collapsed axis with P on it contributes 0.
        double invMx = 0, invMy = 0;
        if (mx != 0 && my != 0) {
            const double inverse = 1 / (mx * my);
            invMx = my * inverse;
            invMy = mx * inverse;
        } else if (mx != 0) {
            invMx = 1 / mx;
        } else if (my != 0) {
            invMy = 1 / my;
        }
        const double qx = X * invMx;
        const double qy = Y * invMy;
        const double dqx = -qx * (1 - sx) * invMx;
        const double dqy = -qy * (1 - sy) * invMy;
        const double g = (ox + qx) * (ox + qx) + (oy + qy) * (oy + qy);
        if (g == 0) {
            *value = HUGE_VAL;
            *slope = 0;
            return;
        }
        const double s = 1 / std::sqrt(g);
        *value = s;
        *slope = -s * s * s * ((ox + qx) * dqx + (oy + qy) * dqy);
    }

    // The blend of a point inside the path: 0 in the focus region, 1 on the boundary. Newton's
    // method starts at GUESS, e.g. the blend of a neighbouring point, when it lies in 0 to 1.
    double Blend(double px, double py, double guess) const {
        const double X = (px - cx) * invA;
        const double Y = (py - cy) * invB;
        double value, slope;
        Evaluate(X, Y, 0, &value, &slope);
        if (value >= 1) {
            return 0;
        }
        double lo = 0, hi = 1;  // S(lo) < 1 <= S(hi)
        double t = guess > 0 && guess < 1 ? guess : 1;
        for (int i = 0; i < 40; ++i) {
            Evaluate(X, Y, t, &value, &slope);
            if (value < 1) {
                lo = t;
            } else {
                hi = t;
            }
            double next = slope > 0 ? t + (1 - value) / slope : (lo + hi) / 2;
            if (!(next >= lo && next <= hi)) {
                next = (lo + hi) / 2;
            }
            if (std::fabs(next - t) < 1e-3) {  // the error left is far smaller
                return next;
            }
            t = next;
        }
        return t;
    }

    // The premultiplied pixel at brush-space point P. BLEND carries the blend of the previous
    // point in and this one's out (-1 outside the path).
    uint32_t PremultipliedAt(double px, double py, double* blend) const {
        if (!InsidePath(px, py)) {
            *blend = -1;
            return 0;
        }
        *blend = Blend(px, py, *blend);
        const float t = static_cast<float>(*blend);
        float argb[4];
        for (int i = 0; i < 4; ++i) {
            argb[i] = centre[i] + t * (surround[i] - centre[i]);
        }
        const float alpha = argb[0] / 255;
        return (static_cast<uint32_t>(argb[0] + 0.5f) << 24) |
               (static_cast<uint32_t>(argb[1] * alpha + 0.5f) << 16) |
               (static_cast<uint32_t>(argb[2] * alpha + 0.5f) << 8) |
               static_cast<uint32_t>(argb[3] * alpha + 0.5f);
    }
};

void ToFloats(const Color& color, float* argb) {
    argb[0] = color.GetA();
    argb[1] = color.GetR();
    argb[2] = color.GetG();
    argb[3] = color.GetB();
}

// Device-space bounds of the user-space box (x1, y1, x2, y2) under MATRIX.
struct Bounds {
    double x1, y1, x2, y2;
};

Bounds DeviceBounds(const cairo_matrix_t& matrix, double x1, double y1, double x2, double y2) {
    Bounds bounds{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    const double xs[] = {x1, x2};
    const double ys[] = {y1, y2};
    for (double x : xs) {
        for (double y : ys) {
            double dx = x, dy = y;
            cairo_matrix_transform_point(&matrix, &dx, &dy);
            bounds.x1 = std::min(bounds.x1, dx);
            bounds.y1 = std::min(bounds.y1, dy);
            bounds.x2 = std::max(bounds.x2, dx);
            bounds.y2 = std::max(bounds.y2, dy);
        }
    }
    return bounds;
}

struct PathGradientData : detail::BrushData {
    RectF box;  // of the ellipse
    PointF centrePoint;
    Color centreColor{0xFF000000u};
    Color surroundColor{0xFFFFFFFFu};
    REAL focusX = 0;
    REAL focusY = 0;

    // Computes the gradient for every device pixel that the fill can touch into an image, and
    // paints the fill from it.
    Status Apply(cairo_t* cr) const override {
        cairo_matrix_t toDevice;
        cairo_get_matrix(cr, &toDevice);
        double x1, y1, x2, y2;
        cairo_fill_extents(cr, &x1, &y1, &x2, &y2);
        Bounds area = DeviceBounds(toDevice, x1, y1, x2, y2);
        cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
        const Bounds clip = DeviceBounds(toDevice, x1, y1, x2, y2);
        const Bounds ellipse =
            DeviceBounds(toDevice, box.X, box.Y, box.X + box.Width, box.Y + box.Height);
        for (const Bounds& other : {clip, ellipse}) {
            area.x1 = std::max(area.x1, other.x1);
            area.y1 = std::max(area.y1, other.y1);
            area.x2 = std::min(area.x2, other.x2);
            area.y2 = std::min(area.y2, other.y2);
        }
        const int left = static_cast<int>(std::floor(area.x1));
        const int top = static_cast<int>(std::floor(area.y1));
        const int width = static_cast<int>(std::ceil(area.x2)) - left;
        const int height = static_cast<int>(std::ceil(area.y2)) - top;
        if (width <= 0 || height <= 0 || box.Width == 0 || box.Height == 0) {
            cairo_set_source_rgba(cr, 0, 0, 0, 0);
            return Ok;
        }
        SurfacePtr image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
        if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) {
            return OutOfMemory;
        }

        EllipseGradient gradient;
        gradient.a = std::fabs(box.Width) / 2.0;
        gradient.b = std::fabs(box.Height) / 2.0;
        gradient.ex = box.X + box.Width / 2.0;
        gradient.ey = box.Y + box.Height / 2.0;
        gradient.cx = centrePoint.X;
        gradient.cy = centrePoint.Y;
        gradient.sx = std::min(std::max(static_cast<double>(focusX), 0.0), 1.0);
        gradient.sy = std::min(std::max(static_cast<double>(focusY), 0.0), 1.0);
        ToFloats(centreColor, gradient.centre);
        ToFloats(surroundColor, gradient.surround);
        gradient.Prepare();

        cairo_matrix_t toBrush = toDevice;
        if (cairo_matrix_invert(&toBrush) != CAIRO_STATUS_SUCCESS) {
            return InvalidParameter;
        }
        unsigned char* data = cairo_image_surface_get_data(image.get());
        const int stride = cairo_image_surface_get_stride(image.get());
        for (int row = 0; row < height; ++row) {
            uint32_t* pixels = reinterpret_cast<uint32_t*>(data + row * stride);
            // Brush-space position of the centre of the row's first pixel, and the step.
            double px = left + 0.5, py = top + row + 0.5;
            cairo_matrix_transform_point(&toBrush, &px, &py);
            double blend = -1;
            for (int column = 0; column < width; ++column) {
                pixels[column] = gradient.PremultipliedAt(px + column * toBrush.xx,
                                                          py + column * toBrush.yx, &blend);
            }
        }
        cairo_surface_mark_dirty(image.get());

        PatternPtr pattern(cairo_pattern_create_for_surface(image.get()));
        cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_NEAREST);
        cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_NONE);
        cairo_matrix_t toImage = detail::Multiply(toDevice, detail::Translation(-left, -top));
        cairo_pattern_set_matrix(pattern.get(), &toImage);
        cairo_set_source(cr, pattern.get());
        return Ok;
    }
};

}  // namespace

Brush::Brush(BrushType type) : type_(type) {}

Brush::~Brush() = default;

Status Brush::GetLastStatus() const {
    Status status = lastStatus_;
    lastStatus_ = Ok;
    return status;
}

Status Brush::SetStatus(Status status) const {
    if (status != Ok) {
        lastStatus_ = status;
    }
    return status;
}

SolidBrush::SolidBrush(const Color& color) : Brush(BrushTypeSolidColor) {
    auto data = std::make_unique<SolidData>();
    data->color = color;
    data_ = std::move(data);
}

Status SolidBrush::GetColor(Color* color) const {
    if (!data_ || color == nullptr) {
        return SetStatus(InvalidParameter);
    }
    *color = static_cast<const SolidData*>(data_.get())->color;
    return Ok;
}

Status SolidBrush::SetColor(const Color& color) {
    if (!data_) {
        return SetStatus(InvalidParameter);
    }
    static_cast<SolidData*>(data_.get())->color = color;
    return Ok;
}

TextureBrush::TextureBrush(Image* image, WrapMode wrapMode) : Brush(BrushTypeTextureFill) {
    if (image == nullptr || !image->surface_ || wrapMode < WrapModeTile ||
        wrapMode > WrapModeClamp) {
        SetStatus(InvalidParameter);
        return;
    }
    SurfacePtr tile = MakeTile(image->surface_.get(), wrapMode);
    if (!tile) {
        SetStatus(OutOfMemory);
        return;
    }
    auto data = std::make_unique<TextureData>();
    data->pattern.reset(cairo_pattern_create_for_surface(tile.get()));
    cairo_pattern_set_extend(data->pattern.get(),
                             wrapMode == WrapModeClamp ? CAIRO_EXTEND_NONE : CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(data->pattern.get(), CAIRO_FILTER_BILINEAR);
    data->wrapMode = wrapMode;
    cairo_matrix_init_identity(&data->transform);
    data_ = std::move(data);
}

Status TextureBrush::TranslateTransform(REAL dx, REAL dy, MatrixOrder order) {
    if (!data_ || (order != MatrixOrderPrepend && order != MatrixOrderAppend)) {
        return SetStatus(InvalidParameter);
    }
    cairo_matrix_t& transform = static_cast<TextureData*>(data_.get())->transform;
    const cairo_matrix_t step = detail::Translation(dx, dy);
    transform = order == MatrixOrderPrepend ? detail::Multiply(step, transform)
                                            : detail::Multiply(transform, step);
    return Ok;
}

Status TextureBrush::ResetTransform() {
    if (!data_) {
        return SetStatus(InvalidParameter);
    }
    cairo_matrix_init_identity(&static_cast<TextureData*>(data_.get())->transform);
    return Ok;
}

WrapMode TextureBrush::GetWrapMode() const {
    if (!data_) {
        SetStatus(InvalidParameter);
        return WrapModeTile;
    }
    return static_cast<const TextureData*>(data_.get())->wrapMode;
}

GraphicsPath::GraphicsPath(FillMode fillMode) : fillMode_(fillMode) {}

Status GraphicsPath::AddEllipse(REAL x, REAL y, REAL width, REAL height) {
    ellipses_.emplace_back(x, y, width, height);
    return Ok;
}

Status GraphicsPath::AddEllipse(INT x, INT y, INT width, INT height) {
    return AddEllipse(static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width),
                      static_cast<REAL>(height));
}

INT GraphicsPath::GetPointCount() const {
    return static_cast<INT>(ellipses_.size()) * kPointsPerEllipse;
}

Status GraphicsPath::SetFillMode(FillMode fillMode) {
    if (fillMode != FillModeAlternate && fillMode != FillModeWinding) {
        return SetStatus(InvalidParameter);
    }
    fillMode_ = fillMode;
    return Ok;
}

Status GraphicsPath::GetLastStatus() const {
    Status status = lastStatus_;
    lastStatus_ = Ok;
    return status;
}

Status GraphicsPath::SetStatus(Status status) const {
    if (status != Ok) {
        lastStatus_ = status;
    }
    return status;
}

PathGradientBrush::PathGradientBrush(const GraphicsPath* path) : Brush(BrushTypePathGradient) {
    if (path == nullptr) {
        SetStatus(InvalidParameter);
        return;
    }
    if (path->ellipses_.empty()) {
        SetStatus(OutOfMemory);
        return;
    }
    if (path->ellipses_.size() > 1) {
        SetStatus(NotImplemented);
        return;
    }
    auto data = std::make_unique<PathGradientData>();
    data->box = path->ellipses_.front();
    data->centrePoint =
        PointF(data->box.X + data->box.Width / 2, data->box.Y + data->box.Height / 2);
    data_ = std::move(data);
}

Status PathGradientBrush::SetCenterColor(const Color& color) {
    if (!data_) {
        return SetStatus(InvalidParameter);
    }
    static_cast<PathGradientData*>(data_.get())->centreColor = color;
    return Ok;
}

Status PathGradientBrush::GetCenterColor(Color* color) const {
    if (!data_ || color == nullptr) {
        return SetStatus(InvalidParameter);
    }
    *color = static_cast<const PathGradientData*>(data_.get())->centreColor;
    return Ok;
}

Status PathGradientBrush::SetCenterPoint(const PointF& point) {
    if (!data_) {
        return SetStatus(InvalidParameter);
    }
    static_cast<PathGradientData*>(data_.get())->centrePoint = point;
    return Ok;
}

Status PathGradientBrush::GetCenterPoint(PointF* point) const {
    if (!data_ || point == nullptr) {
        return SetStatus(InvalidParameter);
    }
    *point = static_cast<const PathGradientData*>(data_.get())->centrePoint;
    return Ok;
}

Status PathGradientBrush::SetSurroundColors(const Color* colors, INT* count) {
    if (!data_ || colors == nullptr || count == nullptr || *count < 1 || *count > GetPointCount()) {
        return SetStatus(InvalidParameter);
    }
    for (INT i = 1; i < *count; ++i) {
        if (colors[i].GetValue() != colors[0].GetValue()) {
            return SetStatus(NotImplemented);
        }
    }
    static_cast<PathGradientData*>(data_.get())->surroundColor = colors[0];
    return Ok;
}

Status PathGradientBrush::SetFocusScales(REAL xScale, REAL yScale) {
    if (!data_) {
        return SetStatus(InvalidParameter);
    }
    auto* data = static_cast<PathGradientData*>(data_.get());
    data->focusX = xScale;
    data->focusY = yScale;
    return Ok;
}

Status PathGradientBrush::GetFocusScales(REAL* xScale, REAL* yScale) const {
    if (!data_ || xScale == nullptr || yScale == nullptr) {
        return SetStatus(InvalidParameter);
    }
    const auto* data = static_cast<const PathGradientData*>(data_.get());
    *xScale = data->focusX;
    *yScale = data->focusY;
    return Ok;
}

INT PathGradientBrush::GetPointCount() const {
    return data_ ? kPointsPerEllipse : 0;
}

}  // namespace Gdiplus

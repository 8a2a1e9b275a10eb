// The path gradient's colours, computed per pixel: the blend of each point between the focus
// region and the boundary of the ellipse, found by Newton's method.
#include <gdiplus.h>

#include "GdiPlusInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Gdiplus {
namespace detail {
namespace {

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

}  // namespace

Status PathGradientData::Apply(cairo_t* cr) const {
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
    cairo_matrix_t toImage = Multiply(toDevice, Translation(-left, -top));
    cairo_pattern_set_matrix(pattern.get(), &toImage);
    cairo_set_source(cr, pattern.get());
    return Ok;
}

}  // namespace detail
}  // namespace Gdiplus

// Shared parts of the GDI+ stand-in: what brushes paint and the shapes that graphics fill.
#pragma once

#include <gdiplus.h>

#include <cairo.h>

#include <memory>

namespace Gdiplus {
namespace detail {

struct PatternRelease {
    void operator()(cairo_pattern_t* pattern) const { cairo_pattern_destroy(pattern); }
};
using PatternPtr = std::unique_ptr<cairo_pattern_t, PatternRelease>;
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceRelease>;

// What a brush paints. Apply sets the source of CR for filling CR's current path; CR's matrix
// maps world coordinates to Cairo's device coordinates.
struct BrushData {
    virtual ~BrushData() = default;
    virtual Status Apply(cairo_t* cr) const = 0;
};

// What a path-gradient brush paints: the gradient of each device pixel that the fill can touch,
// computed into an image (PathGradient.cpp).
struct PathGradientData : BrushData {
    explicit PathGradientData(const RectF& ellipse)
        : box(ellipse), centrePoint(box.X + box.Width / 2, box.Y + box.Height / 2) {}
    Status Apply(cairo_t* cr) const override;

    RectF box;  // of the ellipse
    PointF centrePoint;
    Color centreColor{0xFF000000u};
    Color surroundColor{0xFFFFFFFFu};
    REAL focusX = 0;
    REAL focusY = 0;
};

// A rectangle, or with a sweep a pie of the ellipse in the rectangle.
struct Shape {
    bool pie = false;
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    double startAngle = 0;  // degrees
    double sweepAngle = 0;
};

// The transformation that applies FIRST, then THEN.
inline cairo_matrix_t Multiply(const cairo_matrix_t& first, const cairo_matrix_t& then) {
    cairo_matrix_t result;
    cairo_matrix_multiply(&result, &first, &then);
    return result;
}

inline cairo_matrix_t Translation(double dx, double dy) {
    cairo_matrix_t matrix;
    cairo_matrix_init_translate(&matrix, dx, dy);
    return matrix;
}

}  // namespace detail
}  // namespace Gdiplus

// Shared parts of the GDI+ stand-in: what brushes paint and the shapes that graphics fill.
#pragma once

#include <gdiplus.h>

#include <cairo.h>

namespace Gdiplus {
namespace detail {

// What a brush paints. Apply sets the source of CR for filling CR's current path; CR's matrix
// maps world coordinates to Cairo's device coordinates.
struct BrushData {
    virtual ~BrushData() = default;
    virtual Status Apply(cairo_t* cr) const = 0;
};

struct Shape {
    enum Kind { kRectangle, kPie, kPath };
    Kind kind = kRectangle;
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    double startAngle = 0;  // degrees
    double sweepAngle = 0;
    const GraphicsPath* path = nullptr;
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

// Adds to CR's path, as a figure of its own, the ellipse in the box (x, y, width, height).
// Does nothing for an empty box.
void AddEllipseFigure(cairo_t* cr, double x, double y, double width, double height);

}  // namespace detail
}  // namespace Gdiplus

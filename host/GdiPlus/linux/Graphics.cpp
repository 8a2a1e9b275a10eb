// Graphics: the world transform, smoothing, and filling shapes with a brush through Cairo.
#include <gdiplus.h>

#include "GdiPlusInternal.h"

#include <cmath>

namespace Gdiplus {

struct Graphics::State {
    cairo_t* cr = nullptr;  // a reference of our own
    cairo_matrix_t device;  // GDI+ device coordinates to Cairo's user space of the target
    cairo_matrix_t world;   // world to GDI+ device coordinates
    bool antialias = false;

    explicit State(cairo_t* context) : cr(cairo_reference(context)) {
        // Pixel centres on integer coordinates: GDI+'s (0, 0) is the middle of Cairo's first
        // pixel.
        cairo_matrix_t own;
        cairo_get_matrix(cr, &own);
        device = detail::Multiply(detail::Translation(0.5, 0.5), own);
        cairo_matrix_init_identity(&world);
    }
    ~State() { cairo_destroy(cr); }
};

namespace {

// The parameter of the point of the ellipse with radii A and B that lies on the ray at ANGLE
// (radians) from its centre, on the same turn as ANGLE.
double EllipseParameter(double angle, double a, double b) {
    double parameter = std::atan2(a * std::sin(angle), b * std::cos(angle));
    return parameter + 2 * M_PI * std::round((angle - parameter) / (2 * M_PI));
}

void AddPie(cairo_t* cr, const detail::Shape& pie) {
    const double a = pie.width / 2, b = pie.height / 2;
    const double start = EllipseParameter(pie.startAngle * M_PI / 180, a, b);
    const double end = EllipseParameter((pie.startAngle + pie.sweepAngle) * M_PI / 180, a, b);
    cairo_matrix_t saved;
    cairo_get_matrix(cr, &saved);
    cairo_translate(cr, pie.x + a, pie.y + b);
    cairo_scale(cr, a, b);
    cairo_move_to(cr, 0, 0);
    cairo_arc(cr, 0, 0, 1, start, end);
    cairo_close_path(cr);
    cairo_set_matrix(cr, &saved);
}

}  // namespace

Graphics::Graphics(HDC hdc) {
    cairo_t* cr = win32standin::CairoOf(hdc);
    if (cr != nullptr && cairo_status(cr) == CAIRO_STATUS_SUCCESS) {
        state_ = std::make_unique<State>(cr);
    }
}

Graphics::Graphics(Image* image) {
    if (image == nullptr || !image->surface_) {
        return;
    }
    cairo_t* cr = cairo_create(image->surface_.get());
    if (cairo_status(cr) == CAIRO_STATUS_SUCCESS) {
        state_ = std::make_unique<State>(cr);
    }
    cairo_destroy(cr);  // the state holds its own reference
}

Graphics::~Graphics() = default;

Status Graphics::SetSmoothingMode(SmoothingMode smoothingMode) {
    if (!state_) {
        return InvalidParameter;
    }
    state_->antialias = smoothingMode == SmoothingModeAntiAlias;
    return Ok;
}

Status Graphics::TranslateTransform(REAL dx, REAL dy, MatrixOrder) {
    if (!state_) {
        return InvalidParameter;
    }
    state_->world = detail::Multiply(detail::Translation(dx, dy), state_->world);
    return Ok;
}

Status Graphics::ScaleTransform(REAL sx, REAL sy, MatrixOrder) {
    if (!state_) {
        return InvalidParameter;
    }
    cairo_matrix_t scale;
    cairo_matrix_init_scale(&scale, sx, sy);
    state_->world = detail::Multiply(scale, state_->world);
    return Ok;
}

Status Graphics::FillRectangle(const Brush* brush, INT x, INT y, INT width, INT height) {
    return FillRectangle(brush, static_cast<REAL>(x), static_cast<REAL>(y),
                         static_cast<REAL>(width), static_cast<REAL>(height));
}

Status Graphics::FillRectangle(const Brush* brush, REAL x, REAL y, REAL width, REAL height) {
    detail::Shape shape;
    shape.x = x;
    shape.y = y;
    shape.width = width;
    shape.height = height;
    return Fill(brush, shape);
}

Status Graphics::FillPie(const Brush* brush, REAL x, REAL y, REAL width, REAL height,
                         REAL startAngle, REAL sweepAngle) {
    detail::Shape shape;
    shape.pie = true;
    shape.x = x;
    shape.y = y;
    shape.width = width;
    shape.height = height;
    shape.startAngle = startAngle;
    shape.sweepAngle = sweepAngle;
    return Fill(brush, shape);
}

Status Graphics::Fill(const Brush* brush, const detail::Shape& shape) {
    if (!state_ || brush == nullptr || !brush->data_) {
        return InvalidParameter;
    }
    cairo_t* cr = state_->cr;
    cairo_save(cr);
    const cairo_matrix_t toDevice = detail::Multiply(state_->world, state_->device);
    cairo_set_matrix(cr, &toDevice);
    cairo_new_path(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_antialias(cr, state_->antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    if (shape.width > 0 && shape.height > 0 &&
        (!shape.pie || (shape.sweepAngle > 0 && shape.sweepAngle < 360))) {
        if (shape.pie) {
            AddPie(cr, shape);
        } else {
            cairo_rectangle(cr, shape.x, shape.y, shape.width, shape.height);
        }
    }
    Status status = Ok;
    if (cairo_has_current_point(cr)) {
        status = brush->data_->Apply(cr);
        if (status == Ok) {
            cairo_fill(cr);
        }
    }
    cairo_new_path(cr);
    cairo_restore(cr);
    return status;
}

}  // namespace Gdiplus

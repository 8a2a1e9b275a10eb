// Graphics: the world transform, smoothing, and filling shapes with a brush through Cairo.
#include <gdiplus.h>

#include "GdiPlusInternal.h"

#include <cmath>

namespace Gdiplus {

struct Graphics::State {
    cairo_t* cr = nullptr;  // a reference of our own
    cairo_matrix_t device;  // GDI+ device coordinates to Cairo's user space of the target
    cairo_matrix_t world;   // world to GDI+ device coordinates
    SmoothingMode smoothing = SmoothingModeNone;

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

bool Antialiased(SmoothingMode mode) {
    return mode == SmoothingModeHighQuality || mode == SmoothingModeAntiAlias ||
           mode == SmoothingModeAntiAlias8x8;
}

// Rotation by ANGLE degrees, exact for multiples of 90.
cairo_matrix_t Rotation(double angle) {
    double turn = std::fmod(angle, 360.0);
    if (turn < 0) {
        turn += 360;
    }
    double cosine, sine;
    if (turn == 0) {
        cosine = 1, sine = 0;
    } else if (turn == 90) {
        cosine = 0, sine = 1;
    } else if (turn == 180) {
        cosine = -1, sine = 0;
    } else if (turn == 270) {
        cosine = 0, sine = -1;
    } else {
        cosine = std::cos(turn * M_PI / 180);
        sine = std::sin(turn * M_PI / 180);
    }
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, cosine, sine, -sine, cosine, 0, 0);
    return matrix;
}

// The parameter of the point of the ellipse with radii A and B that lies on the ray at ANGLE
// (radians) from its centre, on the same turn as ANGLE.
double EllipseParameter(double angle, double a, double b) {
    double parameter = std::atan2(a * std::sin(angle), b * std::cos(angle));
    return parameter + 2 * M_PI * std::round((angle - parameter) / (2 * M_PI));
}

void AddPie(cairo_t* cr, const detail::Shape& pie) {
    if (pie.width <= 0 || pie.height <= 0 || pie.sweepAngle == 0) {
        return;
    }
    if (std::fabs(pie.sweepAngle) >= 360) {
        detail::AddEllipseFigure(cr, pie.x, pie.y, pie.width, pie.height);
        return;
    }
    const double a = pie.width / 2, b = pie.height / 2;
    const double start = EllipseParameter(pie.startAngle * M_PI / 180, a, b);
    const double end = EllipseParameter((pie.startAngle + pie.sweepAngle) * M_PI / 180, a, b);
    cairo_matrix_t saved;
    cairo_get_matrix(cr, &saved);
    cairo_translate(cr, pie.x + a, pie.y + b);
    cairo_scale(cr, a, b);
    cairo_move_to(cr, 0, 0);
    if (pie.sweepAngle > 0) {
        cairo_arc(cr, 0, 0, 1, start, end);
    } else {
        cairo_arc_negative(cr, 0, 0, 1, start, end);
    }
    cairo_close_path(cr);
    cairo_set_matrix(cr, &saved);
}

}  // namespace

Graphics::Graphics(HDC hdc) {
    cairo_t* cr = win32standin::CairoOf(hdc);
    if (cr == nullptr || cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        SetStatus(InvalidParameter);
        return;
    }
    state_ = std::make_unique<State>(cr);
}

Graphics::Graphics(Image* image) {
    if (image == nullptr || !image->surface_) {
        SetStatus(InvalidParameter);
        return;
    }
    cairo_t* cr = cairo_create(image->surface_.get());
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(cr);
        SetStatus(OutOfMemory);
        return;
    }
    state_ = std::make_unique<State>(cr);
    cairo_destroy(cr);  // the state holds its own reference
}

Graphics::~Graphics() = default;

Status Graphics::GetLastStatus() const {
    Status status = lastStatus_;
    lastStatus_ = Ok;
    return status;
}

Status Graphics::SetStatus(Status status) const {
    if (status != Ok) {
        lastStatus_ = status;
    }
    return status;
}

Status Graphics::SetSmoothingMode(SmoothingMode smoothingMode) {
    if (!state_ || smoothingMode < SmoothingModeDefault ||
        smoothingMode > SmoothingModeAntiAlias8x8) {
        return SetStatus(InvalidParameter);
    }
    state_->smoothing = smoothingMode;
    return Ok;
}

SmoothingMode Graphics::GetSmoothingMode() const {
    if (!state_) {
        SetStatus(InvalidParameter);
        return SmoothingModeInvalid;
    }
    return state_->smoothing;
}

Status Graphics::TranslateTransform(REAL dx, REAL dy, MatrixOrder order) {
    if (!state_ || (order != MatrixOrderPrepend && order != MatrixOrderAppend)) {
        return SetStatus(InvalidParameter);
    }
    const cairo_matrix_t step = detail::Translation(dx, dy);
    state_->world = order == MatrixOrderPrepend ? detail::Multiply(step, state_->world)
                                                : detail::Multiply(state_->world, step);
    return Ok;
}

Status Graphics::RotateTransform(REAL angle, MatrixOrder order) {
    if (!state_ || (order != MatrixOrderPrepend && order != MatrixOrderAppend)) {
        return SetStatus(InvalidParameter);
    }
    const cairo_matrix_t step = Rotation(angle);
    state_->world = order == MatrixOrderPrepend ? detail::Multiply(step, state_->world)
                                                : detail::Multiply(state_->world, step);
    return Ok;
}

Status Graphics::ResetTransform() {
    if (!state_) {
        return SetStatus(InvalidParameter);
    }
    cairo_matrix_init_identity(&state_->world);
    return Ok;
}

Status Graphics::FillRectangle(const Brush* brush, INT x, INT y, INT width, INT height) {
    return FillRectangle(brush, static_cast<REAL>(x), static_cast<REAL>(y),
                         static_cast<REAL>(width), static_cast<REAL>(height));
}

Status Graphics::FillRectangle(const Brush* brush, REAL x, REAL y, REAL width, REAL height) {
    detail::Shape shape;
    shape.kind = detail::Shape::kRectangle;
    shape.x = x;
    shape.y = y;
    shape.width = width;
    shape.height = height;
    return Fill(brush, shape);
}

Status Graphics::FillPie(const Brush* brush, REAL x, REAL y, REAL width, REAL height,
                         REAL startAngle, REAL sweepAngle) {
    detail::Shape shape;
    shape.kind = detail::Shape::kPie;
    shape.x = x;
    shape.y = y;
    shape.width = width;
    shape.height = height;
    shape.startAngle = startAngle;
    shape.sweepAngle = sweepAngle;
    return Fill(brush, shape);
}

Status Graphics::FillPie(const Brush* brush, INT x, INT y, INT width, INT height, REAL startAngle,
                         REAL sweepAngle) {
    return FillPie(brush, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width),
                   static_cast<REAL>(height), startAngle, sweepAngle);
}

Status Graphics::FillPath(const Brush* brush, const GraphicsPath* path) {
    if (path == nullptr) {
        return SetStatus(InvalidParameter);
    }
    detail::Shape shape;
    shape.kind = detail::Shape::kPath;
    shape.path = path;
    return Fill(brush, shape);
}

Status Graphics::Fill(const Brush* brush, const detail::Shape& shape) {
    if (!state_ || brush == nullptr || !brush->data_) {
        return SetStatus(InvalidParameter);
    }
    cairo_t* cr = state_->cr;
    cairo_save(cr);
    const cairo_matrix_t toDevice = detail::Multiply(state_->world, state_->device);
    cairo_set_matrix(cr, &toDevice);
    cairo_new_path(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_antialias(
        cr, Antialiased(state_->smoothing) ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    switch (shape.kind) {
        case detail::Shape::kRectangle:
            if (shape.width > 0 && shape.height > 0) {
                cairo_rectangle(cr, shape.x, shape.y, shape.width, shape.height);
            }
            break;
        case detail::Shape::kPie:
            AddPie(cr, shape);
            break;
        case detail::Shape::kPath:
            if (shape.path->fillMode_ == FillModeAlternate) {
                cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
            }
            for (const RectF& box : shape.path->ellipses_) {
                detail::AddEllipseFigure(cr, box.X, box.Y, box.Width, box.Height);
            }
            break;
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
    return SetStatus(status);
}

}  // namespace Gdiplus

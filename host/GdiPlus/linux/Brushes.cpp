// Brushes (solid colour, texture, path gradient) and paths of ellipses.
#include <gdiplus.h>

#include "GdiPlusInternal.h"

#include <memory>

namespace Gdiplus {

namespace {

constexpr INT kPointsPerEllipse = 13;  // the ends and control points of four Bezier curves

struct SolidData : detail::BrushData {
    explicit SolidData(const Color& c) : color(c) {}
    Status Apply(cairo_t* cr) const override {
        cairo_set_source_rgba(cr, color.GetR() / 255.0, color.GetG() / 255.0, color.GetB() / 255.0,
                              color.GetA() / 255.0);
        return Ok;
    }
    Color color;
};

struct TextureData : detail::BrushData {
    Status Apply(cairo_t* cr) const override {
        cairo_set_source(cr, pattern.get());
        return Ok;
    }
    detail::PatternPtr pattern;
};

detail::PathGradientData* GradientOf(const std::unique_ptr<detail::BrushData>& data) {
    return static_cast<detail::PathGradientData*>(data.get());
}

}  // namespace

Brush::Brush() = default;

Brush::~Brush() = default;

SolidBrush::SolidBrush(const Color& color) {
    data_ = std::make_unique<SolidData>(color);
}

TextureBrush::TextureBrush(Image* image, WrapMode) {
    if (image == nullptr || !image->surface_) {
        return;
    }
    cairo_surface_t* source = image->surface_.get();
    cairo_surface_flush(source);
    detail::SurfacePtr copy(cairo_surface_create_similar_image(
        source, CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(source),
        cairo_image_surface_get_height(source)));
    if (cairo_surface_status(copy.get()) != CAIRO_STATUS_SUCCESS) {
        return;
    }
    cairo_t* cr = cairo_create(copy.get());
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    auto data = std::make_unique<TextureData>();
    data->pattern.reset(cairo_pattern_create_for_surface(copy.get()));
    cairo_pattern_set_extend(data->pattern.get(), CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(data->pattern.get(), CAIRO_FILTER_BILINEAR);
    // World space to Cairo's pattern space, where texel (0, 0) spans 0 to 1.
    const cairo_matrix_t toPattern = detail::Translation(0.5, 0.5);
    cairo_pattern_set_matrix(data->pattern.get(), &toPattern);
    data_ = std::move(data);
}

Status GraphicsPath::AddEllipse(REAL x, REAL y, REAL width, REAL height) {
    ellipses_.emplace_back(x, y, width, height);
    return Ok;
}

PathGradientBrush::PathGradientBrush(const GraphicsPath* path) {
    if (path != nullptr && path->ellipses_.size() == 1) {
        data_ = std::make_unique<detail::PathGradientData>(path->ellipses_.front());
    }
}

Status PathGradientBrush::SetCenterColor(const Color& color) {
    if (!data_) {
        return InvalidParameter;
    }
    GradientOf(data_)->centreColor = color;
    return Ok;
}

Status PathGradientBrush::SetCenterPoint(const PointF& point) {
    if (!data_) {
        return InvalidParameter;
    }
    GradientOf(data_)->centrePoint = point;
    return Ok;
}

Status PathGradientBrush::SetSurroundColors(const Color* colors, INT* count) {
    if (!data_ || colors == nullptr || count == nullptr || *count < 1 ||
        *count > kPointsPerEllipse) {
        return InvalidParameter;
    }
    for (INT i = 1; i < *count; ++i) {
        if (colors[i].GetValue() != colors[0].GetValue()) {
            return NotImplemented;
        }
    }
    GradientOf(data_)->surroundColor = colors[0];
    return Ok;
}

Status PathGradientBrush::SetFocusScales(REAL xScale, REAL yScale) {
    if (!data_) {
        return InvalidParameter;
    }
    GradientOf(data_)->focusX = xScale;
    GradientOf(data_)->focusY = yScale;
    return Ok;
}

}  // namespace Gdiplus

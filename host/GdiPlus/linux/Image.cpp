// Images and bitmaps: Cairo image surfaces, premultiplied inside.
#include <gdiplus.h>

#include "GdiPlusInternal.h"

#include <cstdint>

namespace Gdiplus {

namespace detail {
void SurfaceRelease::operator()(_cairo_surface* surface) const {
    cairo_surface_destroy(surface);
}
}  // namespace detail

namespace {

uint32_t* PixelAt(cairo_surface_t* surface, INT x, INT y) {
    unsigned char* row =
        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    return reinterpret_cast<uint32_t*>(row) + x;
}

BYTE Premultiply(BYTE channel, BYTE alpha) {
    return static_cast<BYTE>((channel * alpha + 127) / 255);
}

BYTE Unpremultiply(uint32_t channel, uint32_t alpha) {
    uint32_t value = (channel * 255 + alpha / 2) / alpha;
    return static_cast<BYTE>(value > 255 ? 255 : value);
}

}  // namespace

Image::~Image() = default;

UINT Image::GetWidth() {
    if (!surface_) {
        SetStatus(InvalidParameter);
        return 0;
    }
    return static_cast<UINT>(cairo_image_surface_get_width(surface_.get()));
}

UINT Image::GetHeight() {
    if (!surface_) {
        SetStatus(InvalidParameter);
        return 0;
    }
    return static_cast<UINT>(cairo_image_surface_get_height(surface_.get()));
}

PixelFormat Image::GetPixelFormat() {
    return format_;
}

Status Image::GetLastStatus() const {
    Status status = lastStatus_;
    lastStatus_ = Ok;
    return status;
}

Status Image::SetStatus(Status status) const {
    if (status != Ok) {
        lastStatus_ = status;
    }
    return status;
}

Bitmap::Bitmap(INT width, INT height, PixelFormat format) {
    if (width <= 0 || height <= 0) {
        SetStatus(InvalidParameter);
        return;
    }
    cairo_format_t cairoFormat;
    switch (format) {
        case PixelFormat32bppARGB:
        case PixelFormat32bppPARGB:
            cairoFormat = CAIRO_FORMAT_ARGB32;
            break;
        case PixelFormat32bppRGB:
            cairoFormat = CAIRO_FORMAT_RGB24;
            break;
        default:
            SetStatus(NotImplemented);
            return;
    }
    surface_.reset(cairo_image_surface_create(cairoFormat, width, height));
    if (cairo_surface_status(surface_.get()) != CAIRO_STATUS_SUCCESS) {
        surface_.reset();
        SetStatus(OutOfMemory);
        return;
    }
    format_ = format;
}

Status Bitmap::GetPixel(INT x, INT y, Color* color) {
    if (!surface_ || color == nullptr) {
        return SetStatus(InvalidParameter);
    }
    cairo_surface_t* surface = surface_.get();
    if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(surface) ||
        y >= cairo_image_surface_get_height(surface)) {
        return SetStatus(InvalidParameter);
    }
    cairo_surface_flush(surface);
    uint32_t pixel = *PixelAt(surface, x, y);
    if (cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24) {
        color->SetValue(0xFF000000u | (pixel & 0x00FFFFFFu));
        return Ok;
    }
    uint32_t alpha = pixel >> 24;
    if (alpha == 0) {
        color->SetValue(0);
        return Ok;
    }
    *color = Color(static_cast<BYTE>(alpha), Unpremultiply((pixel >> 16) & 0xFF, alpha),
                   Unpremultiply((pixel >> 8) & 0xFF, alpha), Unpremultiply(pixel & 0xFF, alpha));
    return Ok;
}

Status Bitmap::SetPixel(INT x, INT y, const Color& color) {
    if (!surface_) {
        return SetStatus(InvalidParameter);
    }
    cairo_surface_t* surface = surface_.get();
    if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(surface) ||
        y >= cairo_image_surface_get_height(surface)) {
        return SetStatus(InvalidParameter);
    }
    cairo_surface_flush(surface);
    BYTE alpha = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24 ? 255 : color.GetA();
    *PixelAt(surface, x, y) =
        Color::MakeARGB(alpha, Premultiply(color.GetR(), alpha), Premultiply(color.GetG(), alpha),
                        Premultiply(color.GetB(), alpha));
    cairo_surface_mark_dirty(surface);
    return Ok;
}

}  // namespace Gdiplus

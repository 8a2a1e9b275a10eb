// Images and bitmaps: Cairo image surfaces, premultiplied inside.
#include <gdiplus.h>

#include "GdiPlusInternal.h"

namespace Gdiplus {

namespace detail {
void SurfaceRelease::operator()(_cairo_surface* surface) const {
    cairo_surface_destroy(surface);
}
}  // namespace detail

Image::~Image() = default;

Bitmap::Bitmap(INT width, INT height, PixelFormat format) {
    if (width <= 0 || height <= 0 || format != PixelFormat32bppARGB) {
        return;
    }
    surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(surface_.get()) != CAIRO_STATUS_SUCCESS) {
        surface_.reset();
    }
}

}  // namespace Gdiplus

// Pages and pictures on Linux: drawn with Cairo; bytes decoded with gdk-pixbuf, PNG files with
// Cairo.
#include "FilePage.h"

#include <Win32StandIn.h>

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

namespace UIEx {
namespace {

cairo_surface_t* SurfaceOf(void* handle) {
    return static_cast<cairo_surface_t*>(handle);
}

// Premultiplied ARGB32 from a pixbuf of 3 or 4 channels.
cairo_surface_t* SurfaceFromPixbuf(GdkPixbuf* pixbuf) {
    const int w = gdk_pixbuf_get_width(pixbuf);
    const int h = gdk_pixbuf_get_height(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS || channels < 3) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    unsigned char* out = cairo_image_surface_get_data(surface);
    const int outStride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < h; ++y) {
        const guchar* in = pixels + y * stride;
        auto* row = reinterpret_cast<uint32_t*>(out + y * outStride);
        for (int x = 0; x < w; ++x, in += channels) {
            const uint32_t a = channels == 4 ? in[3] : 255;
            const uint32_t r = in[0] * a / 255;
            const uint32_t g = in[1] * a / 255;
            const uint32_t b = in[2] * a / 255;
            row[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

}  // namespace

void DrawPage(HDC hdc, double x, double y, double w, double h, const double rgb[3]) {
    cairo_t* cr = win32standin::CairoOf(hdc);
    cairo_save(cr);
    const double fold = w * 0.3;
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x + w - fold, y);
    cairo_line_to(cr, x + w, y + fold);
    cairo_line_to(cr, x + w, y + h);
    cairo_line_to(cr, x, y + h);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, rgb[0], rgb[1], rgb[2]);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_move_to(cr, x + w - fold, y);
    cairo_line_to(cr, x + w - fold, y + fold);
    cairo_line_to(cr, x + w, y + fold);
    cairo_stroke(cr);
    cairo_rectangle(cr, x + w * 0.15, y + h * 0.62, w * 0.7, h * 0.2);
    cairo_fill(cr);
    cairo_restore(cr);
}

Picture::~Picture() {
    cairo_surface_destroy(SurfaceOf(handle_));
}

std::unique_ptr<Picture> Picture::FromData(const void* data, uint32_t size) {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    GError* error = nullptr;
    const bool written =
        gdk_pixbuf_loader_write(loader, static_cast<const guchar*>(data), size, &error) &&
        gdk_pixbuf_loader_close(loader, &error);
    GdkPixbuf* pixbuf = written ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    cairo_surface_t* surface = pixbuf ? SurfaceFromPixbuf(pixbuf) : nullptr;
    g_clear_error(&error);
    if (!written) {
        gdk_pixbuf_loader_close(loader, nullptr);
    }
    g_object_unref(loader);
    return std::unique_ptr<Picture>(surface ? new Picture(surface) : nullptr);
}

std::unique_ptr<Picture> Picture::FromFile(const std::filesystem::path& file) {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(file.string().c_str());
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return std::unique_ptr<Picture>(new Picture(surface));
}

std::unique_ptr<Picture> Picture::FromBitmap(void*) {
    return nullptr;
}

int Picture::Width() const {
    return cairo_image_surface_get_width(SurfaceOf(handle_));
}

int Picture::Height() const {
    return cairo_image_surface_get_height(SurfaceOf(handle_));
}

void Picture::Draw(HDC hdc, const RECT& clip, double x, double y, double w, double h) const {
    cairo_t* cr = win32standin::CairoOf(hdc);
    cairo_save(cr);
    cairo_rectangle(cr, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
    cairo_clip(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, w / Width(), h / Height());
    cairo_set_source_surface(cr, SurfaceOf(handle_), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
    cairo_paint(cr);
    cairo_restore(cr);
}

}  // namespace UIEx

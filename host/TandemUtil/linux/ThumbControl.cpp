// The picture control: pictures decoded with gdk-pixbuf (bytes) or cairo (PNG files), painted
// centred and fitted; a missing default icon becomes the file page of its type.
#include "FilePage.h"
#include "TandemUtil.h"
#include "TandemUtilStandIn.h"
#include "UIThumbControl.h"

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>

namespace UIEx {

namespace {

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

// The file type whose default icon PATH is, or -1.
int DefaultIconType(const std::wstring& path) {
    for (int type = tandemstandin::kFileTypeOther; type <= tandemstandin::kFileTypeArchive;
         ++type) {
        if (GetDefaultIconPath(type) == path) {
            return type;
        }
    }
    return -1;
}

}  // namespace

CThumbControlUI::CThumbControlUI() = default;

CThumbControlUI::~CThumbControlUI() {
    Reset();
}

void CThumbControlUI::Reset() {
    if (picture_) {
        cairo_surface_destroy(picture_);
        picture_ = nullptr;
    }
    file_.clear();
}

bool CThumbControlUI::LoadFromData(const void* data, uint32_t size) {
    Reset();
    if (!data || size == 0) {
        return false;
    }
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    GError* error = nullptr;
    const bool written =
        gdk_pixbuf_loader_write(loader, static_cast<const guchar*>(data), size, &error) &&
        gdk_pixbuf_loader_close(loader, &error);
    GdkPixbuf* pixbuf = written ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (pixbuf) {
        picture_ = SurfaceFromPixbuf(pixbuf);
    }
    g_clear_error(&error);
    if (!written) {
        gdk_pixbuf_loader_close(loader, nullptr);
    }
    g_object_unref(loader);
    Invalidate();
    return picture_ != nullptr;
}

bool CThumbControlUI::LoadFromFile(const std::wstring& path) {
    Reset();
    if (path.empty()) {
        return false;
    }
    file_ = path;
    const std::string resolved = DuiLib::CPaintManagerUI::ResolveResource(path).string();
    cairo_surface_t* surface = cairo_image_surface_create_from_png(resolved.c_str());
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        picture_ = surface;
    } else {
        cairo_surface_destroy(surface);
    }
    Invalidate();
    return picture_ != nullptr || DefaultIconType(path) >= 0;
}

bool CThumbControlUI::LoadFromHBITMAP(void* bitmap) {
    Reset();
    (void)bitmap;
    return false;
}

void CThumbControlUI::DoPaint(HDC hdc, const RECT& rcPaint) {
    CControlUI::DoPaint(hdc, rcPaint);
    if (GetWidth() <= 0 || GetHeight() <= 0) {
        return;
    }
    cairo_t* cr = win32standin::CairoOf(hdc);
    if (!picture_) {
        const int type = DefaultIconType(file_);
        if (type >= 0) {
            PaintFilePage(cr, m_rcItem, type, false);
        }
        return;
    }
    const double pw = cairo_image_surface_get_width(picture_);
    const double ph = cairo_image_surface_get_height(picture_);
    const double scale = std::min(GetWidth() / pw, GetHeight() / ph);
    cairo_save(cr);
    cairo_rectangle(cr, m_rcItem.left, m_rcItem.top, GetWidth(), GetHeight());
    cairo_clip(cr);
    cairo_translate(cr, m_rcItem.left + (GetWidth() - pw * scale) / 2.0,
                    m_rcItem.top + (GetHeight() - ph * scale) / 2.0);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, picture_, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
    cairo_paint(cr);
    cairo_restore(cr);
}

}  // namespace UIEx

// Painting of the toolkit stand-in: colours, borders, PNG images and text laid out with Pango,
// all on the Cairo context that a device context stands for.
#include <Win32StandIn.h>
#include "Platform.h"
#include "UIControl.h"
#include "UIManager.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <map>

namespace DuiLib {
namespace {

void SetSource(cairo_t* cr, DWORD argb) {
    cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                          (argb & 0xFF) / 255.0, ((argb >> 24) & 0xFF) / 255.0);
}

// A context for measuring text when no window is painting.
cairo_t* MeasuringContext() {
    static cairo_t* cr = [] {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        cairo_t* context = cairo_create(surface);
        cairo_surface_destroy(surface);
        return context;
    }();
    return cr;
}

// The same glyph shapes on every machine: grey-scale anti-aliasing, no hinting.
PangoLayout* CreateLayout(cairo_t* cr, const TFontInfo& font) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoContext* context = pango_layout_get_context(layout);
    pango_cairo_context_set_font_options(context, options);
    // Text without a direction of its own (numbers, "40%") reads as the culture does.
    pango_context_set_base_dir(context, UICulture::GetInstance()->getDirection() == 1
                                            ? PANGO_DIRECTION_RTL
                                            : PANGO_DIRECTION_LTR);
    pango_cairo_context_set_resolution(context, 96.0);
    pango_layout_context_changed(layout);
    cairo_font_options_destroy(options);

    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, win32standin::ToUtf8(font.name).c_str());
    pango_font_description_set_absolute_size(description, font.size * PANGO_SCALE);
    pango_font_description_set_weight(description,
                                      font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    return layout;
}

std::map<std::string, cairo_surface_t*>& ImageCache() {
    static auto* cache = new std::map<std::string, cairo_surface_t*>;
    return *cache;
}

cairo_surface_t* LoadImage(const CDuiString& image) {
    const std::string file = duiplatform::ImageFile(image).string();
    auto& cache = ImageCache();
    auto found = cache.find(file);
    if (found != cache.end()) {
        return found->second;
    }
    cairo_surface_t* surface = cairo_image_surface_create_from_png(file.c_str());
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        surface = nullptr;
    }
    cache[file] = surface;
    return surface;
}

}  // namespace

void CRenderEngine::DrawText(HDC hDC, CPaintManagerUI* manager, RECT& rc, const CDuiString& text,
                             DWORD color, int font, UINT style) {
    cairo_t* cr = hDC ? win32standin::CairoOf(hDC) : MeasuringContext();
    TFontInfo info = manager ? manager->GetFontInfo(font) : TFontInfo();
    PangoLayout* layout = CreateLayout(cr, info);
    std::string utf8 = win32standin::ToUtf8(text.str());
    const int width = rc.right - rc.left;
    if (style & DT_SINGLELINE) {
        pango_layout_set_single_paragraph_mode(layout, TRUE);
    } else if (style & DT_WORDBREAK) {
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    if (width > 0 && (style & (DT_WORDBREAK | DT_END_ELLIPSIS))) {
        pango_layout_set_width(layout, width * PANGO_SCALE);
    }
    if (style & DT_END_ELLIPSIS) {
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    }
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);

    if (style & DT_CALCRECT) {
        rc.right = rc.left + logical.width;
        rc.bottom = rc.top + logical.height;
        g_object_unref(layout);
        return;
    }
    int x = rc.left;
    if (style & DT_CENTER) {
        x += (width - logical.width) / 2;
    } else if (style & DT_RIGHT) {
        x += width - logical.width;
    }
    int y = rc.top;
    if (style & DT_VCENTER) {
        y += (rc.bottom - rc.top - logical.height) / 2;
    }
    cairo_save(cr);
    cairo_rectangle(cr, rc.left, rc.top, width, rc.bottom - rc.top);
    cairo_clip(cr);
    SetSource(cr, color);
    cairo_move_to(cr, x - logical.x, y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
}

bool UIPainter::DrawImage(HDC hDC, CPaintManagerUI* /*manager*/, const RECT& rc,
                          const RECT& /*rcPaint*/, const CDuiString& image) {
    cairo_surface_t* picture = hDC ? LoadImage(image) : nullptr;
    if (!picture || rc.right <= rc.left || rc.bottom <= rc.top) {
        return false;
    }
    cairo_t* cr = win32standin::CairoOf(hDC);
    cairo_save(cr);
    cairo_rectangle(cr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    cairo_clip(cr);
    cairo_translate(cr, rc.left, rc.top);
    cairo_scale(cr,
                static_cast<double>(rc.right - rc.left) / cairo_image_surface_get_width(picture),
                static_cast<double>(rc.bottom - rc.top) / cairo_image_surface_get_height(picture));
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
    cairo_paint(cr);
    cairo_restore(cr);
    return true;
}

}  // namespace DuiLib

namespace duiplatform {

void Fill(HDC hdc, double x, double y, double w, double h, DWORD argb) {
    if ((argb >> 24) == 0) {
        return;
    }
    cairo_t* cr = win32standin::CairoOf(hdc);
    DuiLib::SetSource(cr, argb);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

void Frame(HDC hdc, const RECT& rc, DWORD argb, int size) {
    if ((argb >> 24) == 0) {
        return;
    }
    cairo_t* cr = win32standin::CairoOf(hdc);
    DuiLib::SetSource(cr, argb);
    cairo_set_line_width(cr, size);
    const double half = size / 2.0;
    cairo_rectangle(cr, rc.left + half, rc.top + half, rc.right - rc.left - size,
                    rc.bottom - rc.top - size);
    cairo_stroke(cr);
}

}  // namespace duiplatform

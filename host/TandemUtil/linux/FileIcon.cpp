// The file icon: a page with a folded corner in a colour of the file's type; behind it a
// second page when there are several files.
#include "FilePage.h"
#include "TandemUtil.h"
#include "UIFileIcon.h"

#include <cairo.h>

#include <algorithm>

namespace UIEx {
namespace {

void Page(cairo_t* cr, double x, double y, double w, double h, double r, double g, double b) {
    const double fold = w * 0.3;
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x + w - fold, y);
    cairo_line_to(cr, x + w, y + fold);
    cairo_line_to(cr, x + w, y + h);
    cairo_line_to(cr, x, y + h);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, r, g, b);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_move_to(cr, x + w - fold, y);
    cairo_line_to(cr, x + w - fold, y + fold);
    cairo_line_to(cr, x + w, y + fold);
    cairo_stroke(cr);
    cairo_rectangle(cr, x + w * 0.15, y + h * 0.62, w * 0.7, h * 0.2);
    cairo_fill(cr);
}

}  // namespace

void PaintFilePage(cairo_t* cr, const RECT& rc, int fileType, bool several) {
    // One hue per file type (other, picture, video, audio, document, archive).
    static const double hues[][3] = {{0.45, 0.48, 0.53}, {0.20, 0.66, 0.38}, {0.86, 0.33, 0.30},
                                     {0.93, 0.55, 0.14}, {0.24, 0.48, 0.97}, {0.58, 0.42, 0.80}};
    const double* hue = hues[fileType > 0 && fileType < 6 ? fileType : 0];
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    cairo_save(cr);
    const double size = std::min(width, height);
    const double x = rc.left + (width - size) / 2.0;
    const double y = rc.top + (height - size) / 2.0;
    const double w = size * 0.62;
    const double h = size * 0.8;
    if (several) {
        Page(cr, x + size * 0.3, y + size * 0.04, w, h, hue[0], hue[1], hue[2]);
    }
    Page(cr, x + size * 0.12, y + size * 0.14, w, h, hue[0], hue[1], hue[2]);
    cairo_restore(cr);
}

void UIFileIcon::SetFiles(const std::vector<std::wstring>& files, bool) {
    files_ = files;
    Invalidate();
}

void UIFileIcon::DoPaint(HDC hdc, const RECT&) {
    if (files_.empty() || GetWidth() <= 0 || GetHeight() <= 0) {
        return;
    }
    PaintFilePage(win32standin::CairoOf(hdc), m_rcItem,
                  GetFileType(TandemUtilClass::GetFileExt(files_.front())), files_.size() > 1);
}

}  // namespace UIEx

// Painting on Linux: each window's control tree paints into a Cairo image surface.
#include "Platform.h"
#include "UIMainQueue.h"
#include "UIManager.h"

#include <Win32StandIn.h>

#include <cairo.h>

#include <algorithm>

namespace duiplatform {

void PushClip(HDC hdc, const RECT& rc) {
    cairo_t* cr = win32standin::CairoOf(hdc);
    cairo_save(cr);
    cairo_rectangle(cr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    cairo_clip(cr);
}

void PopClip(HDC hdc) {
    cairo_restore(win32standin::CairoOf(hdc));
}

}  // namespace duiplatform

namespace DuiLib {

void CPaintManagerUI::Paint() {
    m_bPaintPending = false;
    SIZE size = GetClientSize();
    if (!m_surface || cairo_image_surface_get_width(m_surface) != size.cx ||
        cairo_image_surface_get_height(m_surface) != size.cy) {
        if (m_surface) {
            cairo_surface_destroy(m_surface);
        }
        m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(0, int(size.cx)),
                                               std::max(0, int(size.cy)));
        m_bNeedLayout = true;
    }
    if (m_bNeedLayout) {
        LayoutNow();
    }
    cairo_t* cr = cairo_create(m_surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    if (m_pRoot && m_pRoot->IsVisible()) {
        m_pRoot->DoPaint(win32standin::DeviceContextOf(cr), RECT{0, 0, size.cx, size.cy});
    }
    cairo_destroy(cr);
    cairo_surface_flush(m_surface);
    ++m_iPaintCount;
}

void CPaintManagerUI::Invalidate() {
    if (m_bPaintPending || !*m_alive) {
        return;
    }
    m_bPaintPending = true;
    std::weak_ptr<bool> alive = m_alive;
    UIMainQueue::getInstance()->dispatch([this, alive] {
        if (auto live = alive.lock(); live && *live && m_bPaintPending) {
            Paint();
        }
    });
}

void CPaintManagerUI::ReleaseSurface() {
    if (m_surface) {
        cairo_surface_destroy(m_surface);
        m_surface = nullptr;
    }
}

}  // namespace DuiLib

// A window's picture on Linux: its Cairo surface as a PNG file.
#include "DuiLibStandIn.h"
#include "UIManager.h"

#include <cairo.h>

namespace duistandin {

bool SavePng(DuiLib::CPaintManagerUI* manager, const std::string& path) {
    if (!manager) {
        return false;
    }
    // Painted now: a picture painted earlier (while the window was hidden, say) may be out of
    // date while its repaint waits on the loop.
    manager->Paint();
    return cairo_surface_write_to_png(manager->GetSurface(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace duistandin

// The demo host on the stand-ins: the virtual desktop's window list, the stand-in's registry
// and animations assembled by Debian's apngasm.
#include "HostPlatform.h"

#include <UtilStandIn.h>
#include <Win32StandIn.h>

#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace demo {

std::vector<HWND> TopLevelWindows() {
    return win32standin::WindowsInZOrder();
}

bool LoadRegistryText(const std::string& text) {
    return utilstandin::LoadRegistryText(text);
}

bool LoadRegistryFile(const std::string& path) {
    return utilstandin::LoadRegistryFile(path);
}

bool WriteAnimation(const std::vector<std::pair<uint64_t, std::string>>& list,
                    const std::string& output, uint64_t frameMs) {
    if (list.size() < 2) {
        return false;
    }
    // The tool wants frames of one size: each picture goes on a canvas as large as the largest,
    // repeated once per FRAME_MS it stayed on screen (at most eight frames of a still dialog).
    std::vector<cairo_surface_t*> pictures;
    int width = 0;
    int height = 0;
    for (const auto& picture : list) {
        pictures.push_back(cairo_image_surface_create_from_png(picture.second.c_str()));
        width = std::max(width, cairo_image_surface_get_width(pictures.back()));
        height = std::max(height, cairo_image_surface_get_height(pictures.back()));
    }
    const std::string frames = output + ".frames";
    std::error_code error;
    std::filesystem::create_directories(frames, error);
    bool ok = width > 0 && height > 0 && !error;
    cairo_surface_t* canvas = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    int written = 0;
    for (size_t i = 0; ok && i < pictures.size(); ++i) {
        const uint64_t shown = i + 1 < list.size() ? list[i + 1].first - list[i].first : 2000;
        const int repeats = static_cast<int>(std::clamp<uint64_t>(shown / frameMs, 1, 8));
        cairo_t* cr = cairo_create(canvas);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);  // transparent where the dialog is not
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_set_source_surface(cr, pictures[i], 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        for (int r = 0; ok && r < repeats; ++r) {
            char name[32];
            std::snprintf(name, sizeof name, "/frame-%05d.png", ++written);
            ok =
                cairo_surface_write_to_png(canvas, (frames + name).c_str()) == CAIRO_STATUS_SUCCESS;
        }
    }
    cairo_surface_destroy(canvas);
    for (cairo_surface_t* picture : pictures) {
        cairo_surface_destroy(picture);
    }
    // One frame every FRAME_MS, looping.
    const std::string delay = "1 " + std::to_string(1000 / frameMs);
    ok = ok && std::system(("apngasm '" + output + "' '" + frames + "'/frame-*.png " + delay +
                            " -z0 >/dev/null 2>&1")
                               .c_str()) == 0;
    std::filesystem::remove_all(frames, error);
    return ok;
}

bool StdoutIsTerminal() {
    return isatty(fileno(stdout)) != 0;
}

}  // namespace demo

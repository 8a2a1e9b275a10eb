#include "GoldenImage.h"

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

uint32_t Pixel(cairo_surface_t* surface, int x, int y) {
    const unsigned char* row = cairo_image_surface_get_data(surface) +
                               static_cast<ptrdiff_t>(y) * cairo_image_surface_get_stride(surface);
    uint32_t value;
    std::memcpy(&value, row + 4 * x, 4);
    return value;
}

int MaxChannelDifference(uint32_t a, uint32_t b) {
    int most = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        most = std::max(most, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                       static_cast<int>((b >> shift) & 0xFF)));
    }
    return most;
}

std::string BaseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

::testing::AssertionResult MatchesGolden(cairo_surface_t* surface, const std::string& goldenPath,
                                         int channelTolerance, double maxDifferentFraction) {
    if (!surface) {
        return ::testing::AssertionFailure() << "no picture";
    }
    cairo_surface_flush(surface);
    const char* update = std::getenv("SWIFTSEND_UPDATE_GOLDENS");
    if (update && *update && std::strcmp(update, "0") != 0) {
        if (cairo_surface_write_to_png(surface, goldenPath.c_str()) != CAIRO_STATUS_SUCCESS) {
            return ::testing::AssertionFailure() << "cannot write " << goldenPath;
        }
        return ::testing::AssertionSuccess();
    }
    const std::string actualPath = ::testing::TempDir() + "actual-" + BaseName(goldenPath);
    // A failure keeps the actual picture for a look.
    const auto failure = [&] {
        cairo_surface_write_to_png(surface, actualPath.c_str());
        return ::testing::AssertionFailure() << "actual: " << actualPath << "; ";
    };
    cairo_surface_t* golden = cairo_image_surface_create_from_png(goldenPath.c_str());
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    if (cairo_surface_status(golden) != CAIRO_STATUS_SUCCESS ||
        cairo_image_surface_get_width(golden) != w || cairo_image_surface_get_height(golden) != h) {
        const bool missing = cairo_surface_status(golden) != CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(golden);
        return failure() << (missing ? "no golden picture " : "size differs from ") << goldenPath;
    }
    // Both as premultiplied ARGB32 pixels, the form Cairo loads a PNG file in.
    cairo_surface_t* actual = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(actual);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(actual);
    long different = 0;
    int worst = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int d = MaxChannelDifference(Pixel(actual, x, y), Pixel(golden, x, y));
            worst = std::max(worst, d);
            different += d > channelTolerance ? 1 : 0;
        }
    }
    cairo_surface_destroy(golden);
    cairo_surface_destroy(actual);
    if (different > static_cast<long>(maxDifferentFraction * w * h)) {
        return failure() << different << " of " << w * h << " pixels differ from " << goldenPath
                         << " (largest difference " << worst << ")";
    }
    return ::testing::AssertionSuccess();
}

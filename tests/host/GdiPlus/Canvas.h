// A Cairo image surface to paint on through a device context, and checks of its pixels.
#pragma once

#include <gdiplus.h>

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace gdiplustest {

class Canvas {
public:
    Canvas(int width, int height)
        : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
          cr_(cairo_create(surface_)) {}
    ~Canvas() {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return win32standin::DeviceContextOf(cr_); }

    // Non-premultiplied ARGB of pixel (X, Y).
    Gdiplus::ARGB At(int x, int y) const {
        cairo_surface_flush(surface_);
        const uint32_t pixel =
            reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(surface_) +
                                              y * cairo_image_surface_get_stride(surface_))[x];
        const uint32_t alpha = pixel >> 24;
        if (alpha == 0) {
            return 0;
        }
        Gdiplus::ARGB out = alpha << 24;
        for (int shift = 0; shift < 24; shift += 8) {
            const uint32_t value = (((pixel >> shift) & 0xFF) * 255 + alpha / 2) / alpha;
            out |= (value > 255 ? 255 : value) << shift;
        }
        return out;
    }

    // Success when pixel (X, Y) is EXPECTED within TOLERANCE per channel.
    testing::AssertionResult Near(int x, int y, Gdiplus::ARGB expected, int tolerance = 0) const {
        const Gdiplus::ARGB actual = At(x, y);
        for (int shift = 0; shift < 32; shift += 8) {
            const int difference = static_cast<int>((actual >> shift) & 0xFF) -
                                   static_cast<int>((expected >> shift) & 0xFF);
            if (std::abs(difference) > tolerance) {
                char text[96];
                std::snprintf(text, sizeof text, "pixel (%d, %d) is %08X, expected %08X +-%d", x, y,
                              static_cast<unsigned>(actual), static_cast<unsigned>(expected),
                              tolerance);
                return testing::AssertionFailure() << text;
            }
        }
        return testing::AssertionSuccess();
    }

private:
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

}  // namespace gdiplustest

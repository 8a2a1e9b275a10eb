// Solid fills, pies, the world transform, texture brushes, and path-gradient brushes over an
// ellipse (focus region, blend towards the boundary, transparency outside the path, and the one
// ellipse and one surround colour they take). Painting through a window's device context, under
// its transformation, is what the progress bar's golden pictures show.
#include <gdiplus.h>

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace Gdiplus;

namespace {

constexpr ARGB kRed = 0xFFFF0000u;
constexpr ARGB kNone = 0;

// A Cairo image surface to paint on through a device context, and checks of its pixels.
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

// Pixel centres lie on whole coordinates: an edge on a whole coordinate halves its pixels when
// anti-aliased, and without anti-aliasing a centre on a left or top edge is inside. Pies, of a
// circle of radius 20 about (20, 20) and of an ellipse twice as wide as high, lie between their
// rays from the centre.
TEST(GdiPlusFill, RectanglesAndPiesCoverTheirPixels) {
    struct Probe {
        int x, y;
        int alpha;  // of the red fill
    };
    struct Case {
        const char* name;
        bool whole, antiAlias;  // whole: the integer rectangle
        REAL x, y, width, height;
        REAL start, sweep;  // a pie when it sweeps
        std::vector<Probe> probes;
    } cases[] = {
        // clang-format off
        {"whole, aliased", true, false, 2, 2, 6, 4, 0, 0,
         {{2, 2, 255}, {7, 5, 255}, {8, 3, 0}, {2, 6, 0}, {1, 3, 0}, {4, 1, 0}}},
        {"whole, anti-aliased", true, true, 2, 2, 6, 4, 0, 0,
         {{2, 3, 128}, {8, 3, 128}, {5, 2, 128}, {5, 6, 128}, {2, 2, 64}, {5, 4, 255}, {1, 3, 0},
          {9, 3, 0}}},
        {"on pixel borders", false, true, 1.5f, 1.5f, 3, 3, 0, 0,
         {{1, 2, 0}, {2, 2, 255}, {4, 4, 255}, {5, 4, 0}}},
        {"quarter pixels, anti-aliased", false, true, 2.25f, 2, 2.5f, 2, 0, 0,
         {{1, 3, 0}, {2, 3, 64}, {3, 3, 255}, {4, 3, 255}, {5, 3, 64}, {6, 3, 0}}},
        {"empty", true, true, 2, 2, 0, 4, 0, 0, {{2, 3, 0}, {1, 3, 0}}},
        {"negative width", true, true, 6, 2, -4, 4, 0, 0, {{4, 3, 0}, {2, 3, 0}}},
        {"right half", false, false, 0, 0, 40, 40, -90, 180,
         {{30, 20, 255}, {21, 5, 255}, {21, 35, 255}, {10, 20, 0}, {38, 2, 0}}},
        {"left half", false, false, 0, 0, 40, 40, 90, 180,
         {{10, 20, 255}, {19, 5, 255}, {30, 20, 0}, {2, 2, 0}}},
        {"lower half", false, false, 0, 0, 40, 40, 0, 180,
         {{20, 30, 255}, {5, 21, 255}, {20, 10, 0}, {38, 38, 0}}},
        {"upper half", false, false, 0, 0, 40, 40, 180, 180,
         {{20, 10, 255}, {35, 19, 255}, {20, 30, 0}, {20, 38, 0}}},
        {"ellipse, 0 to 45 degrees", false, false, 0, 0, 80, 40, 0, 45,
         {{60, 34, 255}, {70, 22, 255}, {52, 34, 0}, {60, 18, 0}}},
    };  // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(82, 42);
        Graphics graphics(canvas.Dc());
        if (c.antiAlias) {
            graphics.SetSmoothingMode(SmoothingModeAntiAlias);
        }
        SolidBrush brush{Color(kRed)};
        const auto whole = [](REAL v) { return static_cast<INT>(v); };
        EXPECT_EQ(c.sweep != 0
                      ? graphics.FillPie(&brush, c.x, c.y, c.width, c.height, c.start, c.sweep)
                  : c.whole ? graphics.FillRectangle(&brush, whole(c.x), whole(c.y), whole(c.width),
                                                     whole(c.height))
                            : graphics.FillRectangle(&brush, c.x, c.y, c.width, c.height),
                  Ok);
        for (const Probe& p : c.probes) {
            EXPECT_TRUE(canvas.Near(p.x, p.y, p.alpha ? (p.alpha << 24 | 0xFF0000u) : kNone,
                                    c.sweep != 0 ? 0 : 2));
        }
    }
}

TEST(GdiPlusFill, FailedObjectsRefuseEveryCall) {
    Canvas canvas(4, 4);
    Graphics graphics(canvas.Dc());
    Graphics onNothing(static_cast<HDC>(nullptr));
    Bitmap empty(0, 4);
    Graphics onEmpty(&empty);
    TextureBrush fromEmpty(&empty);
    SolidBrush brush{Color(kRed)};
    for (Status status :
         {graphics.FillRectangle(nullptr, 0, 0, 2, 2),
          graphics.FillRectangle(&fromEmpty, 0, 0, 2, 2), onEmpty.FillRectangle(&brush, 0, 0, 2, 2),
          onNothing.FillRectangle(&brush, 0, 0, 2, 2),
          onNothing.SetSmoothingMode(SmoothingModeAntiAlias), onNothing.TranslateTransform(1, 1),
          onNothing.ScaleTransform(-1, 1)}) {
        EXPECT_EQ(status, InvalidParameter);
    }
    EXPECT_TRUE(canvas.Near(1, 1, kNone));
}

// A rectangle (0, 0, 4, 2) under world transforms, each applying before the present one: the
// pixels it covers.
TEST(GdiPlusTransform, EachOperationAppliesBeforeThePresentOne) {
    struct Case {
        const char* name;
        REAL dx, dy, sx;
        int left, top, width, height;  // pixels covered
    } cases[] = {
        {"translate", 10, 5, 1, 10, 5, 4, 2},
        {"mirror, then the translation", 10, 5, -1, 6, 5, 4, 2},
        {"twice as wide, then the translation", 3, 2, 2, 3, 2, 8, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(24, 16);
        Graphics graphics(canvas.Dc());
        graphics.TranslateTransform(c.dx, c.dy);
        graphics.ScaleTransform(c.sx, 1);
        SolidBrush brush{Color(kRed)};
        ASSERT_EQ(graphics.FillRectangle(&brush, 0, 0, 4, 2), Ok);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 24; ++x) {
                const bool in =
                    x >= c.left && x < c.left + c.width && y >= c.top && y < c.top + c.height;
                EXPECT_TRUE(canvas.Near(x, y, in ? kRed : kNone)) << x << "," << y;
            }
        }
    }
}

// A texture of 3 x 2 distinct texels, each filled without anti-aliasing.
ARGB Texel(int x, int y) {
    return 0xFF000000u | static_cast<ARGB>(40 + 60 * x) << 16 | static_cast<ARGB>(100 * y);
}

void Paint(Bitmap& texture, ARGB (*colour)(int, int)) {
    Graphics graphics(&texture);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            SolidBrush brush{Color(colour(x, y))};
            graphics.FillRectangle(&brush, x, y, 1, 1);
        }
    }
}

TEST(GdiPlusTexture, TilesInWorldSpaceFromACopyOfTheImage) {
    struct Case {
        const char* name;
        REAL dx, dy, sx;
        int originX, originY;  // pixel showing texel (0, 0)
        int stepX;             // direction of increasing texels across the screen
    } cases[] = {
        {"plain", 0, 0, 1, 0, 0, 1},
        {"world translation", 4, 1, 1, 4, 1, 1},
        {"mirrored", 11, 1, -1, 11, 1, -1},
    };
    Bitmap texture(3, 2);
    Paint(texture, Texel);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(12, 8);
        Graphics graphics(canvas.Dc());
        graphics.SetSmoothingMode(SmoothingModeAntiAlias);
        graphics.TranslateTransform(c.dx, c.dy);
        graphics.ScaleTransform(c.sx, 1);
        TextureBrush brush(&texture, WrapModeTile);
        Paint(texture, [](int, int) { return kRed; });  // after the brush copied it
        // Fill beyond the canvas so that every pixel is covered fully.
        ASSERT_EQ(graphics.FillRectangle(&brush, -20, -20, 40, 40), Ok);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 12; ++x) {
                const int u = (((x - c.originX) * c.stepX) % 3 + 3) % 3;
                const int v = ((y - c.originY) % 2 + 2) % 2;
                EXPECT_TRUE(canvas.Near(x, y, Texel(u, v))) << x << "," << y;
            }
        }
        Paint(texture, Texel);
    }
}

constexpr ARGB kBlue = 0xFF0000FFu;

// Opaque red at blend 0 to opaque blue at blend 1.
ARGB RedToBlue(double t) {
    return 0xFF000000u | static_cast<ARGB>(255 * (1 - t) + 0.5) << 16 |
           static_cast<ARGB>(255 * t + 0.5);
}

// The ellipse in the box (0, 0, 40, 80): centre (20, 40), radii 20 and 40.
TEST(GdiPlusPathGradient, BlendsFromTheFocusRegionToTheBoundary) {
    struct Probe {
        int x, y;
        double blend;
    };
    struct Case {
        const char* name;
        PointF centre;
        REAL focusX, focusY;
        std::vector<Probe> probes;
    } cases[] = {
        // clang-format off
        {"point focus", {20, 40}, 0, 0,
         {{20, 40, 0}, {30, 40, 0.5}, {10, 40, 0.5}, {20, 60, 0.5}, {20, 20, 0.5}, {26, 56, 0.5},
          {39, 40, 0.95}, {20, 79, 0.975}}},
        {"focus ellipse", {20, 40}, 0.5f, 0.5f,
         {{20, 40, 0}, {25, 50, 0}, {30, 40, 0}, {35, 40, 0.5}, {20, 10, 0.5}}},
        // The focus region is the segment x = 20, y 20 to 60. On the level t = 0.5 the ellipse
        // is scaled by 0.5 across and 0.75 down: (20 + 10 cos, 40 + 30 sin).
        {"focus segment", {20, 40}, 0, 0.5f,
         {{20, 40, 0}, {20, 55, 0}, {20, 25, 0}, {30, 40, 0.5}, {20, 70, 0.5}, {26, 64, 0.5},
          {14, 16, 0.5}}},
        {"centre off the middle", {10, 40}, 0, 0,
         {{10, 40, 0}, {5, 40, 0.5}, {25, 40, 0.5}, {34, 40, 0.8}}},
    };  // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GraphicsPath path;
        path.AddEllipse(0, 0, 40, 80);
        PathGradientBrush brush(&path);
        ASSERT_EQ(brush.SetCenterPoint(c.centre), Ok);
        brush.SetCenterColor(Color(kRed));
        Color surround(kBlue);
        INT count = 1;
        ASSERT_EQ(brush.SetSurroundColors(&surround, &count), Ok);
        brush.SetFocusScales(c.focusX, c.focusY);

        Canvas canvas(44, 84);
        Graphics graphics(canvas.Dc());
        graphics.SetSmoothingMode(SmoothingModeAntiAlias);
        ASSERT_EQ(graphics.FillRectangle(&brush, 0, 0, 44, 84), Ok);
        for (const Probe& probe : c.probes) {
            EXPECT_TRUE(canvas.Near(probe.x, probe.y, RedToBlue(probe.blend), 2));
        }
        // Outside the path: untouched.
        for (const Probe& p :
             std::vector<Probe>{{1, 1, 0}, {39, 78, 0}, {42, 40, 0}, {20, 82, 0}}) {
            EXPECT_TRUE(canvas.Near(p.x, p.y, 0));
        }
    }
}

TEST(GdiPlusPathGradient, OneEllipseAndOneSurroundColour) {
    GraphicsPath empty;
    GraphicsPath two;
    two.AddEllipse(0, 0, 4, 4);
    two.AddEllipse(10, 0, 4, 4);
    for (const GraphicsPath* path : std::vector<const GraphicsPath*>{&empty, &two, nullptr}) {
        EXPECT_EQ(PathGradientBrush(path).SetCenterColor(Color(kRed)), InvalidParameter);
    }

    GraphicsPath path;
    path.AddEllipse(0, 0, 40, 80);
    PathGradientBrush brush(&path);
    const Color same[14] = {kRed, kRed, kRed, kRed, kRed, kRed, kRed,
                            kRed, kRed, kRed, kRed, kRed, kRed, kRed};
    const Color mixed[2] = {Color(kRed), Color(kBlue)};
    struct Case {
        const Color* colors;
        INT count;
        Status expected;
    } cases[] = {
        {same, 0, InvalidParameter}, {same, 14, InvalidParameter}, {same, 13, Ok}, {mixed, 1, Ok},
        {mixed, 2, NotImplemented},
    };
    for (const Case& c : cases) {
        INT count = c.count;
        EXPECT_EQ(brush.SetSurroundColors(c.colors, &count), c.expected) << c.count;
        EXPECT_EQ(count, c.count);
    }
}

}  // namespace

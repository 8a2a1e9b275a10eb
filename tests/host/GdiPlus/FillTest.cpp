// Start-up, solid fills, pies, the world transform, texture brushes and device contexts.
#include <GdiPlusStandIn.h>
#include <gdiplus.h>

#include "GdiPlusTestSupport.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace Gdiplus;
using gdiplustest::PixelNear;

namespace {

constexpr ARGB kRed = 0xFFFF0000u;
constexpr ARGB kNone = 0;

TEST(GdiPlusStartup, ChecksItsArgumentsAndCountsTokens) {
    struct Case {
        const char* name;
        bool token;
        bool input;
        UINT32 version;
        BOOL suppressThread;
        bool output;
        Status expected;
    } cases[] = {
        {"plain", true, true, 1, FALSE, false, Ok},
        {"hooks", true, true, 1, TRUE, true, Ok},
        {"no token", false, true, 1, FALSE, false, InvalidParameter},
        {"no input", true, false, 1, FALSE, false, InvalidParameter},
        {"version 2", true, true, 2, FALSE, false, UnsupportedGdiplusVersion},
        {"hooks without output", true, true, 1, TRUE, false, InvalidParameter},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GdiplusStartupInput input(nullptr, c.suppressThread);
        input.GdiplusVersion = c.version;
        GdiplusStartupOutput output{};
        ULONG_PTR token = 0;
        const size_t before = gdiplusstandin::LiveStartupTokens();
        EXPECT_EQ(GdiplusStartup(c.token ? &token : nullptr, c.input ? &input : nullptr,
                                 c.output ? &output : nullptr),
                  c.expected);
        EXPECT_EQ(output.NotificationHook != nullptr, c.expected == Ok && c.suppressThread);
        if (c.expected != Ok) {
            EXPECT_EQ(gdiplusstandin::LiveStartupTokens(), before);
            continue;
        }
        EXPECT_NE(token, 0u);
        EXPECT_EQ(gdiplusstandin::LiveStartupTokens(), before + 1);
        GdiplusShutdown(token);
        EXPECT_EQ(gdiplusstandin::LiveStartupTokens(), before);
    }
}

// Pixel centres lie on whole coordinates: an edge on a whole coordinate halves its pixels when
// anti-aliased, and without anti-aliasing a centre on a left or top edge is inside.
TEST(GdiPlusFill, RectangleEdgesWithAndWithoutAntiAliasing) {
    struct Probe {
        int x, y;
        int alpha;
    };
    struct Case {
        const char* name;
        bool whole, antiAlias;
        RectF rect;
        std::vector<Probe> probes;
    } cases[] = {
        // clang-format off
        {"whole, aliased", true, false, {2, 2, 6, 4},
         {{2, 2, 255}, {7, 5, 255}, {8, 3, 0}, {2, 6, 0}, {1, 3, 0}, {4, 1, 0}}},
        {"whole, anti-aliased", true, true, {2, 2, 6, 4},
         {{2, 3, 128}, {8, 3, 128}, {5, 2, 128}, {5, 6, 128}, {2, 2, 64}, {5, 4, 255}, {1, 3, 0},
          {9, 3, 0}}},
        {"on pixel borders", false, true, {1.5f, 1.5f, 3, 3},
         {{1, 2, 0}, {2, 2, 255}, {4, 4, 255}, {5, 4, 0}}},
        {"quarter pixels, anti-aliased", false, true, {2.25f, 2, 2.5f, 2},
         {{1, 3, 0}, {2, 3, 64}, {3, 3, 255}, {4, 3, 255}, {5, 3, 64}, {6, 3, 0}}},
        {"quarter pixels, aliased", false, false, {2.25f, 2, 2.5f, 2},
         {{2, 3, 0}, {3, 3, 255}, {4, 3, 255}, {5, 3, 0}}},
        {"empty", true, true, {2, 2, 0, 4}, {{2, 3, 0}, {1, 3, 0}}},
        {"negative width", true, true, {6, 2, -4, 4}, {{4, 3, 0}, {2, 3, 0}}},
    };  // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bitmap bitmap(12, 10);
        Graphics graphics(&bitmap);
        graphics.SetSmoothingMode(c.antiAlias ? SmoothingModeAntiAlias : SmoothingModeNone);
        SolidBrush brush{Color(kRed)};
        const RectF& r = c.rect;
        Status status =
            c.whole ? graphics.FillRectangle(&brush, static_cast<INT>(r.X), static_cast<INT>(r.Y),
                                             static_cast<INT>(r.Width), static_cast<INT>(r.Height))
                    : graphics.FillRectangle(&brush, r.X, r.Y, r.Width, r.Height);
        EXPECT_EQ(status, Ok);
        for (const Probe& probe : c.probes) {
            EXPECT_TRUE(PixelNear(bitmap, probe.x, probe.y,
                                  probe.alpha ? Color(probe.alpha, 255, 0, 0).GetValue() : kNone,
                                  2));
        }
    }
}

TEST(GdiPlusFill, InvalidObjectsFailAndReportTheirStatus) {
    Bitmap bitmap(4, 4);
    Graphics graphics(&bitmap);
    EXPECT_EQ(graphics.FillRectangle(nullptr, 0, 0, 2, 2), InvalidParameter);
    EXPECT_EQ(graphics.GetLastStatus(), InvalidParameter);
    EXPECT_EQ(graphics.GetLastStatus(), Ok);
    EXPECT_EQ(graphics.SetSmoothingMode(SmoothingModeInvalid), InvalidParameter);

    Bitmap empty(0, 4);
    EXPECT_EQ(empty.GetLastStatus(), InvalidParameter);
    EXPECT_EQ(empty.GetWidth(), 0u);
    Graphics onEmpty(&empty);
    EXPECT_EQ(onEmpty.GetLastStatus(), InvalidParameter);
    TextureBrush fromEmpty(&empty);
    EXPECT_EQ(fromEmpty.GetLastStatus(), InvalidParameter);
    SolidBrush brush{Color(kRed)};
    EXPECT_EQ(onEmpty.FillRectangle(&brush, 0, 0, 2, 2), InvalidParameter);
    EXPECT_EQ(graphics.FillRectangle(&fromEmpty, 0, 0, 2, 2), InvalidParameter);

    Color color;
    EXPECT_EQ(bitmap.GetPixel(4, 0, &color), InvalidParameter);
    EXPECT_EQ(bitmap.GetPixel(0, -1, &color), InvalidParameter);
}

// Pies of a circle of radius 20 about (20, 20), and one of an ellipse twice as wide as high,
// whose angles are those of the rays from its centre.
TEST(GdiPlusFill, PiesBetweenTheirRays) {
    struct Case {
        const char* name;
        REAL x, y, width, height, start, sweep;
        std::vector<Point> inside;
        std::vector<Point> outside;
    } cases[] = {
        // clang-format off
        {"right half", 0, 0, 40, 40, -90, 180, {{30, 20}, {21, 5}, {21, 35}}, {{10, 20}, {38, 2}}},
        {"left half", 0, 0, 40, 40, 90, 180, {{10, 20}, {19, 5}}, {{30, 20}, {2, 2}}},
        {"lower half", 0, 0, 40, 40, 0, 180, {{20, 30}, {5, 21}}, {{20, 10}, {38, 38}}},
        {"upper half", 0, 0, 40, 40, 180, 180, {{20, 10}, {35, 19}}, {{20, 30}, {20, 38}}},
        {"upper half, counter-clockwise", 0, 0, 40, 40, 0, -180, {{20, 10}}, {{20, 30}}},
        {"whole", 0, 0, 40, 40, 45, 400, {{20, 10}, {20, 30}, {10, 20}}, {{1, 1}}},
        {"ellipse, 0 to 45 degrees", 0, 0, 80, 40, 0, 45,
         {{60, 34}, {70, 22}}, {{52, 34}, {60, 18}}},
    };  // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bitmap bitmap(82, 42);
        Graphics graphics(&bitmap);
        SolidBrush brush{Color(kRed)};
        ASSERT_EQ(graphics.FillPie(&brush, c.x, c.y, c.width, c.height, c.start, c.sweep), Ok);
        for (const Point& p : c.inside) {
            EXPECT_TRUE(PixelNear(bitmap, p.X, p.Y, kRed));
        }
        for (const Point& p : c.outside) {
            EXPECT_TRUE(PixelNear(bitmap, p.X, p.Y, kNone));
        }
    }
}

// A rectangle (0, 0, 4, 2) under world transforms: the pixels it covers.
TEST(GdiPlusTransform, OrderOfOperations) {
    struct Case {
        const char* name;
        REAL dx, dy, angle;
        MatrixOrder rotateOrder;
        Rect covered;  // pixels
    } cases[] = {
        {"translate", 10, 5, 0, MatrixOrderPrepend, {10, 5, 4, 2}},
        {"rotate before the translation", 10, 5, 90, MatrixOrderPrepend, {8, 5, 2, 4}},
        {"rotate after the translation", 5, -20, 90, MatrixOrderAppend, {18, 5, 2, 4}},
        {"half a turn", 20, 12, 180, MatrixOrderPrepend, {16, 10, 4, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bitmap bitmap(24, 16);
        Graphics graphics(&bitmap);
        graphics.TranslateTransform(c.dx, c.dy);
        if (c.angle != 0) {
            graphics.RotateTransform(c.angle, c.rotateOrder);
        }
        SolidBrush brush{Color(kRed)};
        ASSERT_EQ(graphics.FillRectangle(&brush, 0, 0, 4, 2), Ok);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 24; ++x) {
                const bool in = x >= c.covered.X && x < c.covered.X + c.covered.Width &&
                                y >= c.covered.Y && y < c.covered.Y + c.covered.Height;
                EXPECT_TRUE(PixelNear(bitmap, x, y, in ? kRed : kNone));
            }
        }
    }
}

// Right-to-left painting: half a turn, then a translation by (-W, -(H + 2 top)) before it,
// mirrors a control of width W at the left edge.
TEST(GdiPlusTransform, HalfTurnMirrorsInPlace) {
    const int width = 40, height = 10, top = 3;
    for (bool antiAlias : {false, true}) {
        SCOPED_TRACE(antiAlias ? "anti-aliased" : "aliased");
        Bitmap bitmap(width, 16);
        Graphics graphics(&bitmap);
        graphics.SetSmoothingMode(antiAlias ? SmoothingModeAntiAlias : SmoothingModeNone);
        graphics.RotateTransform(180);
        graphics.TranslateTransform(-width, -(height + 2 * top));
        SolidBrush brush{Color(kRed)};
        graphics.FillRectangle(&brush, 0.0f, static_cast<REAL>(top), 10.5f,
                               static_cast<REAL>(height));
        graphics.ResetTransform();
        graphics.FillRectangle(&brush, 0, 0, 1, 1);
        // The bar spans x 29.5 to 40 and y 3 to 13.
        EXPECT_TRUE(PixelNear(bitmap, 30, 8, kRed));
        EXPECT_TRUE(PixelNear(bitmap, 39, 4, kRed));
        EXPECT_TRUE(PixelNear(bitmap, 28, 8, kNone));
        EXPECT_TRUE(PixelNear(bitmap, 30, 1, kNone));
        EXPECT_TRUE(PixelNear(bitmap, 30, 14, kNone));
        EXPECT_TRUE(PixelNear(bitmap, 0, 0, antiAlias ? 0x40FF0000u : kRed, 2));
    }
}

// A texture of 3 x 2 distinct texels.
ARGB Texel(int x, int y) {
    return Color::MakeARGB(255, static_cast<BYTE>(40 + 60 * x), 0, static_cast<BYTE>(100 * y));
}

TEST(GdiPlusTexture, TilesInWorldSpace) {
    struct Case {
        const char* name;
        REAL worldDx, worldDy, worldAngle, brushDx, brushDy;
        int originX, originY;  // pixel showing texel (0, 0)
        int stepX, stepY;      // direction of increasing texels on the screen
    } cases[] = {
        {"plain", 0, 0, 0, 0, 0, 0, 0, 1, 1},
        {"world translation", 4, 1, 0, 0, 0, 4, 1, 1, 1},
        {"brush translation", 0, 0, 0, 2, 1, 2, 1, 1, 1},
        {"both", 5, 0, 0, -1, 0, 4, 0, 1, 1},
        {"half a turn", 11, 7, 180, 0, 0, 11, 7, -1, -1},
    };
    Bitmap texture(3, 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            texture.SetPixel(x, y, Color(Texel(x, y)));
        }
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bitmap bitmap(12, 8);
        Graphics graphics(&bitmap);
        graphics.SetSmoothingMode(SmoothingModeAntiAlias);
        graphics.TranslateTransform(c.worldDx, c.worldDy);
        graphics.RotateTransform(c.worldAngle);
        TextureBrush brush(&texture, WrapModeTile);
        brush.TranslateTransform(c.brushDx, c.brushDy);
        // Fill beyond the bitmap so that every pixel is covered fully.
        ASSERT_EQ(graphics.FillRectangle(&brush, -20, -20, 40, 40), Ok);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 12; ++x) {
                const int u = (((x - c.originX) * c.stepX) % 3 + 3) % 3;
                const int v = (((y - c.originY) * c.stepY) % 2 + 2) % 2;
                EXPECT_TRUE(PixelNear(bitmap, x, y, Texel(u, v)));
            }
        }
    }
}

TEST(GdiPlusTexture, CopiesTheImageAndClampsOutsideIt) {
    Bitmap texture(2, 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
            texture.SetPixel(x, y, Color(kRed));
        }
    }
    TextureBrush brush(&texture, WrapModeClamp);
    EXPECT_EQ(brush.GetWrapMode(), WrapModeClamp);
    texture.SetPixel(0, 0, Color(0xFF0000FFu));  // after the brush copied it

    Bitmap bitmap(6, 6);
    Graphics graphics(&bitmap);
    graphics.FillRectangle(&brush, 0, 0, 6, 6);
    EXPECT_TRUE(PixelNear(bitmap, 0, 0, kRed));
    EXPECT_TRUE(PixelNear(bitmap, 1, 1, kRed));
    EXPECT_TRUE(PixelNear(bitmap, 3, 1, kNone));
    EXPECT_TRUE(PixelNear(bitmap, 1, 3, kNone));
}

// A device context is a Cairo context: drawing follows its transformation and leaves its state
// as it was.
TEST(GdiPlusDeviceContext, DrawsUnderTheContextsTransformation) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 10, 10);
    cairo_t* cr = cairo_create(surface);
    cairo_translate(cr, 5, 3);
    {
        Graphics graphics(win32standin::DeviceContextOf(cr));
        SolidBrush brush{Color(kRed)};
        EXPECT_EQ(graphics.FillRectangle(&brush, 0.5f, 0.5f, 2.0f, 1.0f), Ok);
    }
    cairo_matrix_t matrix;
    cairo_get_matrix(cr, &matrix);
    EXPECT_EQ(matrix.x0, 5);
    EXPECT_EQ(matrix.y0, 3);
    EXPECT_EQ(cairo_get_antialias(cr), CAIRO_ANTIALIAS_DEFAULT);
    cairo_surface_flush(surface);
    const uint32_t* row = reinterpret_cast<const uint32_t*>(
        cairo_image_surface_get_data(surface) + 4 * cairo_image_surface_get_stride(surface));
    EXPECT_EQ(row[5], 0u);
    EXPECT_EQ(row[6], kRed);
    EXPECT_EQ(row[7], kRed);
    EXPECT_EQ(row[8], 0u);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);

    Graphics none(static_cast<HDC>(nullptr));
    EXPECT_EQ(none.GetLastStatus(), InvalidParameter);
}

}  // namespace

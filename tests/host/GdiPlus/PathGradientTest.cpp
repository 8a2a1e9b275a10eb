// Path-gradient brushes over an ellipse: focus region, blend towards the boundary, transparency
// outside the path, and the one ellipse and one surround colour they take.
#include <gdiplus.h>

#include "Canvas.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Gdiplus;
using gdiplustest::Canvas;

namespace {

constexpr ARGB kRed = 0xFFFF0000u;
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

// Pixel checks for the GDI+ stand-in's tests.
#pragma once

#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace gdiplustest {

inline std::string Hex(Gdiplus::ARGB argb) {
    char text[16];
    std::snprintf(text, sizeof(text), "%08X", static_cast<unsigned>(argb));
    return text;
}

// Success when pixel (X, Y) of BITMAP is EXPECTED within TOLERANCE per channel.
inline testing::AssertionResult PixelNear(Gdiplus::Bitmap& bitmap, int x, int y,
                                          Gdiplus::ARGB expected, int tolerance = 0) {
    Gdiplus::Color actual;
    if (bitmap.GetPixel(x, y, &actual) != Gdiplus::Ok) {
        return testing::AssertionFailure() << "no pixel at (" << x << ", " << y << ")";
    }
    for (int shift = 0; shift < 32; shift += 8) {
        int difference = static_cast<int>((actual.GetValue() >> shift) & 0xFF) -
                         static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(difference) > tolerance) {
            return testing::AssertionFailure()
                   << "pixel (" << x << ", " << y << ") is " << Hex(actual.GetValue())
                   << ", expected " << Hex(expected) << " +-" << tolerance;
        }
    }
    return testing::AssertionSuccess();
}

}  // namespace gdiplustest

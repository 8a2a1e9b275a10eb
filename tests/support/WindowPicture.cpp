#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <UIlib.h>

#ifdef _WIN32
#include <gdiplus.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <vector>
#else
#include "GoldenImage.h"
#endif

namespace testsupport {

#ifdef _WIN32
namespace {

std::unique_ptr<Gdiplus::Bitmap> Load(const std::string& path) {
    std::unique_ptr<Gdiplus::Bitmap> picture(
        Gdiplus::Bitmap::FromFile(std::filesystem::u8path(path).wstring().c_str()));
    if (picture && picture->GetLastStatus() != Gdiplus::Ok) {
        picture.reset();
    }
    return picture;
}

// The picture's pixels, row by row, as 32-bit ARGB.
std::vector<uint32_t> Pixels(Gdiplus::Bitmap& picture) {
    const UINT w = picture.GetWidth();
    const UINT h = picture.GetHeight();
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
    Gdiplus::Rect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
    Gdiplus::BitmapData data{};
    data.Width = w;
    data.Height = h;
    data.Stride = static_cast<INT>(w * 4);
    data.PixelFormat = PixelFormat32bppARGB;
    data.Scan0 = pixels.data();
    picture.LockBits(&all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                     PixelFormat32bppARGB, &data);
    picture.UnlockBits(&data);
    return pixels;
}

}  // namespace

::testing::AssertionResult PictureMatches(DuiLib::CPaintManagerUI* manager,
                                          const std::string& goldenDir, const std::string& name) {
    const std::string reference = goldenDir + "/windows/" + name;
    const char* update = std::getenv("SWIFTSEND_UPDATE_GOLDENS");
    const bool updating = update && *update && std::strcmp(update, "0") != 0;
    const std::string actualPath = updating ? reference : ::testing::TempDir() + "actual-" + name;
    if (!duistandin::SavePng(manager, actualPath)) {
        return ::testing::AssertionFailure() << "no picture made";
    }
    std::unique_ptr<Gdiplus::Bitmap> actual = Load(actualPath);
    if (!actual) {
        return ::testing::AssertionFailure() << "picture " << actualPath << " does not load";
    }
    const std::vector<uint32_t> pixels = Pixels(*actual);
    const UINT w = actual->GetWidth();
    const UINT h = actual->GetHeight();
    // Not blank: a window shows at least its background, text and something else.
    if (std::set<uint32_t>(pixels.begin(), pixels.end()).size() < 3) {
        return ::testing::AssertionFailure() << "blank picture " << actualPath;
    }
    std::unique_ptr<Gdiplus::Bitmap> golden = updating ? nullptr : Load(reference);
    if (!golden) {
        return ::testing::AssertionSuccess();  // no reference picture of this one
    }
    if (golden->GetWidth() != w || golden->GetHeight() != h) {
        return ::testing::AssertionFailure()
               << "picture " << actualPath << " is " << w << "x" << h << ", the reference "
               << golden->GetWidth() << "x" << golden->GetHeight();
    }
    // Loosely: fonts and anti-aliasing vary between Wine versions.
    const std::vector<uint32_t> expected = Pixels(*golden);
    size_t different = 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
        int most = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            most = std::max(most, std::abs(static_cast<int>((pixels[i] >> shift) & 0xFF) -
                                           static_cast<int>((expected[i] >> shift) & 0xFF)));
        }
        different += most > 48 ? 1 : 0;
    }
    if (different > pixels.size() * 3 / 100) {
        return ::testing::AssertionFailure()
               << different << " pixels of " << actualPath << " differ from " << reference;
    }
    return ::testing::AssertionSuccess();
}
#else
::testing::AssertionResult PictureMatches(DuiLib::CPaintManagerUI* manager,
                                          const std::string& goldenDir, const std::string& name) {
    manager->Paint();
    return MatchesGolden(manager->GetSurface(), goldenDir + "/" + name);
}
#endif

}  // namespace testsupport

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
    const UINT w = actual->GetWidth();
    const UINT h = actual->GetHeight();
    // Not blank: a window shows at least its background, text and something else.
    std::set<Gdiplus::ARGB> colours;
    for (UINT y = 0; y < h && colours.size() < 3; y += 2) {
        for (UINT x = 0; x < w; x += 2) {
            Gdiplus::Color c;
            actual->GetPixel(static_cast<INT>(x), static_cast<INT>(y), &c);
            colours.insert(c.GetValue());
        }
    }
    if (colours.size() < 3) {
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
    size_t different = 0;
    for (UINT y = 0; y < h; ++y) {
        for (UINT x = 0; x < w; ++x) {
            Gdiplus::Color a;
            Gdiplus::Color b;
            actual->GetPixel(static_cast<INT>(x), static_cast<INT>(y), &a);
            golden->GetPixel(static_cast<INT>(x), static_cast<INT>(y), &b);
            const int most = std::max({std::abs(a.GetR() - b.GetR()), std::abs(a.GetG() - b.GetG()),
                                       std::abs(a.GetB() - b.GetB())});
            different += most > 48 ? 1 : 0;
        }
    }
    if (different > w * h * 3 / 100) {
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

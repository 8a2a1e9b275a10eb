// The size of a picture's thumbnail.
#include "TandemUtil.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kThumbMax = 160;

}  // namespace

// Fits the picture within 160 x 160 keeping its aspect ratio; a picture that fits already keeps
// its size. Each side is at least 1. A size that is not positive gives 0 x 0.
void PngThumbNailUtils::CalcThumbNailSize(int width, int height, int& thumbWidth,
                                          int& thumbHeight) {
    if (width <= 0 || height <= 0) {
        thumbWidth = 0;
        thumbHeight = 0;
        return;
    }
    double scale = std::min(
        {1.0, static_cast<double>(kThumbMax) / width, static_cast<double>(kThumbMax) / height});
    thumbWidth = std::max(1, static_cast<int>(std::lround(width * scale)));
    thumbHeight = std::max(1, static_cast<int>(std::lround(height * scale)));
}

// Picture layout: the two-stage centring of a picture on the canvas.
#include "PictureLayout.h"

#include <algorithm>
#include <cstdint>

namespace marksheet {

namespace {
// Fractional values become integers by truncation toward zero through 64 bits, keeping the low 32.
int Truncate(double value) {
    return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::int64_t>(value)));
}
}  // namespace

PicturePlacement PlacePicture(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight) {
    PicturePlacement p{0, 0, areaWidth, areaHeight};
    if (pictureWidth <= p.width) {
        p.x += (p.width - pictureWidth) / 2;
        p.width = pictureWidth;
    }
    if (pictureHeight <= p.height) {
        p.y += (p.height - pictureHeight) / 2;
        p.height = pictureHeight;
    }
    if (pictureWidth > p.width || pictureHeight > p.height) {
        const double t = std::min(static_cast<double>(p.width) / pictureWidth,
                                  static_cast<double>(p.height) / pictureHeight);
        const int shownWidth = Truncate(pictureWidth * t);
        const int shownHeight = Truncate(pictureHeight * t);
        // Halving rounds down, also for the (impossible here) negative case.
        p.x += (p.width - shownWidth) >> 1;
        p.y += (p.height - shownHeight) >> 1;
        p.width = shownWidth;
        p.height = shownHeight;
    }
    return p;
}

}  // namespace marksheet

// The sparse count of dark samples: one live read per lattice point, nothing cached.
#include "Brightness.h"

namespace marksheet {

int CountDarkSamples(SheetSurface& surface, int x0, int y0, int x1, int y1) {
    // The loop variables are wider than the coordinates so that a box reaching the largest
    // coordinate cannot overflow on its last step.
    int count = 0;
    for (std::int64_t x = x0; x <= x1; x += SampleStep)
        for (std::int64_t y = y0; y <= y1; y += SampleStep)
            if (IsMarkDark(PixelBrightness(surface, static_cast<int>(x), static_cast<int>(y)))) ++count;
    return count;
}

}  // namespace marksheet

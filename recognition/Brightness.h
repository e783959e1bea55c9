// Pixel brightness, the two darkness tests and the sparse count of dark samples in a cell.
#pragma once

#include <cstdint>

#include "SheetGeometry.h"
#include "SheetSurface.h"

namespace marksheet {

/// Red + green + blue of a canvas colour (0..765); the top byte takes no part, so the
/// no-pixel value 0xFFFFFFFF has brightness 765.
constexpr int ColourBrightness(CanvasColour colour) {
    const auto bits = static_cast<std::uint32_t>(colour);
    return static_cast<int>((bits & 0xFFu) + ((bits >> 8) & 0xFFu) + ((bits >> 16) & 0xFFu));
}

/// Brightness of the pixel shown at (x, y) now: exactly one live read of the surface.
inline int PixelBrightness(SheetSurface& surface, int x, int y) {
    return ColourBrightness(surface.ReadPixel(x, y));
}

/// The strict test for corner marks.
constexpr bool IsCornerDark(int brightness) {
    return brightness < CornerDarkLimit;
}

/// The looser test for a dark sample in a cell. For the integer brightness a pixel can have this
/// is the same as comparing brightness - 50 with a tiny negative margin in double precision.
constexpr bool IsMarkDark(int brightness) {
    return brightness < MarkDarkLimit;
}

/// Counts the samples of the lattice anchored at (x0, y0), SampleStep apart, inside the inclusive
/// box (x0, y0)..(x1, y1) that pass IsMarkDark. Reads column by column, each from the top; a box
/// with x1 < x0 or y1 < y0 reads nothing and counts 0. Never draws.
int CountDarkSamples(SheetSurface& surface, int x0, int y0, int x1, int y1);

}  // namespace marksheet

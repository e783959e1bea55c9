// The sheet as the engine sees it: one pixel read or one drawing at a time, always live.
#pragma once

#include <cstdint>

namespace marksheet {

/// Colour of one canvas pixel: red in the lowest byte, then green, then blue; top byte zero.
using CanvasColour = std::int32_t;

/// What ReadPixel returns where no pixel could be read (outside the canvas).
inline constexpr CanvasColour NoPixelColour = -1;  // 0xFFFFFFFF

/// Canvas size in pixels.
inline constexpr int CanvasWidth = 400;
inline constexpr int CanvasHeight = 500;

/// A surface the readers sample and draw their overlay on. Every call is one atomic
/// operation on the live pixels: no snapshot, no cache.
class SheetSurface {
public:
    virtual ~SheetSurface() = default;
    /// The colour shown at (x, y) now, drawings included; NoPixelColour outside the canvas.
    virtual CanvasColour ReadPixel(int x, int y) = 0;
    /// Sets one pixel; nothing outside the canvas.
    virtual void DrawPoint(int x, int y, CanvasColour colour) = 0;
    /// Dotted green line from (x1, y1) towards (x2, y2); the end pixel is not drawn.
    virtual void DrawLine(int x1, int y1, int x2, int y2) = 0;
    /// Dotted green outline of columns left..right-1 and rows top..bottom-1; never filled.
    virtual void DrawRectangle(int x1, int y1, int x2, int y2) = 0;
};

}  // namespace marksheet

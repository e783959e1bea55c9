// Fuzzes the whole road of a picture: bytes of any format, set on a canvas, repainted, then read.
#include <cstddef>
#include <cstdint>

#include "SheetCanvas.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One canvas for every input, as in the window, which shows picture after picture on its canvas:
    // each new picture must replace the last one whole, whatever state that one left.
    static marksheet::SheetCanvas canvas(0x00C8D0D4);
    canvas.SetPicture({data, size});
    canvas.Repaint();
    // A few reads over the shown area, so a bad placement or a short shown picture would surface.
    volatile marksheet::CanvasColour sink = 0;
    for (int y = 0; y < marksheet::CanvasHeight; y += 37)
        for (int x = 0; x < marksheet::CanvasWidth; x += 41) sink = sink ^ canvas.ReadPixel(x, y);
    sink = sink ^ canvas.ReadPixel(marksheet::CanvasWidth - 1, marksheet::CanvasHeight - 1);
    return 0;
}

// The four corner scans that find a grid's printed corner marks in fixed windows of the canvas.
#pragma once

#include <cstdint>

#include "SheetGeometry.h"
#include "SheetReader.h"
#include "SheetSurface.h"

namespace marksheet {

/// Runs one scan: the first scan point (outer loop x, inner loop y, both ScanStep apart) that is
/// corner-dark and whose confirming samples, read in order and only while they pass, are all
/// corner-dark. On success sets edgeX = x + edgeDx and edgeY = y + edgeDy together and returns true;
/// otherwise leaves both untouched.
bool FindCorner(SheetSurface& surface, const CornerScan& scan, std::int32_t& edgeX, std::int32_t& edgeY);

/// numberGrid.left and .top from the number grid's top-left mark.
inline bool FindNumberTopLeft(SheetSurface& surface, RegionGrid& grid) {
    return FindCorner(surface, NumberTopLeftScan, grid.left, grid.top);
}
/// numberGrid.right and .bottom from the number grid's bottom-right mark.
inline bool FindNumberBottomRight(SheetSurface& surface, RegionGrid& grid) {
    return FindCorner(surface, NumberBottomRightScan, grid.right, grid.bottom);
}
/// answerGrid.left and .top from the answer grid's top-left mark.
inline bool FindAnswerTopLeft(SheetSurface& surface, RegionGrid& grid) {
    return FindCorner(surface, AnswerTopLeftScan, grid.left, grid.top);
}
/// answerGrid.right and .bottom from the answer grid's bottom-right mark.
inline bool FindAnswerBottomRight(SheetSurface& surface, RegionGrid& grid) {
    return FindCorner(surface, AnswerBottomRightScan, grid.right, grid.bottom);
}

}  // namespace marksheet

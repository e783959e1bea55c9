// The corner scans: column by column, each column from the top, confirming samples in their order.
#include "CornerSearch.h"

#include "Brightness.h"

namespace marksheet {

bool FindCorner(SheetSurface& surface, const CornerScan& scan, std::int32_t& edgeX, std::int32_t& edgeY) {
    const int xStep = scan.xEnd >= scan.xStart ? ScanStep : -ScanStep;
    for (int x = scan.xStart; xStep > 0 ? x <= scan.xEnd : x >= scan.xEnd; x += xStep) {
        for (int y = scan.yStart; y <= scan.yEnd; y += ScanStep) {
            if (!IsCornerDark(PixelBrightness(surface, x, y))) continue;
            bool confirmed = true;
            for (int i = 0; i < scan.confirmCount && confirmed; ++i)
                confirmed =
                    IsCornerDark(PixelBrightness(surface, x + scan.confirmDx[i], y + scan.confirmDy[i]));
            if (!confirmed) continue;
            edgeX = x + scan.edgeDx;
            edgeY = y + scan.edgeDy;
            return true;
        }
    }
    return false;
}

}  // namespace marksheet

// Grid geometry: cell sizes from the located edges, cell boxes, and the overlay drawn over a grid.
#pragma once

#include <cstdint>

#include "SheetReader.h"
#include "SheetSurface.h"

namespace marksheet {

/// Width and height of one cell.
struct CellSize {
    std::int32_t columnWidth = 0;
    std::int32_t rowHeight = 0;
    friend bool operator==(const CellSize&, const CellSize&) = default;
};

/// Number grid: the edges' spans divided by 9 columns and 10 rows, truncated toward zero.
CellSize NumberCellSize(const RegionGrid& grid);
/// Answer grid: width / 23 truncated; height / 34 + 1 computed as a fraction and truncated after
/// the 1 is added (so a span of 340 gives 11, and a span between -33 and -1 gives 0).
CellSize AnswerCellSize(const RegionGrid& grid);

/// The inclusive pixel box of grid column `column` and row `row` (both from 1). Neighbouring
/// boxes share their common edge line.
struct CellBox {
    int x0, y0, x1, y1;
    friend bool operator==(const CellBox&, const CellBox&) = default;
};
CellBox CellBoxOf(const RegionGrid& grid, int column, int row);

/// The cell lines of one grid: rowCount horizontal lines at top + i * rowHeight from left to right,
/// then columnCount vertical lines at left + j * columnWidth from top to bottom. No line at i = 0 or
/// j = 0: the outline supplies those.
void DrawGridLines(SheetSurface& surface, int left, int top, int right, int bottom, int rowHeight,
                   int rowCount, int columnWidth, int columnCount);

/// Which corner marks a locator found this time.
struct CornerFinds {
    bool topLeft = false;
    bool bottomRight = false;
};

/// Scans both corners of the number grid (keeping earlier edges where a mark is not found), draws
/// the outline, sets the cell size and draws the cell lines.
CornerFinds LocateNumberGrid(SheetSurface& surface, RegionGrid& numberGrid);
/// The same for the answer grid.
CornerFinds LocateAnswerGrid(SheetSurface& surface, RegionGrid& answerGrid);

}  // namespace marksheet

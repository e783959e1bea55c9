// Grid geometry and overlay: the cell size of each grid and the lines drawn over it.
#include "GridGeometry.h"

#include "CornerSearch.h"
#include "SheetGeometry.h"

namespace marksheet {

namespace {

// A fraction becomes an integer by truncation toward zero through 64 bits, keeping the low 32 bits.
std::int32_t Truncate(double value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(value)));
}

}  // namespace

CellSize NumberCellSize(const RegionGrid& grid) {
    const std::int64_t width = std::int64_t{grid.right} - grid.left;
    const std::int64_t height = std::int64_t{grid.bottom} - grid.top;
    return {static_cast<std::int32_t>(width / NumberColumns), static_cast<std::int32_t>(height / NumberRows)};
}

CellSize AnswerCellSize(const RegionGrid& grid) {
    const std::int64_t width = std::int64_t{grid.right} - grid.left;
    const std::int64_t height = std::int64_t{grid.bottom} - grid.top;
    return {static_cast<std::int32_t>(width / AnswerColumns),
            Truncate(static_cast<double>(height) / AnswerRows + 1.0)};
}

CellBox CellBoxOf(const RegionGrid& grid, int column, int row) {
    return {grid.left + (column - 1) * grid.columnWidth, grid.top + (row - 1) * grid.rowHeight,
            grid.left + column * grid.columnWidth, grid.top + row * grid.rowHeight};
}

void DrawGridLines(SheetSurface& surface, int left, int top, int right, int bottom, int rowHeight,
                   int rowCount, int columnWidth, int columnCount) {
    for (int i = 1; i <= rowCount; ++i)
        surface.DrawLine(left, top + i * rowHeight, right, top + i * rowHeight);
    for (int j = 1; j <= columnCount; ++j)
        surface.DrawLine(left + j * columnWidth, top, left + j * columnWidth, bottom);
}

namespace {

template <typename FindTopLeft, typename FindBottomRight, typename Size>
CornerFinds Locate(SheetSurface& surface, RegionGrid& grid, FindTopLeft findTopLeft,
                   FindBottomRight findBottomRight, Size size, int rowCount, int columnCount) {
    CornerFinds finds;
    finds.topLeft = findTopLeft(surface, grid);
    finds.bottomRight = findBottomRight(surface, grid);
    surface.DrawRectangle(grid.left, grid.top, grid.right, grid.bottom);
    const CellSize cell = size(grid);
    grid.columnWidth = cell.columnWidth;
    grid.rowHeight = cell.rowHeight;
    DrawGridLines(surface, grid.left, grid.top, grid.right, grid.bottom, grid.rowHeight, rowCount,
                  grid.columnWidth, columnCount);
    return finds;
}

}  // namespace

CornerFinds LocateNumberGrid(SheetSurface& surface, RegionGrid& numberGrid) {
    return Locate(surface, numberGrid, FindNumberTopLeft, FindNumberBottomRight, NumberCellSize, NumberRows,
                  NumberColumns);
}

CornerFinds LocateAnswerGrid(SheetSurface& surface, RegionGrid& answerGrid) {
    return Locate(surface, answerGrid, FindAnswerTopLeft, FindAnswerBottomRight, AnswerCellSize, AnswerRows,
                  AnswerColumns);
}

}  // namespace marksheet

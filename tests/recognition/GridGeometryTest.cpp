// Cell sizes of both grids, cell boxes, and the overlay a locator draws.
#include <gtest/gtest.h>

#include "GridGeometry.h"
#include "SheetDrawing.h"

namespace marksheet {
namespace {

using namespace testing;

TEST(GridGeometry, CellSizes) {
    struct Case {
        const char* name;
        RegionGrid edges;
        CellSize number, answer;
    };
    const Case cases[] = {
        {"NumberExample", {195, 40, 375, 190}, {20, 15}, {7, 5}},
        {"AnswerExample", {15, 137, 385, 497}, {370 / 9, 36}, {16, 11}},
        {"AnswerHeight340AddsOne", {15, 137, 385, 477}, {41, 34}, {16, 11}},
        {"AnswerHeightMultipleOf34", {15, 137, 385, 171}, {41, 3}, {16, 2}},
        {"AllZero", {0, 0, 0, 0}, {0, 0}, {0, 1}},
        {"OnlyTopLeftFound", {195, 40, 0, 0}, {-21, -4}, {-8, 0}},
        {"AnswerHeightMinus1", {0, 1, 0, 0}, {0, 0}, {0, 0}},
        {"AnswerHeightMinus33", {0, 33, 0, 0}, {0, -3}, {0, 0}},
        {"AnswerHeightMinus34", {0, 34, 0, 0}, {0, -3}, {0, 0}},
        {"AnswerHeightMinus68", {0, 68, 0, 0}, {0, -6}, {0, -1}},
        {"AnswerHeightMinus137", {15, 137, 0, 0}, {-1, -13}, {0, -3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(NumberCellSize(c.edges), c.number);
        EXPECT_EQ(AnswerCellSize(c.edges), c.answer);
    }
}

TEST(GridGeometry, CellBoxesShareTheirEdges) {
    const RegionGrid grid = LocatedNumber(NumberEdges);
    EXPECT_EQ(CellBoxOf(grid, 1, 1), (CellBox{195, 40, 215, 55}));
    EXPECT_EQ(CellBoxOf(grid, 2, 1), (CellBox{215, 40, 235, 55}));
    EXPECT_EQ(CellBoxOf(grid, 9, 10), (CellBox{355, 175, 375, 190}));
}

std::vector<SurfaceOp> ExpectedOverlay(const RegionGrid& g, int rows, int columns) {
    std::vector<SurfaceOp> ops{{SurfaceOp::Rectangle, g.left, g.top, g.right, g.bottom}};
    for (int i = 1; i <= rows; ++i)
        ops.push_back({SurfaceOp::Line, g.left, g.top + i * g.rowHeight, g.right, g.top + i * g.rowHeight});
    for (int j = 1; j <= columns; ++j)
        ops.push_back(
            {SurfaceOp::Line, g.left + j * g.columnWidth, g.top, g.left + j * g.columnWidth, g.bottom});
    return ops;
}

TEST(GridGeometry, NumberGridOverlay) {
    auto canvas = WhiteCanvas();
    DrawGridCorners(*canvas, NumberTopLeftScan, NumberBottomRightScan, NumberEdges);
    RecordingSurface surface(canvas.get());
    RegionGrid grid;
    const CornerFinds finds = LocateNumberGrid(surface, grid);
    EXPECT_TRUE(finds.topLeft && finds.bottomRight);
    EXPECT_EQ(grid, (RegionGrid{195, 40, 375, 190, 20, 15}));
    const auto drawings = surface.Drawings();
    EXPECT_EQ(drawings, ExpectedOverlay(grid, 10, 9));
    // Horizontal lines at y = 55, 70, ..., 190 (the tenth on the bottom edge); verticals at x = 215 .. 375.
    EXPECT_EQ(drawings[1].y1, 55);
    EXPECT_EQ(drawings[10].y1, 190);
    EXPECT_EQ(drawings[11].x1, 215);
    EXPECT_EQ(drawings[19].x1, 375);
    // The overlay is what a later read sees: the pen's green on the outline's first pixel.
    EXPECT_EQ(canvas->ReadPixel(195, 40), PenColour);
}

TEST(GridGeometry, AnswerGridOverlayReachesPastTheBottomEdge) {
    auto canvas = WhiteCanvas();
    DrawGridCorners(*canvas, AnswerTopLeftScan, AnswerBottomRightScan, AnswerEdges);
    RecordingSurface surface(canvas.get());
    RegionGrid grid;
    LocateAnswerGrid(surface, grid);
    EXPECT_EQ(grid, (RegionGrid{15, 137, 385, 497, 16, 11}));
    const auto drawings = surface.Drawings();
    EXPECT_EQ(drawings, ExpectedOverlay(grid, 34, 23));
    EXPECT_EQ(drawings[34].y1, 511);     // the last horizontal line, past the canvas's last row
    EXPECT_EQ(drawings.back().x1, 383);  // the last vertical line, short of the right edge
    EXPECT_EQ(drawings.back().y2, 497);
}

TEST(GridGeometry, UnfoundGridIsStillDrawnFromTheRecordAsItStands) {
    // Never found: every line starts and ends at one point; the answer grid's rows are 1 pixel high.
    {
        RecordingSurface surface;
        RegionGrid number, answer;
        const CornerFinds finds = LocateNumberGrid(surface, number);
        EXPECT_FALSE(finds.topLeft || finds.bottomRight);
        LocateAnswerGrid(surface, answer);
        EXPECT_EQ(number, RegionGrid{});
        EXPECT_EQ(answer, (RegionGrid{0, 0, 0, 0, 0, 1}));
        auto expected = ExpectedOverlay(number, 10, 9);
        const auto answerOverlay = ExpectedOverlay(answer, 34, 23);
        expected.insert(expected.end(), answerOverlay.begin(), answerOverlay.end());
        EXPECT_EQ(surface.Drawings(), expected);
        EXPECT_EQ(surface.Drawings()[20 + 34], (SurfaceOp{SurfaceOp::Line, 0, 34, 0, 34}));
    }
    // Found once, then missing: the previous edges are used and the grid drawn again in full.
    auto canvas = WhiteCanvas();
    DrawGridCorners(*canvas, NumberTopLeftScan, NumberBottomRightScan, NumberEdges);
    RegionGrid grid;
    LocateNumberGrid(*canvas, grid);
    RecordingSurface blank;
    const CornerFinds finds = LocateNumberGrid(blank, grid);
    EXPECT_FALSE(finds.topLeft || finds.bottomRight);
    EXPECT_EQ(grid, (RegionGrid{195, 40, 375, 190, 20, 15}));
    EXPECT_EQ(blank.Drawings(), ExpectedOverlay(grid, 10, 9));
}

}  // namespace
}  // namespace marksheet

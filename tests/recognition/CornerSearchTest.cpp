// The four corner scans: windows, order of scan points, confirming samples and the edges they set.
#include <gtest/gtest.h>

#include <functional>

#include "CornerSearch.h"
#include "SheetDrawing.h"

namespace marksheet {
namespace {

using namespace testing;

using Finder = bool (*)(SheetSurface&, RegionGrid&);

struct ScanInfo {
    const char* name;
    Finder find;
    const CornerScan& scan;
    int points;
    std::pair<int, int> first, last;
};

const ScanInfo scans[] = {
    {"NumberTopLeft", FindNumberTopLeft, NumberTopLeftScan, 756, {180, 40}, {250, 80}},
    {"NumberBottomRight", FindNumberBottomRight, NumberBottomRightScan, 806, {380, 120}, {330, 180}},
    {"AnswerTopLeft", FindAnswerTopLeft, AnswerTopLeftScan, 650, {2, 140}, {50, 190}},
    {"AnswerBottomRight", FindAnswerBottomRight, AnswerBottomRightScan, 1271, {390, 410}, {330, 490}},
};

constexpr RegionGrid Untouched{7, 7, 7, 7, 7, 7};

TEST(CornerSearch, BlankCanvasReadsEveryScanPointOnceAndChangesNothing) {
    for (const ScanInfo& s : scans) {
        SCOPED_TRACE(s.name);
        auto canvas = WhiteCanvas();
        RecordingSurface surface(canvas.get());
        RegionGrid grid = Untouched;
        EXPECT_FALSE(s.find(surface, grid));
        EXPECT_EQ(grid, Untouched);
        const auto reads = surface.Reads();
        ASSERT_EQ(static_cast<int>(reads.size()), s.points);
        EXPECT_EQ(reads.front(), s.first);
        EXPECT_EQ(reads.back(), s.last);
        // Outer loop x, inner loop y downwards, even coordinates only.
        const int xStep = s.scan.xEnd > s.scan.xStart ? 2 : -2;
        EXPECT_EQ(reads[1], std::make_pair(s.first.first, s.first.second + 2));
        const int perColumn = (s.scan.yEnd - s.scan.yStart) / 2 + 1;
        EXPECT_EQ(reads[static_cast<std::size_t>(perColumn)],
                  std::make_pair(s.first.first + xStep, s.first.second));
        for (auto [x, y] : reads) EXPECT_TRUE(x % 2 == 0 && y % 2 == 0) << x << "," << y;
        EXPECT_TRUE(surface.Drawings().empty());
    }
}

TEST(CornerSearch, AMarkAtEachEndOfTheWindowSetsBothEdgesTogether) {
    struct Case {
        const char* name;
        Finder find;
        const CornerScan& scan;
        int x, y;
        RegionGrid expected;
    };
    const Case cases[] = {
        {"NumberTopLeftFirstPoint", FindNumberTopLeft, NumberTopLeftScan, 180, 40, {195, 40, 7, 7, 7, 7}},
        {"NumberTopLeftLastPoint", FindNumberTopLeft, NumberTopLeftScan, 250, 80, {265, 80, 7, 7, 7, 7}},
        {"NumberBottomRightFirstPoint",
         FindNumberBottomRight,
         NumberBottomRightScan,
         380,
         120,
         {7, 7, 375, 130, 7, 7}},
        {"NumberBottomRightLastPoint",
         FindNumberBottomRight,
         NumberBottomRightScan,
         330,
         180,
         {7, 7, 325, 190, 7, 7}},
        {"AnswerTopLeftFirstPoint", FindAnswerTopLeft, AnswerTopLeftScan, 2, 140, {15, 137, 7, 7, 7, 7}},
        {"AnswerTopLeftLastPoint", FindAnswerTopLeft, AnswerTopLeftScan, 50, 190, {63, 187, 7, 7, 7, 7}},
        {"AnswerBottomRightFirstPoint",
         FindAnswerBottomRight,
         AnswerBottomRightScan,
         390,
         410,
         {7, 7, 385, 417, 7, 7}},
        {"AnswerBottomRightLastPoint",
         FindAnswerBottomRight,
         AnswerBottomRightScan,
         330,
         490,
         {7, 7, 325, 497, 7, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto canvas = WhiteCanvas();
        DrawCornerMark(*canvas, c.scan, c.x, c.y);
        RegionGrid grid = Untouched;
        EXPECT_TRUE(c.find(*canvas, grid));
        EXPECT_EQ(grid, c.expected);
    }
}

TEST(CornerSearch, TheFirstConfirmedPointInScanOrderWins) {
    auto canvas = WhiteCanvas();
    // Two marks for each bottom-right scan: the rightmost column wins, and in it the topmost point.
    DrawCornerMark(*canvas, NumberBottomRightScan, 360, 150);
    DrawCornerMark(*canvas, NumberBottomRightScan, 370, 160);
    DrawCornerMark(*canvas, NumberBottomRightScan, 370, 140);
    // Two marks for the top-left scan: the leftmost column wins.
    DrawCornerMark(*canvas, NumberTopLeftScan, 220, 44);
    DrawCornerMark(*canvas, NumberTopLeftScan, 200, 70);
    RegionGrid grid;
    EXPECT_TRUE(FindNumberBottomRight(*canvas, grid));
    EXPECT_TRUE(FindNumberTopLeft(*canvas, grid));
    EXPECT_EQ(grid, (RegionGrid{215, 70, 365, 150, 0, 0}));
}

TEST(CornerSearch, UnconfirmedPointIsPassedOverAndTheScanGoesOnTwoPixelsLower) {
    auto canvas = WhiteCanvas();
    canvas->DrawPoint(180, 40, Black);  // its confirming sample (190, 45) is white
    DrawCornerMark(*canvas, NumberTopLeftScan, 180, 46);
    RecordingSurface surface(canvas.get());
    RegionGrid grid;
    EXPECT_TRUE(FindNumberTopLeft(surface, grid));
    EXPECT_EQ(surface.Reads(), (std::vector<std::pair<int, int>>{
                                   {180, 40}, {190, 45}, {180, 42}, {180, 44}, {180, 46}, {190, 51}}));
    EXPECT_EQ(grid.left, 195);
    EXPECT_EQ(grid.top, 46);
}

TEST(CornerSearch, SecondConfirmingSampleIsReadOnlyAfterTheFirstPassed) {
    struct Case {
        const char* name;
        std::initializer_list<std::pair<int, int>> dark;
        std::vector<std::pair<int, int>> reads;
        bool found;
    };
    const Case cases[] = {
        {"FirstConfirmWhite", {{2, 140}, {5, 143}}, {{2, 140}, {10, 144}, {2, 142}}, false},
        {"SecondConfirmWhite", {{2, 140}, {10, 144}}, {{2, 140}, {10, 144}, {5, 143}, {2, 142}}, false},
        {"BothConfirmDark", {{2, 140}, {10, 144}, {5, 143}}, {{2, 140}, {10, 144}, {5, 143}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto canvas = WhiteCanvas();
        for (auto [x, y] : c.dark) canvas->DrawPoint(x, y, Black);
        RecordingSurface surface(canvas.get());
        RegionGrid grid;
        EXPECT_EQ(FindAnswerTopLeft(surface, grid), c.found);
        auto reads = surface.Reads();
        reads.resize(std::min(reads.size(), c.reads.size()));
        EXPECT_EQ(reads, c.reads);
        EXPECT_EQ(grid, c.found ? (RegionGrid{15, 137, 0, 0, 0, 0}) : RegionGrid{});
    }
}

TEST(CornerSearch, DarknessAndParityOfScanPoints) {
    struct Case {
        const char* name;
        std::initializer_list<std::pair<std::pair<int, int>, CanvasColour>> pixels;
        bool found;
    };
    const Case cases[] = {
        {"PointAndConfirmAt29", {{{180, 40}, 0x1D}, {{190, 45}, 0x1D}}, true},
        {"PointAt30", {{{180, 40}, 0x0A0A0A}, {{190, 45}, Black}}, false},
        {"ConfirmAt30", {{{180, 40}, Black}, {{190, 45}, 0x0A0A0A}}, false},
        {"MarkerColourNeverACorner", {{{180, 40}, CellMarkerColour}, {{190, 45}, CellMarkerColour}}, false},
        {"PenGreenNeverACorner", {{{180, 40}, PenColour}, {{190, 45}, PenColour}}, false},
        // An odd-coordinate pixel can confirm ((190, 45) has odd y) but never be a scan point.
        {"OddPixelsOnly",
         {{{181, 41}, Black}, {{191, 46}, Black}, {{181, 40}, Black}, {{180, 41}, Black}},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto canvas = WhiteCanvas();
        for (auto [at, colour] : c.pixels) canvas->DrawPoint(at.first, at.second, colour);
        RegionGrid grid;
        EXPECT_EQ(FindNumberTopLeft(*canvas, grid), c.found);
    }
    // A window full of ink on odd columns only: no scan point is ever dark.
    auto canvas = WhiteCanvas();
    for (int x = 179; x <= 261; x += 2) FillBox(*canvas, x, 40, x, 85);
    RegionGrid grid;
    EXPECT_FALSE(FindNumberTopLeft(*canvas, grid));
}

}  // namespace
}  // namespace marksheet

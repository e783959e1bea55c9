// Brightness, the two darkness limits and the lattice of the dark-sample count.
#include <gtest/gtest.h>

#include "Brightness.h"
#include "SheetDrawing.h"

namespace marksheet {
namespace {

using namespace testing;

struct DarknessCase {
    const char* name;
    CanvasColour colour;
    int brightness;
    bool cornerDark;
    bool markDark;
};

const DarknessCase darknessCases[] = {
    {"PureBlack", 0x00000000, 0, true, true},
    {"Brightness29IsCornerDark", 0x0000001D, 29, true, true},
    {"Brightness30IsNotCornerDark", 0x000A0A0A, 30, false, true},
    {"Brightness49Counts", 0x00100F12, 49, false, true},
    {"Brightness50DoesNotCount", 0x00101012, 50, false, false},
    {"CellMarkerNeverDark", CellMarkerColour, 50, false, false},
    {"PenGreenNeverDark", PenColour, 255, false, false},
    {"White", 0x00FFFFFF, 765, false, false},
    {"NoPixelIsBrightest", NoPixelColour, 765, false, false},
    {"TopByteTakesNoPart", 0x7F000000, 0, true, true},
};

TEST(Brightness, DarknessLimits) {
    for (const DarknessCase& c : darknessCases) {
        SCOPED_TRACE(c.name);
        auto canvas = WhiteCanvas();
        canvas->DrawPoint(7, 9, c.colour);
        const int brightness =
            c.colour == NoPixelColour ? PixelBrightness(*canvas, -1, 9) : PixelBrightness(*canvas, 7, 9);
        EXPECT_EQ(brightness, c.brightness);
        EXPECT_EQ(IsCornerDark(brightness), c.cornerDark);
        EXPECT_EQ(IsMarkDark(brightness), c.markDark);
    }
}

struct LatticeCase {
    const char* name;
    int x0, y0, x1, y1;
    std::vector<std::pair<int, int>> reads;
};

TEST(CountDarkSamples, ReadsTheLatticeColumnByColumnFromTheFirstCorner) {
    const LatticeCase cases[] = {
        {"OnePixelBox", 10, 20, 10, 20, {{10, 20}}},
        {"LastColumnAndRowNotOnTheLattice", 10, 20, 15, 25, {{10, 20}, {10, 23}, {13, 20}, {13, 23}}},
        {"LastColumnAndRowOnTheLattice", 0, 0, 6, 3, {{0, 0}, {0, 3}, {3, 0}, {3, 3}, {6, 0}, {6, 3}}},
        {"RightBeforeLeftReadsNothing", 10, 20, 9, 40, {}},
        {"BottomAboveTopReadsNothing", 10, 20, 40, 19, {}},
        {"NegativeSpanReadsNothing", 195, 40, -21, -4, {}},
    };
    for (const LatticeCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSurface surface;
        EXPECT_EQ(CountDarkSamples(surface, c.x0, c.y0, c.x1, c.y1), 0);
        EXPECT_EQ(surface.Reads(), c.reads);
        EXPECT_TRUE(surface.Drawings().empty());
    }
}

TEST(CountDarkSamples, CountsOnlyDarkPixelsOnTheLattice) {
    auto canvas = WhiteCanvas();
    // Lattice from (100, 100): columns 100, 103, 106; rows 100, 103, 106. Off-lattice ink is ignored.
    // clang-format off
    DrawArt(*canvas, 100, 100, {
        "#..#..#",
        ".##.##.",
        ".##.##.",
        "#.....g",
        ".#####.",
        ".#####.",
        "#..#..#",
    });
    // clang-format on
    EXPECT_EQ(CountDarkSamples(*canvas, 100, 100, 106, 106), 7);  // (106, 103) is pen green
    EXPECT_EQ(CountDarkSamples(*canvas, 101, 101, 105, 105), 4);  // a lattice shifted onto the inner ink
    canvas->DrawPoint(100, 100, 0x00100F12);                      // brightness 49 still counts
    canvas->DrawPoint(103, 100, CellMarkerColour);                // brightness 50 does not
    EXPECT_EQ(CountDarkSamples(*canvas, 100, 100, 106, 106), 6);
}

TEST(CountDarkSamples, WhiteCountsNothingAndBlackCountsEverySample) {
    auto canvas = WhiteCanvas();
    EXPECT_EQ(CountDarkSamples(*canvas, 0, 0, 399, 499), 0);
    FillBox(*canvas, 0, 0, CanvasWidth - 1, CanvasHeight - 1);
    EXPECT_EQ(CountDarkSamples(*canvas, 0, 0, 399, 499), 134 * 167);
    EXPECT_EQ(CountDarkSamples(*canvas, 10, 20, 30, 31), 7 * 4);
    // Samples off the canvas read as no pixel and never count.
    EXPECT_EQ(CountDarkSamples(*canvas, 396, 496, 402, 502), 4);
    EXPECT_EQ(CountDarkSamples(*canvas, -3, -3, 0, 0), 1);
}

}  // namespace
}  // namespace marksheet

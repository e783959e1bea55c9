// The canvas's drawing operations, reads, repaint semantics and dark-preserving shrink.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <set>
#include <thread>

#include "SheetCanvas.h"

namespace marksheet {
namespace {

constexpr CanvasColour Grey = 0x00C0C0C0;
constexpr CanvasColour Ink = 0x00102030;

// A canvas repainted once (no picture: background everywhere), then filled with ink so that
// every drawn pixel shows.
SheetCanvas& FilledCanvas(SheetCanvas& canvas) {
    canvas.Repaint();
    for (int y = 0; y < CanvasHeight; ++y)
        for (int x = 0; x < CanvasWidth; ++x) canvas.DrawPoint(x, y, Ink);
    return canvas;
}

std::set<std::pair<int, int>> ChangedPixels(SheetCanvas& canvas) {
    std::set<std::pair<int, int>> changed;
    for (int y = 0; y < CanvasHeight; ++y)
        for (int x = 0; x < CanvasWidth; ++x) {
            const CanvasColour c = canvas.ReadPixel(x, y);
            if (c != Ink) {
                EXPECT_EQ(c, PenColour) << "at " << x << "," << y;
                changed.insert({x, y});
            }
        }
    return changed;
}

TEST(SheetCanvas, ReadsOutsideTheCanvasGiveNoPixelAndDrawingsThereLeaveNoTrace) {
    SheetCanvas canvas(Grey);
    canvas.Repaint();
    for (auto [x, y] : {std::pair{-1, 0}, {400, 0}, {0, -1}, {0, 500}, {-100000, 7}}) {
        EXPECT_EQ(canvas.ReadPixel(x, y), NoPixelColour) << x << "," << y;
        canvas.DrawPoint(x, y, 0);
    }
    EXPECT_EQ(canvas.ReadPixel(0, 0), Grey);
    EXPECT_EQ(canvas.ReadPixel(399, 499), Grey);
}

TEST(SheetCanvas, PointReadsBackUnchanged) {
    SheetCanvas canvas(Grey);
    canvas.Repaint();
    canvas.DrawPoint(10, 20, 50);
    EXPECT_EQ(canvas.ReadPixel(10, 20), 50);
    canvas.DrawPoint(11, 20, 0x00FFFFFF);
    EXPECT_EQ(canvas.ReadPixel(11, 20), 0x00FFFFFF);
}

struct LineCase {
    const char* name;
    int x1, y1, x2, y2;
    int coveredFrom, coveredTo;  // inclusive range of the varying coordinate that may change
    bool vertical;
    friend void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }
};

class CanvasLine : public testing::TestWithParam<LineCase> {};

TEST_P(CanvasLine, CoversStartButNotEndAndLeavesGaps) {
    const LineCase& c = GetParam();
    SheetCanvas canvas(Grey);
    FilledCanvas(canvas).DrawLine(c.x1, c.y1, c.x2, c.y2);
    const auto changed = ChangedPixels(canvas);
    for (auto [x, y] : changed) {
        const int along = c.vertical ? y : x;
        const int across = c.vertical ? x : y;
        EXPECT_EQ(across, c.vertical ? c.x1 : c.y1);
        EXPECT_GE(along, c.coveredFrom);
        EXPECT_LE(along, c.coveredTo);
    }
    if (c.coveredFrom <= c.coveredTo) {
        // The line's own start pixel is painted: the pattern starts there.
        if (c.x1 >= 0 && c.y1 >= 0) {
            EXPECT_TRUE(changed.count({c.x1, c.y1})) << "start pixel";
        }
        // The dotted pen leaves gaps in any line longer than one run.
        if (c.coveredTo - c.coveredFrom + 1 > DotRun) {
            EXPECT_LT(changed.size(), static_cast<std::size_t>(c.coveredTo - c.coveredFrom + 1));
        }
    } else {
        EXPECT_TRUE(changed.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CanvasLine,
    testing::Values(LineCase{"RightwardsStopsBeforeEnd", 5, 7, 9, 7, 5, 8, false},
                    LineCase{"LeftwardsStopsBeforeEnd", 9, 7, 5, 7, 6, 9, false},
                    LineCase{"EqualEndsDrawNothing", 5, 7, 5, 7, 1, 0, false},
                    LineCase{"DownwardsStopsBeforeEnd", 30, 10, 30, 20, 10, 19, true},
                    LineCase{"UpwardsStopsBeforeEnd", 30, 20, 30, 10, 11, 20, true},
                    LineCase{"RunningOffTheCanvasIsClipped", 390, 5, 420, 5, 390, 399, false},
                    LineCase{"StartingOffTheCanvas", -10, 5, 5, 5, 0, 4, false},
                    LineCase{"BelowTheCanvasDrawsNothing", 10, 600, 30, 600, 1, 0, false}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(SheetCanvas, LinesStartTheirPatternAtTheirOwnStart) {
    // Two lines with the same end but different starts: each start pixel is painted.
    SheetCanvas canvas(Grey);
    FilledCanvas(canvas);
    canvas.DrawLine(10, 5, 20, 5);
    canvas.DrawLine(11, 6, 20, 6);
    EXPECT_EQ(canvas.ReadPixel(10, 5), PenColour);
    EXPECT_EQ(canvas.ReadPixel(11, 6), PenColour);
}

TEST(SheetCanvas, RectangleOutlinesColumnsLeftAndRightMinusOneRowsTopAndBottomMinusOne) {
    for (auto corners :
         {std::array{10, 10, 20, 30}, std::array{20, 30, 10, 10}, std::array{20, 10, 10, 30}}) {
        SheetCanvas canvas(Grey);
        FilledCanvas(canvas).DrawRectangle(corners[0], corners[1], corners[2], corners[3]);
        const auto changed = ChangedPixels(canvas);
        ASSERT_FALSE(changed.empty());
        for (auto [x, y] : changed) {
            EXPECT_TRUE(x == 10 || x == 19 || y == 10 || y == 29) << x << "," << y;
            EXPECT_TRUE(x >= 10 && x <= 19 && y >= 10 && y <= 29) << x << "," << y;
        }
        // Each side of the outline is painted somewhere, and the outline is dotted.
        auto onSide = [&](auto pred) {
            return std::count_if(changed.begin(), changed.end(),
                                 [&](auto p) { return pred(p.first, p.second); });
        };
        EXPECT_GT(onSide([](int x, int) { return x == 10; }), 0);
        EXPECT_GT(onSide([](int x, int) { return x == 19; }), 0);
        EXPECT_GT(onSide([](int, int y) { return y == 10; }), 0);
        EXPECT_GT(onSide([](int, int y) { return y == 29; }), 0);
        EXPECT_LT(changed.size(), 2u * (10 + 20) - 4);
    }
}

TEST(SheetCanvas, DrawingsStayUntilTheirAreaIsRepainted) {
    SheetCanvas canvas(Grey);
    canvas.Repaint();
    canvas.DrawPoint(10, 10, 0);
    canvas.DrawPoint(300, 300, 0);
    EXPECT_FALSE(canvas.RepaintPending());
    canvas.Invalidate({0, 0, 50, 50});
    EXPECT_EQ(canvas.ReadPixel(10, 10), 0) << "reads before the repaint see the drawing";
    EXPECT_EQ(canvas.Repaint(), (CanvasRect{0, 0, 50, 50}));
    EXPECT_EQ(canvas.ReadPixel(10, 10), Grey);
    EXPECT_EQ(canvas.ReadPixel(300, 300), 0) << "a drawing outside the repainted area stays";
    EXPECT_TRUE(canvas.Repaint().IsEmpty());
}

TEST(SheetCanvas, UndecodableBytesLeaveOnlyTheBackgroundThroughLaterRepaints) {
    const std::vector<std::uint8_t> sevenBytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J'};
    const std::string text = "This is a text file, not a picture.\n";
    const std::vector<std::vector<std::uint8_t>> inputs{
        {}, sevenBytes, std::vector<std::uint8_t>(text.begin(), text.end())};
    for (const auto& bytes : inputs) {
        SheetCanvas canvas(Grey);
        canvas.Repaint();
        canvas.DrawPoint(5, 5, 0);
        canvas.SetPicture(bytes);
        EXPECT_EQ(canvas.ReadPixel(5, 5), 0) << "the old drawing shows until the repaint";
        canvas.Repaint();
        EXPECT_TRUE(canvas.LastDecodeError().has_value());
        EXPECT_FALSE(canvas.Placement().has_value());
        canvas.Invalidate(WholeCanvas);
        canvas.Repaint();
        for (int y = 0; y < CanvasHeight; y += 7)
            for (int x = 0; x < CanvasWidth; x += 7) ASSERT_EQ(canvas.ReadPixel(x, y), Grey);
    }
}

TEST(SheetCanvas, ListenersHearOfDrawingsAndRepaintRequests) {
    SheetCanvas canvas(Grey);
    std::vector<CanvasRect> changes, repaints;
    canvas.SetChangeListener([&](CanvasRect r) { changes.push_back(r); });
    canvas.SetRepaintListener([&](CanvasRect r) { repaints.push_back(r); });
    canvas.Repaint();
    canvas.DrawPoint(3, 4, 0);
    canvas.DrawLine(10, 10, 20, 10);
    canvas.SetPicture({});
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0], WholeCanvas);
    EXPECT_EQ(changes[1], (CanvasRect{3, 4, 1, 1}));
    EXPECT_EQ(changes[2].y, 10);
    EXPECT_GE(changes[2].x, 10);
    EXPECT_LE(changes[2].x + changes[2].width, 20);
    ASSERT_EQ(repaints.size(), 1u);
    EXPECT_EQ(repaints[0], WholeCanvas);
}

TEST(SheetCanvas, ConcurrentReadsSeeWholeColoursOnly) {
    SheetCanvas canvas(Grey);
    canvas.Repaint();
    std::atomic<bool> stop{false};
    std::thread drawer([&] {
        for (int i = 0; i < 20000; ++i) {
            canvas.DrawPoint(7, 7, i % 2 ? 0x00010203 : 0x00F0E0D0);
            canvas.DrawLine(0, 8, 399, 8);
        }
        stop = true;
    });
    while (!stop) {
        const CanvasColour c = canvas.ReadPixel(7, 7);
        ASSERT_TRUE(c == Grey || c == 0x00010203 || c == 0x00F0E0D0) << std::hex << c;
    }
    drawer.join();
}

TEST(ShrinkKeepingDark, ThinDarkLinesSurviveAShrink) {
    // A 7 x 7 white picture with a one-pixel dark column and row, shrunk to 2 x 2.
    Picture picture{7, 7, std::vector<CanvasColour>(49, 0x00FFFFFF)};
    for (int i = 0; i < 7; ++i) {
        picture.pixels[3 * 7 + i] = 0x00050A0F;  // row 3
        picture.pixels[i * 7 + 5] = 0x00000000;  // column 5
    }
    const auto shrunk = ShrinkKeepingDark(picture, 2, 2);
    // Source columns of shown column 0: 0..3, of shown column 1: 3..6; likewise rows.
    EXPECT_EQ(shrunk[0], 0x00050A0F);
    EXPECT_EQ(shrunk[1], 0x00000000);
    EXPECT_EQ(shrunk[2], 0x00050A0F);
    EXPECT_EQ(shrunk[3], 0x00000000);
}

TEST(ShrinkKeepingDark, TakesTheMinimumPerChannel) {
    Picture picture{2, 1, {0x00FF0010, 0x000080FF}};
    EXPECT_EQ(ShrinkKeepingDark(picture, 1, 1), std::vector<CanvasColour>{0x00000010});
}

// The shrink folds rows as they are decoded; it must give exactly the minimum over each shown
// pixel's source box, for ratios whose boxes overlap by a row or column, for narrow strips and for
// a picture of the canvas's own size.
TEST(ShrinkKeepingDark, RowByRowGivesTheMinimumOverEverySourceBox) {
    struct Case {
        int sourceWidth, sourceHeight, width, height;
    };
    const Case cases[] = {
        {7, 7, 2, 2}, {1654, 23, 353, 5}, {101, 97, 40, 33}, {9, 400, 1, 31}, {400, 500, 400, 500}};
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    for (const Case& c : cases) {
        Picture picture{c.sourceWidth, c.sourceHeight, {}};
        for (int i = 0; i < c.sourceWidth * c.sourceHeight; ++i)
            picture.pixels.push_back(static_cast<CanvasColour>(next() >> 8));  // top byte zero
        const auto shrunk = ShrinkKeepingDark(picture, c.width, c.height);
        ASSERT_EQ(shrunk.size(), static_cast<std::size_t>(c.width) * c.height);
        auto span = [](int i, int shown, int source) {
            const int begin = static_cast<int>(static_cast<std::int64_t>(i) * source / shown);
            const int end = static_cast<int>((static_cast<std::int64_t>(i + 1) * source + shown - 1) / shown);
            return std::pair{begin, std::clamp(end, begin + 1, source)};
        };
        for (int oy = 0; oy < c.height; ++oy)
            for (int ox = 0; ox < c.width; ++ox) {
                const auto [x0, x1] = span(ox, c.width, c.sourceWidth);
                const auto [y0, y1] = span(oy, c.height, c.sourceHeight);
                std::uint32_t minimum[3] = {255, 255, 255};
                for (int y = y0; y < y1; ++y)
                    for (int x = x0; x < x1; ++x)
                        for (int k = 0; k < 3; ++k)
                            minimum[k] = std::min<std::uint32_t>(
                                minimum[k],
                                (static_cast<std::uint32_t>(picture.pixels[y * c.sourceWidth + x]) >>
                                 (8 * k)) &
                                    0xFF);
                const auto expected =
                    static_cast<CanvasColour>(minimum[0] | minimum[1] << 8 | minimum[2] << 16);
                ASSERT_EQ(shrunk[oy * c.width + ox], expected)
                    << c.sourceWidth << "x" << c.sourceHeight << " to " << c.width << "x" << c.height
                    << " at " << ox << "," << oy;
            }
    }
}

}  // namespace
}  // namespace marksheet

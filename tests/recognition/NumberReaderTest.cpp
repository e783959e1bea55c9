// The number grid reader: digits from the darkest row per column, ties, blank grids, the marker,
// and what a later recognition reuses.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "ReadingChecks.h"
#include "SheetDrawing.h"

namespace marksheet {
namespace {

using namespace testing;

TEST(NumberReader, ReadsTheDarkestRowOfEachColumn) {
    Sheet sheet;
    DrawNumberMarks(*sheet.canvas, NumberEdges, {3, 1, 4, 1, 5, 9, 2, 6, 5});
    const NumberReading reading = sheet.reader.ReadNumberGrid();
    EXPECT_EQ(reading.text, "203048154");
    EXPECT_EQ(sheet.sink.Text(ResultBox::Number), "203048154");
    EXPECT_EQ(sheet.sink.Appends(ResultBox::Number),
              (std::vector<std::string>{"2", "0", "3", "0", "4", "8", "1", "5", "4"}));
    EXPECT_TRUE(sheet.sink.Appends(ResultBox::Answers).empty());
    EXPECT_EQ(reading.digits, (std::array<int, 9>{2, 0, 3, 0, 4, 8, 1, 5, 4}));
    EXPECT_TRUE(reading.topLeftFound && reading.bottomRightFound);
    EXPECT_EQ(reading.grid, (RegionGrid{195, 40, 375, 190, 20, 15}));
    // A filled 20 x 15 cell shows 6 x 4 dark samples inside its white edges; every other cell none.
    for (int c = 0; c < 9; ++c)
        for (int r = 0; r < 10; ++r)
            EXPECT_EQ(reading.counts[c][r], r == reading.digits[c] ? 24 : 0) << c << r;
    // The column edge advanced in a local: the record keeps the left edge as located.
    EXPECT_EQ(sheet.reader.NumberGridRecord(), reading.grid);
    EXPECT_TRUE(FindBlankColumns(reading).empty());
    EXPECT_TRUE(FindTiedColumns(reading).empty());
}

TEST(NumberReader, DigitOfOneColumn) {
    struct Case {
        const char* name;
        std::vector<int> filledRows;
        int digit;
        bool blank, tied;
    };
    const Case cases[] = {
        {"TieGoesToTheUpperRow", {4, 7}, 3, false, true},
        {"NoInkGivesZero", {}, 0, true, false},
        {"TopRowGivesZero", {1}, 0, false, false},
        {"BottomRowGivesNine", {10}, 9, false, false},
        {"AllRowsTiedGiveZero", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sheet sheet;
        DrawNumberMarks(*sheet.canvas, NumberEdges, {});
        const RegionGrid located = LocatedNumber(NumberEdges);
        for (int row : c.filledRows) FillCell(*sheet.canvas, located, 4, row);
        const NumberReading reading = sheet.reader.ReadNumberGrid();
        EXPECT_EQ(reading.digits[3], c.digit);
        EXPECT_EQ(reading.text, "000" + std::to_string(c.digit) + "00000");
        EXPECT_EQ(FindTiedColumns(reading), c.tied ? std::vector<int>{4} : std::vector<int>{});
        std::vector<int> blank{1, 2, 3, 5, 6, 7, 8, 9};
        if (c.blank) blank.insert(blank.begin() + 3, 4);
        EXPECT_EQ(FindBlankColumns(reading), blank);
    }
}

TEST(NumberReader, GridNeverFoundReadsNineZeros) {
    Sheet sheet;
    sheet.canvas->DrawPoint(0, 0, Black);  // the one pixel every cell box comes down to
    const NumberReading reading = sheet.reader.ReadNumberGrid();
    EXPECT_EQ(reading.text, "000000000");
    EXPECT_FALSE(reading.topLeftFound || reading.bottomRightFound);
    EXPECT_EQ(reading.counts[0][0], 1);  // read before the marker covered it
    EXPECT_EQ(reading.counts[0][1], 0);
    EXPECT_EQ(sheet.canvas->ReadPixel(0, 0), CellMarkerColour);
}

TEST(NumberReader, OnlyTopLeftFoundCountsNothing) {
    Sheet sheet;
    DrawCornerMark(*sheet.canvas, NumberTopLeftScan, 180, 40);
    FillBox(*sheet.canvas, 100, 10, 195, 40);  // ink up and to the left of the corner
    const NumberReading reading = sheet.reader.ReadNumberGrid();
    EXPECT_EQ(reading.text, "000000000");
    EXPECT_EQ(reading.grid, (RegionGrid{195, 40, 0, 0, -21, -4}));
    EXPECT_EQ(FindBlankColumns(reading).size(), 9u);
}

TEST(NumberReader, MarkerIsSetAfterEachColumnsFirstCell) {
    Sheet sheet;
    DrawNumberMarks(*sheet.canvas, NumberEdges, {1, 1, 1, 1, 1, 1, 1, 1, 1});
    RecordingSurface surface(sheet.canvas.get());
    SheetReader reader(surface, sheet.sink);
    reader.ReadNumberGrid();
    const auto ops = surface.Ops();
    // After the overlay: per column, ten times "count one cell, then set the marker".
    const auto firstPoint =
        std::find_if(ops.begin(), ops.end(), [](const SurfaceOp& op) { return op.kind == SurfaceOp::Point; });
    ASSERT_NE(firstPoint, ops.end());
    EXPECT_EQ(*firstPoint, (SurfaceOp{SurfaceOp::Point, 195, 40, 0, 0, CellMarkerColour}));
    EXPECT_EQ(*(firstPoint - 1), (SurfaceOp{SurfaceOp::Read, 195 + 18, 40 + 15}));  // last sample of cell 1
    int points = 0;
    for (const SurfaceOp& op : ops)
        if (op.kind == SurfaceOp::Point) {
            EXPECT_EQ(op.x1, 195 + (points / 10) * 20);
            EXPECT_EQ(op.y1, 40);
            ++points;
        }
    EXPECT_EQ(points, 90);
    for (int c = 0; c < 9; ++c) EXPECT_EQ(sheet.canvas->ReadPixel(195 + 20 * c, 40), CellMarkerColour);
}

TEST(NumberReader, SecondRecognitionBeforeARepaintReadsTheSame) {
    Sheet sheet;
    DrawNumberMarks(*sheet.canvas, NumberEdges, {3, 1, 4, 1, 5, 9, 2, 6, 5});
    const NumberReading first = sheet.reader.ReadNumberGrid();
    const NumberReading second = sheet.reader.ReadNumberGrid();
    EXPECT_EQ(second.text, first.text);
    EXPECT_EQ(second.counts, first.counts);
    EXPECT_EQ(second.grid, first.grid);
    EXPECT_EQ(sheet.sink.Text(ResultBox::Number), "203048154203048154");
}

TEST(NumberReader, SheetWithoutMarksReusesTheGridWhereItWasLastFound) {
    Sheet sheet;
    DrawNumberMarks(*sheet.canvas, NumberEdges, {3, 1, 4, 1, 5, 9, 2, 6, 5});
    sheet.reader.ReadNumberGrid();
    // The next sheet has ink in the same cells but no corner marks (rows away from the scan windows).
    sheet.canvas->Invalidate(WholeCanvas);
    sheet.canvas->Repaint();
    const RegionGrid located = LocatedNumber(NumberEdges);
    const int rows[9] = {4, 5, 6, 7, 8, 9, 4, 5, 4};
    for (int c = 0; c < 9; ++c) FillCell(*sheet.canvas, located, c + 1, rows[c]);
    const NumberReading reading = sheet.reader.ReadNumberGrid();
    EXPECT_FALSE(reading.topLeftFound || reading.bottomRightFound);
    EXPECT_EQ(reading.grid.left, 195);  // not 195 + 8 x 20
    EXPECT_EQ(reading.text, "345678343");
}

TEST(NumberReader, OverlappingReadingsRunOneAfterTheOther) {
    Sheet sheet;
    DrawNumberMarks(*sheet.canvas, NumberEdges, {3, 1, 4, 1, 5, 9, 2, 6, 5});
    std::thread a([&] { sheet.reader.ReadNumberGrid(); });
    std::thread b([&] { sheet.reader.ReadNumberGrid(); });
    a.join();
    b.join();
    EXPECT_EQ(sheet.sink.Text(ResultBox::Number), "203048154203048154");
}

// The window carries out a worker's append on its main thread while the worker waits; the main
// thread may look at the records meanwhile and must not wait for the reading in turn.
class SinkThatLooksAtTheRecords final : public TextSink {
public:
    SheetReader* reader = nullptr;
    std::vector<RegionGrid> seen;
    void Append(ResultBox, std::string_view) override {
        auto promise = std::make_shared<std::promise<RegionGrid>>();
        std::future<RegionGrid> record = promise->get_future();
        std::thread([promise, r = reader] { promise->set_value(r->NumberGridRecord()); }).detach();
        ASSERT_EQ(record.wait_for(std::chrono::seconds(10)), std::future_status::ready)
            << "records wait for the reading";
        seen.push_back(record.get());
    }
};

TEST(NumberReader, RecordsCanBeReadWhileTheSinkHoldsTheReader) {
    auto canvas = WhiteCanvas();
    DrawNumberMarks(*canvas, NumberEdges, {3, 1, 4, 1, 5, 9, 2, 6, 5});
    SinkThatLooksAtTheRecords sink;
    SheetReader reader(*canvas, sink);
    sink.reader = &reader;
    reader.ReadNumberGrid();
    ASSERT_EQ(sink.seen.size(), 9u);
    EXPECT_EQ(sink.seen.back(), (RegionGrid{195, 40, 375, 190, 20, 15}));
}

}  // namespace
}  // namespace marksheet

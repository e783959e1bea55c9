// The answer grid reader: block order, letters per question, ties, the stop after the first
// block without a letter, and both readers running at once on one sheet.
#include <gtest/gtest.h>

#include <thread>

#include "ReadingChecks.h"
#include "SheetDrawing.h"

namespace marksheet {
namespace {

using namespace testing;

// Draws the answer grid's corners and fills rows[q - 1] (0 = nothing) for question q.
void DrawAnswers(SheetSurface& surface, const RegionGrid& edges, const std::vector<int>& rows) {
    DrawGridCorners(surface, AnswerTopLeftScan, AnswerBottomRightScan, edges);
    const RegionGrid located = LocatedAnswer(edges);
    for (int q = 1; q <= static_cast<int>(rows.size()); ++q)
        if (rows[static_cast<std::size_t>(q - 1)] > 0)
            FillAnswer(surface, located, q, rows[static_cast<std::size_t>(q - 1)]);
}

TEST(AnswerReader, FirstBlockLettersThenStopAtTheBlankSecondBlock) {
    Sheet sheet;
    DrawAnswers(*sheet.canvas, AnswerEdges, {2, 6, 1, 4, 3});
    const AnswerReading reading = sheet.reader.ReadAnswerGrid();
    EXPECT_EQ(reading.text, "AECB");  // the third question, darkest in row 1, gives no letter
    EXPECT_EQ(sheet.sink.Appends(ResultBox::Answers), (std::vector<std::string>{"AECB", ""}));
    EXPECT_TRUE(sheet.sink.Appends(ResultBox::Number).empty());
    EXPECT_EQ(reading.blocksRead, 2);
    EXPECT_EQ(reading.stoppedAfterBlock, 2);
    EXPECT_EQ(reading.blockTexts[0], "AECB");
    EXPECT_EQ(reading.grid, (RegionGrid{15, 137, 385, 497, 16, 11}));
    EXPECT_EQ((std::vector<int>(reading.rows.begin(), reading.rows.begin() + 11)),
              (std::vector<int>{2, 6, 1, 4, 3, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(sheet.reader.AnswerGridRecord(), reading.grid);
}

// A letter pattern that differs from block to block, so the text shows the order of the blocks.
std::vector<int> AllAnswered(int lastOptionRow) {
    std::vector<int> rows;
    for (int q = 1; q <= QuestionCount; ++q) rows.push_back(2 + (q * 7 + q / 5) % (lastOptionRow - 1));
    return rows;
}

std::string Letters(const std::vector<int>& rows) {
    std::string text;
    for (int row : rows) text += OptionLetter(row);
    return text;
}

TEST(AnswerReader, AllHundredQuestionsInBlockOrder) {
    Sheet sheet;
    const std::vector<int> rows = AllAnswered(6);
    DrawAnswers(*sheet.canvas, SheetAnswerEdges, rows);
    const AnswerReading reading = sheet.reader.ReadAnswerGrid();
    EXPECT_EQ(reading.text, Letters(rows));
    EXPECT_EQ(reading.text.size(), 100u);
    const auto appends = sheet.sink.Appends(ResultBox::Answers);
    ASSERT_EQ(appends.size(), 20u);
    for (const std::string& text : appends) EXPECT_EQ(text.size(), 5u);
    EXPECT_EQ(reading.blocksRead, 20);
    EXPECT_FALSE(reading.stoppedAfterBlock);
    EXPECT_TRUE(FindBlocksLeftUnread(*sheet.canvas, reading).empty());
    // Markers at every question column's top-left: block rows 7 rows apart, block columns 6 apart.
    const RegionGrid& g = reading.grid;
    EXPECT_EQ(g, (RegionGrid{15, 187, 385, 481, 16, 9}));
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j)
            for (int q = 0; q < 5; ++q)
                EXPECT_EQ(sheet.canvas->ReadPixel(g.left + (6 * j + q) * g.columnWidth,
                                                  g.top + 7 * i * g.rowHeight),
                          CellMarkerColour)
                    << i << j << q;
}

TEST(AnswerReader, BlocksStartWhereTheGapsSayAndAreReadInOrder) {
    auto canvas = WhiteCanvas();
    DrawAnswers(*canvas, SheetAnswerEdges, AllAnswered(6));
    RecordingSurface surface(canvas.get());
    RecordingSink sink;
    SheetReader reader(surface, sink);
    reader.ReadAnswerGrid();
    // The first read after each question column's marker run is the next column's top-left sample.
    std::vector<std::pair<int, int>> columnStarts;
    bool afterPoint = true;
    bool overlayDone = false;
    for (const SurfaceOp& op : surface.Ops()) {
        if (op.kind == SurfaceOp::Line || op.kind == SurfaceOp::Rectangle) overlayDone = true;
        if (!overlayDone) continue;
        if (op.kind == SurfaceOp::Point)
            afterPoint = true;
        else if (op.kind == SurfaceOp::Read && afterPoint) {
            columnStarts.emplace_back(op.x1, op.y1);
            afterPoint = false;
        }
    }
    // Counting only the first read of each new column: markers come once per cell, so keep each sixth.
    std::vector<std::pair<int, int>> firstCells;
    for (std::size_t n = 0; n < columnStarts.size(); n += 6) firstCells.push_back(columnStarts[n]);
    ASSERT_EQ(firstCells.size(), 100u);
    const int left = 15, top = 187, cw = 16, rh = 9;
    EXPECT_EQ(firstCells[0], std::make_pair(left, top));
    EXPECT_EQ(firstCells[5 * 3], std::make_pair(left + 18 * cw, top));  // block column 4
    EXPECT_EQ(firstCells[5 * 4], std::make_pair(left, top + 7 * rh));   // block row 2
    EXPECT_EQ(firstCells[5 * 8], std::make_pair(left, top + 14 * rh));  // block row 3
    EXPECT_EQ(firstCells[5 * 16 + 4],
              std::make_pair(left + 4 * cw, top + 28 * rh));  // block row 5, question 5
}

TEST(AnswerReader, ReadingStopsAfterTheFirstBlockWithoutALetter) {
    Sheet sheet;
    std::vector<int> rows = AllAnswered(6);
    for (int q = 11; q <= 15; ++q) rows[static_cast<std::size_t>(q - 1)] = 0;   // block 3 blank
    rows[15 * 5 - 1] = 0;                                                       // block 15 short of one
    for (int q = 96; q <= 100; ++q) rows[static_cast<std::size_t>(q - 1)] = 1;  // block 20: number rows only
    DrawAnswers(*sheet.canvas, SheetAnswerEdges, rows);
    const AnswerReading reading = sheet.reader.ReadAnswerGrid();
    EXPECT_EQ(reading.text, Letters({rows.begin(), rows.begin() + 10}));
    EXPECT_EQ(sheet.sink.Appends(ResultBox::Answers).size(), 3u);
    EXPECT_EQ(sheet.sink.Appends(ResultBox::Answers).back(), "");
    EXPECT_EQ(reading.stoppedAfterBlock, 3);
    for (int q = 11; q <= 100; ++q) EXPECT_EQ(reading.rows[static_cast<std::size_t>(q - 1)], 0) << q;
    // Block 4 was never read: no marker at its first question column.
    EXPECT_NE(sheet.canvas->ReadPixel(15 + 18 * 16, 187), CellMarkerColour);
    EXPECT_EQ(sheet.canvas->ReadPixel(15 + 12 * 16, 187), CellMarkerColour);
    RecordingSurface surface(sheet.canvas.get());
    std::vector<int> unread = FindBlocksLeftUnread(surface, reading);
    std::vector<int> expected;
    for (int b = 4; b <= 19; ++b) expected.push_back(b);
    EXPECT_EQ(unread, expected);  // block 20 holds no option mark
    EXPECT_TRUE(surface.Drawings().empty());
}

TEST(AnswerReader, LetterOfOneQuestion) {
    struct Case {
        const char* name;
        std::vector<int> filledRows;
        const char* text;
        int row;
    };
    const Case cases[] = {
        {"TieGoesToTheUpperRow", {3, 5}, "B", 3},
        {"NumberRowDarkestGivesNoLetter", {1}, "", 1},
        {"NumberRowTiedWithAnOptionGivesNoLetter", {1, 4}, "", 1},
        {"OptionE", {6}, "E", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sheet sheet;
        DrawAnswers(*sheet.canvas, AnswerEdges, {0, 2});
        const RegionGrid located = LocatedAnswer(AnswerEdges);
        for (int row : c.filledRows) FillAnswer(*sheet.canvas, located, 1, row);
        const AnswerReading reading = sheet.reader.ReadAnswerGrid();
        EXPECT_EQ(reading.text, std::string(c.text) + "A");
        EXPECT_EQ(reading.rows[0], c.row);
        EXPECT_EQ(FindTiedQuestions(reading),
                  c.filledRows.size() > 1 ? std::vector<int>{1} : std::vector<int>{});
    }
}

TEST(AnswerReader, BlankSheetAppendsNothingAndReadsOneBlock) {
    struct Case {
        const char* name;
        bool corners;
    };
    for (const Case c : {Case{"MarksFound", true}, Case{"GridNeverFound", false}}) {
        SCOPED_TRACE(c.name);
        Sheet sheet;
        if (c.corners) DrawAnswers(*sheet.canvas, AnswerEdges, {});
        const AnswerReading reading = sheet.reader.ReadAnswerGrid();
        EXPECT_EQ(reading.text, "");
        EXPECT_EQ(sheet.sink.Appends(ResultBox::Answers), std::vector<std::string>{""});
        EXPECT_EQ(reading.blocksRead, 1);
        EXPECT_EQ(reading.stoppedAfterBlock, 1);
        EXPECT_EQ(reading.topLeftFound, c.corners);
    }
}

TEST(AnswerReader, SecondRecognitionBeforeARepaintReadsTheSame) {
    Sheet sheet;
    DrawAnswers(*sheet.canvas, SheetAnswerEdges, AllAnswered(6));
    const AnswerReading first = sheet.reader.ReadAnswerGrid();
    const AnswerReading second = sheet.reader.ReadAnswerGrid();
    EXPECT_EQ(second.text, first.text);
    EXPECT_EQ(second.counts, first.counts);
    EXPECT_EQ(sheet.sink.Text(ResultBox::Answers), first.text + first.text);
}

TEST(SheetReader, BothReadersAtOnceOnOneSheet) {
    Sheet sheet;
    DrawNumberMarks(*sheet.canvas, SheetNumberEdges, {3, 1, 4, 1, 5, 9, 2, 6, 5});
    const std::vector<int> rows = AllAnswered(6);
    DrawAnswers(*sheet.canvas, SheetAnswerEdges, rows);
    for (int round = 0; round < 2; ++round) {
        NumberReading number;
        AnswerReading answers;
        std::thread numberWorker([&] { number = sheet.reader.ReadNumberGrid(); });
        std::thread answerWorker([&] { answers = sheet.reader.ReadAnswerGrid(); });
        numberWorker.join();
        answerWorker.join();
        EXPECT_EQ(number.text, "203048154");
        EXPECT_EQ(answers.text, Letters(rows));
    }
}

}  // namespace
}  // namespace marksheet

// The two grid readers: locate a grid, score its cells, append what they read.
#include "SheetReader.h"

#include "Brightness.h"
#include "GridGeometry.h"

namespace marksheet {

std::string_view OptionLetter(int row) {
    switch (row) {
        case 2:
            return "A";
        case 3:
            return "B";
        case 4:
            return "C";
        case 5:
            return "D";
        case 6:
            return "E";
        default:
            return "";
    }
}

SheetReader::SheetReader(SheetSurface& surface, TextSink& sink) : surface(surface), sink(sink) {}

RegionGrid SheetReader::NumberGridRecord() const {
    std::lock_guard guard(recordLock);
    return numberGrid;
}

RegionGrid SheetReader::AnswerGridRecord() const {
    std::lock_guard guard(recordLock);
    return answerGrid;
}

NumberReading SheetReader::ReadNumberGrid() {
    std::lock_guard guard(numberLock);
    NumberReading reading;
    // Only a number reading writes numberGrid, and it holds numberLock, so the record can be read
    // here without recordLock; it is written back under it for NumberGridRecord.
    RegionGrid grid = numberGrid;
    const CornerFinds finds = LocateNumberGrid(surface, grid);
    {
        std::lock_guard recordGuard(recordLock);
        numberGrid = grid;
    }
    reading.topLeftFound = finds.topLeft;
    reading.bottomRightFound = finds.bottomRight;
    reading.grid = grid;

    // The column edge advances in a local: the record keeps the left edge as located, so a later
    // recognition that misses the top-left mark reads the grid where it was last found rather than
    // eight columns further right.
    int columnLeft = grid.left;
    for (int column = 1; column <= NumberColumns; ++column) {
        if (column > 1) columnLeft += grid.columnWidth;
        int bestDigit = 0;
        int bestCount = 0;
        for (int row = 1; row <= NumberRows; ++row) {
            const int count =
                CountDarkSamples(surface, columnLeft, grid.top + (row - 1) * grid.rowHeight,
                                 columnLeft + grid.columnWidth, grid.top + row * grid.rowHeight);
            // The marker shows the user which column is being read; it is set after the top cell
            // was counted, so it never stands in for ink of this reading.
            surface.DrawPoint(columnLeft, grid.top, CellMarkerColour);
            reading.counts[column - 1][row - 1] = count;
            if (count > bestCount) {  // ties stay with the upper row
                bestCount = count;
                bestDigit = row - 1;
            }
        }
        reading.digits[column - 1] = bestDigit;
        const std::string digit = std::to_string(bestDigit);
        sink.Append(ResultBox::Number, digit);
        reading.text += digit;
    }
    return reading;
}

namespace {

// Reads the five question columns of one block from the block's top-left cell corner and returns
// their letters; counts and winning rows go to the reading under the block's question numbers.
std::string ReadAnswerBlock(SheetSurface& surface, const RegionGrid& grid, int blockLeft, int blockTop,
                            int block, AnswerReading& reading) {
    std::string text;
    int columnLeft = blockLeft;
    for (int q = 1; q <= QuestionsPerBlock; ++q) {
        if (q > 1) columnLeft += grid.columnWidth;
        const int question = (block - 1) * QuestionsPerBlock + q;
        int bestRow = 0;
        int bestCount = 0;
        for (int k = 1; k <= AnswerOptionRows; ++k) {
            const int count = CountDarkSamples(surface, columnLeft, blockTop + (k - 1) * grid.rowHeight,
                                               columnLeft + grid.columnWidth, blockTop + k * grid.rowHeight);
            surface.DrawPoint(columnLeft, blockTop, CellMarkerColour);
            reading.counts[question - 1][k - 1] = count;
            if (count > bestCount) {  // ties stay with the upper row
                bestCount = count;
                bestRow = k;
            }
        }
        reading.rows[question - 1] = bestRow;
        text += OptionLetter(bestRow);
    }
    return text;
}

}  // namespace

AnswerReading SheetReader::ReadAnswerGrid() {
    std::lock_guard guard(answerLock);
    AnswerReading reading;
    RegionGrid grid = answerGrid;  // as for the number grid
    const CornerFinds finds = LocateAnswerGrid(surface, grid);
    {
        std::lock_guard recordGuard(recordLock);
        answerGrid = grid;
    }
    reading.topLeftFound = finds.topLeft;
    reading.bottomRightFound = finds.bottomRight;
    reading.grid = grid;

    for (int i = 1; i <= AnswerBlockRows; ++i) {
        // Each block is its cells plus one unread gap row below and gap column to the right.
        const int blockTop = grid.top + (i - 1) * (AnswerOptionRows + 1) * grid.rowHeight;
        for (int j = 1; j <= AnswerBlockColumns; ++j) {
            const int blockLeft = grid.left + (j - 1) * (QuestionsPerBlock + 1) * grid.columnWidth;
            const int block = (i - 1) * AnswerBlockColumns + j;
            std::string text = ReadAnswerBlock(surface, grid, blockLeft, blockTop, block, reading);
            sink.Append(ResultBox::Answers, text);
            reading.text += text;
            reading.blocksRead = block;
            const bool empty = text.empty();
            reading.blockTexts[block - 1] = std::move(text);
            // The sheet is read up to its first block without any letter; what follows is left.
            if (empty) {
                reading.stoppedAfterBlock = block;
                return reading;
            }
        }
    }
    return reading;
}

}  // namespace marksheet

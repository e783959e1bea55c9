// The two grid readers: locate a grid, score its cells, append what they read.
#include "SheetReader.h"

#include <algorithm>
#include <span>

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

namespace {

// Scores one column of cells from the top down, each cell the box from (columnLeft, top + (row - 1)
// x rowHeight) to (columnLeft + columnWidth, top + row x rowHeight), and returns the row (from 1)
// with the most dark samples, ties staying with the upper row; 0 when no cell has any. Each count
// goes to counts. The marker shows the user which column is being read; it is set after each count,
// so from the top cell's count on it never stands in for ink of this reading.
int DarkestRow(SheetSurface& surface, const RegionGrid& grid, int columnLeft, int top,
               std::span<int> counts) {
    int bestRow = 0;
    int bestCount = 0;
    for (int row = 1; row <= static_cast<int>(counts.size()); ++row) {
        const int count = CountDarkSamples(surface, columnLeft, top + (row - 1) * grid.rowHeight,
                                           columnLeft + grid.columnWidth, top + row * grid.rowHeight);
        surface.DrawPoint(columnLeft, top, CellMarkerColour);
        counts[static_cast<std::size_t>(row - 1)] = count;
        if (count > bestCount) {
            bestCount = count;
            bestRow = row;
        }
    }
    return bestRow;
}

}  // namespace

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
        // Row 1 stands for the digit 0, as does a column without ink.
        const int bestDigit =
            std::max(DarkestRow(surface, grid, columnLeft, grid.top, reading.counts[column - 1]) - 1, 0);
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
        const int bestRow = DarkestRow(surface, grid, columnLeft, blockTop, reading.counts[question - 1]);
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

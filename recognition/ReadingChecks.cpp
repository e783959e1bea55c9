// Checks over a finished reading: blank and tied columns, tied questions, answers left unread.
#include "ReadingChecks.h"

#include <algorithm>

#include "Brightness.h"

namespace marksheet {

namespace {

// True when the highest count of a column is above 0 and shared by at least two rows.
template <typename Counts>
bool IsTie(const Counts& counts) {
    const int best = *std::max_element(counts.begin(), counts.end());
    return best > 0 && std::count(counts.begin(), counts.end(), best) > 1;
}

}  // namespace

std::vector<int> FindBlankColumns(const NumberReading& reading) {
    std::vector<int> columns;
    for (int c = 0; c < NumberColumns; ++c) {
        const auto& counts = reading.counts[c];
        if (std::all_of(counts.begin(), counts.end(), [](int n) { return n == 0; })) columns.push_back(c + 1);
    }
    return columns;
}

std::vector<int> FindTiedColumns(const NumberReading& reading) {
    std::vector<int> columns;
    for (int c = 0; c < NumberColumns; ++c)
        if (IsTie(reading.counts[c])) columns.push_back(c + 1);
    return columns;
}

std::vector<int> FindTiedQuestions(const AnswerReading& reading) {
    std::vector<int> questions;
    const int questionsRead = reading.blocksRead * QuestionsPerBlock;
    for (int q = 0; q < questionsRead && q < QuestionCount; ++q)
        if (IsTie(reading.counts[q])) questions.push_back(q + 1);
    return questions;
}

std::vector<int> FindBlocksLeftUnread(SheetSurface& surface, const AnswerReading& reading) {
    std::vector<int> blocks;
    if (!reading.stoppedAfterBlock) return blocks;
    const RegionGrid& grid = reading.grid;
    for (int block = std::max(*reading.stoppedAfterBlock + 1, 1); block <= AnswerBlockCount; ++block) {
        const int i = (block - 1) / AnswerBlockColumns + 1;
        const int j = (block - 1) % AnswerBlockColumns + 1;
        const int blockTop = grid.top + (i - 1) * (AnswerOptionRows + 1) * grid.rowHeight;
        const int blockLeft = grid.left + (j - 1) * (QuestionsPerBlock + 1) * grid.columnWidth;
        bool answered = false;
        for (int q = 1; q <= QuestionsPerBlock && !answered; ++q) {
            const int columnLeft = blockLeft + (q - 1) * grid.columnWidth;
            int bestRow = 0;
            int bestCount = 0;
            for (int k = 1; k <= AnswerOptionRows; ++k) {
                const int count =
                    CountDarkSamples(surface, columnLeft, blockTop + (k - 1) * grid.rowHeight,
                                     columnLeft + grid.columnWidth, blockTop + k * grid.rowHeight);
                if (count > bestCount) {
                    bestCount = count;
                    bestRow = k;
                }
            }
            answered = bestRow >= 2;
        }
        if (answered) blocks.push_back(block);
    }
    return blocks;
}

}  // namespace marksheet

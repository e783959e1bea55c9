// Checks over finished readings that do not need a sheet.
#include <gtest/gtest.h>

#include "ReadingChecks.h"

namespace marksheet {
namespace {

TEST(ReadingChecks, TiedAndBlankColumnsFromCounts) {
    NumberReading reading;
    reading.counts[0] = {0, 5, 0, 0, 5, 0, 0, 0, 0, 0};  // tie
    reading.counts[1] = {0, 5, 0, 0, 4, 0, 0, 0, 0, 0};  // clear
    reading.counts[2] = {};                              // blank
    for (int c = 3; c < 9; ++c) reading.counts[c][9] = 1;
    EXPECT_EQ(FindTiedColumns(reading), std::vector<int>{1});
    EXPECT_EQ(FindBlankColumns(reading), std::vector<int>{3});
}

TEST(ReadingChecks, TiedQuestionsOnlyAmongBlocksRead) {
    AnswerReading reading;
    reading.blocksRead = 1;
    reading.counts[2] = {0, 3, 3, 0, 0, 0};
    reading.counts[7] = {0, 3, 3, 0, 0, 0};  // block 2, not read
    EXPECT_EQ(FindTiedQuestions(reading), std::vector<int>{3});
}

}  // namespace
}  // namespace marksheet

// The built-in sample sheet reads as its sidecar file says, alone and with both readers at once.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <thread>

#include "ReadingChecks.h"
#include "SampleExpectations.h"
#include "SampleSheet.h"
#include "SheetDrawing.h"

namespace marksheet {
namespace {

using namespace testing;


std::unique_ptr<SheetCanvas> SampleCanvas() {
    auto canvas = std::make_unique<SheetCanvas>(0x00F0F0F0);
    canvas->SetPicture(SampleSheetBytes());
    canvas->Repaint();
    return canvas;
}

TEST(SampleSheet, ReadsTheExpectedNumberAndAnswers) {
    const char* path = MARKSHEET_SAMPLE_EXPECTED;
    if (!std::ifstream(path)) GTEST_SKIP() << "no expectations for the sample sheet at " << path;
    const auto expected = ReadSampleExpectations(path);
    ASSERT_TRUE(expected.count("number") && expected.count("answers"))
        << path << " needs number= and answers=";

    // One reading after the other, as the batch reader makes them.
    {
        auto canvas = SampleCanvas();
        ASSERT_FALSE(canvas->LastDecodeError()) << "the sample sheet did not decode";
        RecordingSink sink;
        SheetReader reader(*canvas, sink);
        const NumberReading number = reader.ReadNumberGrid();
        const AnswerReading answers = reader.ReadAnswerGrid();
        EXPECT_TRUE(number.topLeftFound && number.bottomRightFound);
        EXPECT_TRUE(answers.topLeftFound && answers.bottomRightFound);
        EXPECT_EQ(number.text, expected.at("number"));
        EXPECT_EQ(answers.text, expected.at("answers"));
        EXPECT_EQ(sink.Text(ResultBox::Number), expected.at("number"));
        EXPECT_EQ(sink.Text(ResultBox::Answers), expected.at("answers"));
    }
    // Both at once, as the window runs them: the two grids must not disturb each other.
    for (int round = 0; round < 3; ++round) {
        auto canvas = SampleCanvas();
        RecordingSink sink;
        SheetReader reader(*canvas, sink);
        std::thread numberWorker([&] { reader.ReadNumberGrid(); });
        std::thread answerWorker([&] { reader.ReadAnswerGrid(); });
        numberWorker.join();
        answerWorker.join();
        EXPECT_EQ(sink.Text(ResultBox::Number), expected.at("number"));
        EXPECT_EQ(sink.Text(ResultBox::Answers), expected.at("answers"));
    }
}

}  // namespace
}  // namespace marksheet

// The window's own path under several readings at once: presses of the recognise button while the
// main thread loads sheets, repaints and starts new lines. Also run under ThreadSanitizer; every
// character appended, by the readers and by the main thread, must be in the boxes. A GoogleTest
// program rather than a Qt Test one: Qt Test's watchdog thread, whose locks ThreadSanitizer cannot
// see, would raise reports about nothing of ours.
#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>
#include <fstream>
#include <map>
#include <string>

#include "SampleSheet.h"
#include "SampleExpectations.h"
#include "WindowFixture.h"

namespace marksheet::testing {

namespace {


std::string WithoutLineBreaks(const std::string& text) {
    std::string out;
    std::copy_if(text.begin(), text.end(), std::back_inserter(out),
                 [](char c) { return c != '\r' && c != '\n'; });
    return out;
}

}  // namespace

TEST(WindowConcurrency, PressesWhileTheMainThreadLoadsRepaintsAndAppendsLoseNothing) {
    const auto expected = ReadSampleExpectations(MARKSHEET_SAMPLE_EXPECTED);
    if (!expected.count("number") || !expected.count("answers"))
        GTEST_SKIP() << "no expectations for the built-in sample sheet (" MARKSHEET_SAMPLE_EXPECTED ")";
    constexpr int presses = 3;
    WindowUnderTest window;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    SheetCanvas& canvas = window->Session()->canvas;
    ResultBoxes& boxes = window->Session()->boxes;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !canvas.RepaintPending(); }));

    for (int press = 0; press < presses; ++press)
        QTest::mouseClick(RecognizeButton(window.get()), Qt::LeftButton);
    // Meanwhile the main thread does what the change-sheet command does (without its dialog), has
    // the canvas repainted both through the widget and directly, and lets the readers' appends in.
    int lineBreaks = 0;
    const auto sample = SampleSheetBytes();
    const bool finished = QTest::qWaitFor(
        [&] {
            canvas.SetPicture(sample);
            boxes.Append(ResultBox::Answers, "\r\n");
            boxes.Append(ResultBox::Number, "\r\n");
            ++lineBreaks;
            QApplication::processEvents();  // paints, which repaint the pending canvas
            canvas.Invalidate({0, 0, CanvasWidth, CanvasHeight / 2});
            canvas.Repaint();
            window->update();
            return window.ReadingsDone();
        },
        120000);
    ASSERT_TRUE(finished) << "the readings did not end within two minutes";

    // Every character is there, in whole readings of each kind, one after another.
    const std::string number = boxes.ReadText(ResultBox::Number);
    const std::string answers = boxes.ReadText(ResultBox::Answers);
    std::string numbers, letters;
    for (int press = 0; press < presses; ++press) {
        numbers += expected.at("number");
        letters += expected.at("answers");
    }
    EXPECT_EQ(number.size(), numbers.size() + 2 * static_cast<std::size_t>(lineBreaks));
    EXPECT_EQ(answers.size(), letters.size() + 2 * static_cast<std::size_t>(lineBreaks));
    EXPECT_EQ(WithoutLineBreaks(number), numbers);
    EXPECT_EQ(WithoutLineBreaks(answers), letters);
    std::printf("%d readings of each kind beside %d loads, repaints and line breaks of the main thread\n",
                presses, lineBreaks);
}

}  // namespace marksheet::testing

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

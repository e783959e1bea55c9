// Several readings of each kind at once on one canvas while the main thread replaces the picture,
// repaints and appends: nothing races, nothing appended is lost, no reading is interleaved.
#include "SampleSheet.h"
#include "SheetCanvas.h"
#include "SheetReader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace marksheet {
namespace {

// The two result boxes, each append one step under a lock, as the window makes it on its main thread.
class LockedBoxes final : public TextSink {
public:
    void Append(ResultBox box, std::string_view text) override {
        std::lock_guard guard(lock);
        (box == ResultBox::Number ? number : answers).append(text);
    }
    std::string Text(ResultBox box) {
        std::lock_guard guard(lock);
        return box == ResultBox::Number ? number : answers;
    }

private:
    std::mutex lock;
    std::string number, answers;
};

TEST(ConcurrentReadings, EveryAppendedCharacterLandsAndReadingsOfOneKindDoNotInterleave) {
    constexpr int pressCount = 4;
    SheetCanvas canvas(0x00F0F0F0);
    LockedBoxes boxes;
    SheetReader reader(canvas, boxes);
    canvas.SetPicture(SampleSheetBytes());
    canvas.Repaint();

    std::vector<NumberReading> numberReadings(pressCount);
    std::vector<AnswerReading> answerReadings(pressCount);
    std::atomic<int> running{2 * pressCount};
    std::vector<std::thread> workers;
    for (int i = 0; i < pressCount; ++i) {
        workers.emplace_back([&, i] { numberReadings[i] = reader.ReadNumberGrid(); --running; });
        workers.emplace_back([&, i] { answerReadings[i] = reader.ReadAnswerGrid(); --running; });
    }
    // Meanwhile the main thread loads sheets, repaints and starts new lines, as the window does.
    std::size_t lineBreaks = 0;
    while (running > 0) {
        canvas.SetPicture(SampleSheetBytes());
        canvas.ReadPixel(200, 250);
        canvas.Repaint();
        boxes.Append(ResultBox::Answers, "\r\n");
        boxes.Append(ResultBox::Number, "\r\n");
        ++lineBreaks;
    }
    for (auto& w : workers) w.join();

    std::size_t numberChars = 0, answerChars = 0;
    for (const auto& r : numberReadings) {
        ASSERT_EQ(r.text.size(), 9u);
        numberChars += r.text.size();
    }
    for (const auto& r : answerReadings) answerChars += r.text.size();
    const std::string number = boxes.Text(ResultBox::Number);
    const std::string answers = boxes.Text(ResultBox::Answers);
    EXPECT_EQ(number.size(), numberChars + 2 * lineBreaks);
    EXPECT_EQ(answers.size(), answerChars + 2 * lineBreaks);

    // Readings of one kind run one after another: with the line breaks taken out, the number box
    // is the readings' texts one after another, each whole.
    std::string digitsOnly;
    for (char c : number)
        if (c != '\r' && c != '\n') digitsOnly += c;
    std::vector<std::string> found;
    for (std::size_t i = 0; i + 9 <= digitsOnly.size(); i += 9) found.push_back(digitsOnly.substr(i, 9));
    std::vector<std::string> expected;
    for (const auto& r : numberReadings) expected.push_back(r.text);
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
}

}  // namespace
}  // namespace marksheet

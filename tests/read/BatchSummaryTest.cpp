// The end of a batch: exit status, repeated candidate numbers, progress text, annotation names, and
// the warnings drawn from the structured readings.
#include <gtest/gtest.h>

#include <ostream>

#include "BatchSummary.h"
#include "SheetWarnings.h"

namespace marksheet {
namespace {

SheetResult Sheet(std::string file, std::string number, bool warned = false,
                  SheetStatus status = SheetStatus::Ok) {
    SheetResult r;
    r.file = std::move(file);
    r.number = std::move(number);
    r.status = status;
    if (warned) r.warnings.push_back(SheetWarning{});
    return r;
}

struct ExitCase {
    const char* name;
    std::vector<SheetResult> results;
    int status;
    friend void PrintTo(const ExitCase& c, std::ostream* os) { *os << c.name; }
};

class BatchExitStatus : public testing::TestWithParam<ExitCase> {};

TEST_P(BatchExitStatus, FollowsTheWorstSheet) {
    BatchTally tally;
    for (const auto& r : GetParam().results) tally.Add(r);
    EXPECT_EQ(tally.ExitStatus(), GetParam().status);
}

SheetResult AnnotationFailed() {
    SheetResult r = Sheet("c.png", "3");
    r.annotationError = "cannot write";
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BatchExitStatus,
    testing::Values(
        ExitCase{"allClean", {Sheet("a", "1"), Sheet("b", "2")}, 0},
        ExitCase{"someWarned", {Sheet("a", "1"), Sheet("b", "2", true)}, 3},
        ExitCase{"unreadable", {Sheet("a", "1", true), Sheet("b", "", false, SheetStatus::Unreadable)}, 1},
        ExitCase{"undecodable", {Sheet("b", "", false, SheetStatus::Undecodable)}, 1},
        ExitCase{"annotationNotWritten", {Sheet("a", "1"), AnnotationFailed()}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BatchTally, CountsAndRepeatedNumbersInTheSummary) {
    BatchTally tally;
    tally.Add(Sheet("a.png", "111111111"));
    tally.Add(Sheet("b.png", "222222222", true));
    tally.Add(Sheet("c.png", "111111111", true));
    tally.Add(Sheet("d.png", "", false, SheetStatus::Unreadable));
    tally.Add(Sheet("e.png", "", false, SheetStatus::Undecodable));
    tally.Add(Sheet("f\nx.png", "111111111"));
    EXPECT_EQ(tally.Total(), 6);
    EXPECT_EQ(tally.Read(), 4);
    EXPECT_EQ(tally.WithWarnings(), 2);
    EXPECT_EQ(tally.Failed(), 2);
    const auto repeated = tally.RepeatedNumbers();
    ASSERT_EQ(repeated.size(), 1u) << "failed sheets have no number to repeat";
    EXPECT_EQ(repeated[0].first, "111111111");
    EXPECT_EQ(repeated[0].second, (std::vector<std::string>{"a.png", "c.png", "f\nx.png"}));
    EXPECT_EQ(tally.SummaryText(),
              "marksheet-read: 6 files: 4 sheets read, 2 with warnings, 2 failed\n"
              "marksheet-read: candidate number 111111111 is on 3 sheets: a.png c.png f\\nx.png\n");
}

TEST(ProgressText, ShowsDoneTotalRateAndTimeLeft) {
    EXPECT_EQ(ProgressText(0, 300, 0.0), "0/300 sheets");
    EXPECT_EQ(ProgressText(30, 300, 2.0), "30/300 sheets, 15.0 sheets/s, about 18 s left");
    EXPECT_EQ(ProgressText(10, 300, 20.0), "10/300 sheets, 0.5 sheets/s, about 9 min 40 s left");
    EXPECT_EQ(ProgressText(299, 300, 10.0), "299/300 sheets, 29.9 sheets/s, under 1 s left");
    EXPECT_EQ(ProgressText(300, 300, 10.0), "300/300 sheets, 30.0 sheets/s");
}

TEST(AnnotationNames, NamedAfterTheInputAndNeverTwice) {
    EXPECT_EQ(AnnotationNames({"scans/a.jpg", "other/a.jpg", "a.jpg", "b.png", "dir/", "a.jpg-2", "/"}),
              (std::vector<std::string>{"a.jpg.png", "a.jpg-2.png", "a.jpg-3.png", "b.png.png", "dir.png",
                                        "a.jpg-2-2.png", "sheet.png"}));
    EXPECT_EQ(
        AnnotationNames({"a.jpg", "b.jpg"}, [](const std::string& name) { return name == "a.jpg.png"; }),
        (std::vector<std::string>{"a.jpg-2.png", "b.jpg.png"}))
        << "a name that would overwrite an input is passed over";
}

// Readings as the engine reports them, with counts set by hand.
struct Readings {
    NumberReading number;
    AnswerReading answers;
    Readings() {
        number.topLeftFound = number.bottomRightFound = true;
        answers.topLeftFound = answers.bottomRightFound = true;
        for (auto& column : number.counts) column[1] = 9;  // every column marked once, in row 2
        answers.blocksRead = 3;
    }
};

TEST(SheetWarnings, CleanReadingHasNone) {
    Readings r;
    r.answers.counts[0] = {0, 5, 0, 0, 0, 0};
    EXPECT_TRUE(CollectWarnings(r.number, r.answers, {}).empty());
}

TEST(SheetWarnings, EachKindWithItsPlaceInAFixedOrder) {
    Readings r;
    r.number.bottomRightFound = false;
    r.answers.topLeftFound = false;
    r.number.counts[4] = {};                              // column 5 without ink
    r.number.counts[2] = {0, 0, 0, 7, 0, 0, 7, 0, 3, 0};  // column 3: rows 4 and 7
    r.answers.counts[11] = {1, 0, 6, 0, 6, 0};            // question 12: rows 3 and 5
    r.answers.counts[12] = {0, 0, 0, 0, 0, 0};            // blank question: no tie
    const auto warnings = CollectWarnings(r.number, r.answers, {9, 14});
    std::vector<std::string> tokens;
    for (const auto& w : warnings) tokens.push_back(WarningToken(w));
    EXPECT_EQ(tokens, (std::vector<std::string>{
                          "corner_missing:number_bottom_right", "corner_missing:answer_top_left",
                          "column_without_ink:column=5", "tie:column=3:rows=4/7", "tie:question=12:rows=3/5",
                          "answers_left_unread:block=9", "answers_left_unread:block=14"}));
    EXPECT_EQ(WarningSentence(warnings[3]),
              "number column 3: rows 4 and 7 are equally dark (the upper one was taken)");
    EXPECT_EQ(WarningSentence(warnings[0]), "bottom-right corner mark of the number grid not found");
}

}  // namespace
}  // namespace marksheet

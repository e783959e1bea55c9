// The output formats of the batch reader, parsed back: CSV by RFC 4180, JSON Lines by Qt's JSON parser.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <ostream>
#include <string>
#include <vector>

#include "ResultFormat.h"
#include "SheetWarnings.h"

namespace marksheet {
namespace {

// Splits one CSV record (without its line end) into fields, by RFC 4180.
std::vector<std::string> ParseCsvRecord(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"')
                fields.back() += '"', ++i;
            else if (c == '"')
                quoted = false;
            else
                fields.back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

SheetResult SampleResult() {
    SheetResult r;
    r.file = "scans/class 3,\"b\".png";
    r.number = "201304815";
    r.answers = "AECB";
    r.questions[0] = 'A';
    r.questions[1] = 'E';
    r.questions[3] = 'C';
    r.questions[4] = 'B';
    r.stoppedAfterBlock = 2;
    SheetWarning tie;
    tie.kind = SheetWarning::Kind::Tie;
    tie.question = 4;
    tie.rows = {4, 6};
    SheetWarning corner;
    corner.kind = SheetWarning::Kind::CornerMissing;
    corner.corner = GridCorner::AnswerBottomRight;
    r.warnings = {corner, tie};
    return r;
}

SheetResult FailedResult() {
    SheetResult r;
    r.file = "gone.png";
    r.status = SheetStatus::Unreadable;
    r.reason = "No such file or directory";
    return r;
}

struct CsvFieldCase {
    const char* name;
    std::string text;
    std::string field;
    friend void PrintTo(const CsvFieldCase& c, std::ostream* os) { *os << c.name; }
};

class CsvFieldTest : public testing::TestWithParam<CsvFieldCase> {};

TEST_P(CsvFieldTest, QuotesOnlyWhereRfc4180NeedsIt) {
    EXPECT_EQ(CsvField(GetParam().text), GetParam().field);
}

INSTANTIATE_TEST_SUITE_P(Fields, CsvFieldTest,
                         testing::Values(CsvFieldCase{"plain", "a.png", "a.png"},
                                         CsvFieldCase{"empty", "", ""},
                                         CsvFieldCase{"comma", "a,b", "\"a,b\""},
                                         CsvFieldCase{"quote", "say \"hi\"", "\"say \"\"hi\"\"\""},
                                         CsvFieldCase{"lineFeed", "a\nb", "\"a\nb\""},
                                         CsvFieldCase{"carriageReturn", "a\rb", "\"a\rb\""},
                                         CsvFieldCase{"spacesAndSemicolonsStayBare", "a b; c", "a b; c"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CsvOutput, HeaderNamesEveryQuestionAndEndsWithWarnings) {
    const std::string header = FormatHeader(OutputFormat::Csv);
    ASSERT_TRUE(header.ends_with("\r\n"));
    const auto fields = ParseCsvRecord(std::string_view(header).substr(0, header.size() - 2));
    ASSERT_EQ(fields.size(), 4u + 100u + 1u);
    EXPECT_EQ(fields[0], "file");
    EXPECT_EQ(fields[1], "status");
    EXPECT_EQ(fields[2], "number");
    EXPECT_EQ(fields[3], "answers");
    EXPECT_EQ(fields[4], "q1");
    EXPECT_EQ(fields[103], "q100");
    EXPECT_EQ(fields[104], "warnings");
}

TEST(CsvOutput, RowParsesBackToTheResult) {
    const std::string row = FormatResult(OutputFormat::Csv, SampleResult());
    ASSERT_TRUE(row.ends_with("\r\n"));
    const auto fields = ParseCsvRecord(std::string_view(row).substr(0, row.size() - 2));
    ASSERT_EQ(fields.size(), 105u);
    EXPECT_EQ(fields[0], "scans/class 3,\"b\".png");
    EXPECT_EQ(fields[1], "ok");
    EXPECT_EQ(fields[2], "201304815");
    EXPECT_EQ(fields[3], "AECB");
    EXPECT_EQ(fields[4], "A");
    EXPECT_EQ(fields[5], "E");
    EXPECT_EQ(fields[6], "") << "question 3 gave no letter";
    EXPECT_EQ(fields[7], "C");
    EXPECT_EQ(fields[8], "B");
    for (std::size_t q = 9; q < 104; ++q) EXPECT_EQ(fields[q], "") << "q" << q - 3;
    EXPECT_EQ(fields[104], "corner_missing:answer_bottom_right; tie:question=4:rows=4/6");
}

TEST(CsvOutput, FailedFileHasStatusAndEmptyFields) {
    const std::string row = FormatResult(OutputFormat::Csv, FailedResult());
    const auto fields = ParseCsvRecord(std::string_view(row).substr(0, row.size() - 2));
    ASSERT_EQ(fields.size(), 105u);
    EXPECT_EQ(fields[1], "unreadable");
    for (std::size_t i = 2; i < fields.size(); ++i) EXPECT_EQ(fields[i], "");
}

struct JsonStringCase {
    const char* name;
    std::string text;
    std::string literal;
    friend void PrintTo(const JsonStringCase& c, std::ostream* os) { *os << c.name; }
};

class JsonStringTest : public testing::TestWithParam<JsonStringCase> {};

TEST_P(JsonStringTest, EscapesAndKeepsValidUtf8) {
    EXPECT_EQ(JsonString(GetParam().text), GetParam().literal);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, JsonStringTest,
    testing::Values(JsonStringCase{"plain", "a.png", "\"a.png\""},
                    JsonStringCase{"quoteAndBackslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
                    JsonStringCase{"namedControls", "\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
                    JsonStringCase{"otherControls", std::string("\x01\x1f\x7f", 3),
                                   "\"\\u0001\\u001f\\u007f\""},
                    JsonStringCase{"nulByte", std::string("a\0b", 3), "\"a\\u0000b\""},
                    JsonStringCase{"validUtf8Kept", "Prüfung 答题卡 😀", "\"Prüfung 答题卡 😀\""},
                    JsonStringCase{"latin1ByteReplaced",
                                   "Pr\xfc"
                                   "fung",
                                   "\"Pr\xEF\xBF\xBD"
                                   "fung\""},
                    JsonStringCase{"truncatedSequenceReplaced", "a\xe7\xad", "\"a\xEF\xBF\xBD\xEF\xBF\xBD\""},
                    JsonStringCase{"overlongSlashReplaced", "\xc0\xaf", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
                    JsonStringCase{"encodedSurrogateReplaced", "\xed\xa0\x80",
                                   "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
                    JsonStringCase{"beyondUnicodeReplaced", "\xf4\x90\x80\x80",
                                   "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""}),
    [](const auto& info) { return std::string(info.param.name); });

QJsonObject ParseJsonLine(const std::string& line) {
    EXPECT_TRUE(line.ends_with("\n"));
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "one object per line";
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << " in " << line;
    return document.object();
}

TEST(JsonOutput, ObjectParsesBackToTheResult) {
    const QJsonObject o = ParseJsonLine(FormatResult(OutputFormat::Json, SampleResult()));
    EXPECT_EQ(o["file"].toString().toStdString(), "scans/class 3,\"b\".png");
    EXPECT_EQ(o["status"].toString(), "ok");
    EXPECT_EQ(o["number"].toString(), "201304815");
    EXPECT_EQ(o["answers"].toString(), "AECB");
    const QJsonArray questions = o["questions"].toArray();
    ASSERT_EQ(questions.size(), 100);
    EXPECT_EQ(questions[0].toString(), "A");
    EXPECT_EQ(questions[1].toString(), "E");
    EXPECT_TRUE(questions[2].isNull());
    EXPECT_EQ(questions[3].toString(), "C");
    EXPECT_TRUE(questions[99].isNull());
    EXPECT_EQ(o["stopped_at"].toInt(), 2);
    EXPECT_TRUE(o["error"].isNull());
    const QJsonArray warnings = o["warnings"].toArray();
    ASSERT_EQ(warnings.size(), 2);
    EXPECT_EQ(warnings[0].toObject()["code"].toString(), "corner_missing");
    EXPECT_EQ(warnings[0].toObject()["corner"].toString(), "answer_bottom_right");
    EXPECT_EQ(warnings[1].toObject()["code"].toString(), "tie");
    EXPECT_EQ(warnings[1].toObject()["question"].toInt(), 4);
    EXPECT_EQ(warnings[1].toObject()["rows"].toArray(), QJsonArray({4, 6}));
}

TEST(JsonOutput, FailedFileHasNullsAndItsReason) {
    const QJsonObject o = ParseJsonLine(FormatResult(OutputFormat::Json, FailedResult()));
    EXPECT_EQ(o["status"].toString(), "unreadable");
    EXPECT_TRUE(o["number"].isNull());
    EXPECT_TRUE(o["answers"].isNull());
    EXPECT_TRUE(o["stopped_at"].isNull());
    EXPECT_EQ(o["error"].toString(), "No such file or directory");
    const QJsonArray questions = o["questions"].toArray();
    ASSERT_EQ(questions.size(), 100);
    for (const auto& q : questions) EXPECT_TRUE(q.isNull());
}

TEST(JsonOutput, EveryWarningKindCarriesItsPlace) {
    SheetResult r = SampleResult();
    r.warnings.clear();
    SheetWarning w;
    w.kind = SheetWarning::Kind::ColumnWithoutInk;
    w.column = 7;
    r.warnings.push_back(w);
    w = {};
    w.kind = SheetWarning::Kind::Tie;
    w.column = 3;
    w.rows = {4, 7, 9};
    r.warnings.push_back(w);
    w = {};
    w.kind = SheetWarning::Kind::AnswersLeftUnread;
    w.block = 12;
    r.warnings.push_back(w);
    const QJsonArray warnings = ParseJsonLine(FormatResult(OutputFormat::Json, r))["warnings"].toArray();
    ASSERT_EQ(warnings.size(), 3);
    EXPECT_EQ(warnings[0].toObject(), QJsonObject({{"code", "column_without_ink"}, {"column", 7}}));
    EXPECT_EQ(warnings[1].toObject(),
              QJsonObject({{"code", "tie"}, {"column", 3}, {"rows", QJsonArray({4, 7, 9})}}));
    EXPECT_EQ(warnings[2].toObject(), QJsonObject({{"code", "answers_left_unread"}, {"block", 12}}));
    EXPECT_EQ(WarningList(r),
              "column_without_ink:column=7; tie:column=3:rows=4/7/9; answers_left_unread:block=12");
}

TEST(TextOutput, PathNumberAndAnswersSeparatedByTabs) {
    EXPECT_EQ(FormatResult(OutputFormat::Text, SampleResult()), "scans/class 3,\"b\".png\t201304815\tAECB\n");
    EXPECT_EQ(FormatResult(OutputFormat::Text, FailedResult()), "gone.png\t\t\n");
}

TEST(TextOutput, FileNamesCannotBreakTheLine) {
    EXPECT_EQ(LineSafe("a\tb\nc\rd\\e\x01"), "a\\tb\\nc\\rd\\\\e\\x01");
    EXPECT_EQ(LineSafe("Prüfung.png"), "Prüfung.png");
    SheetResult r = FailedResult();
    r.file = "two\nlines.png";
    EXPECT_EQ(FormatResult(OutputFormat::Text, r), "two\\nlines.png\t\t\n");
}

}  // namespace
}  // namespace marksheet

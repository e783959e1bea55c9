// The answer-sheet form: its layout rules on many papers, fills, round trips through the canvas and
// both readers (with JPEG, scale and shift disturbances), the built-in sample sheet and the files.
#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FormPainter.h"
#include "FormRoundTrip.h"
#include "SampleSheet.h"

namespace marksheet {
namespace {

FormLayout LayoutFor(const FormPaper& paper) {
    auto computed = ComputeFormLayout(paper);
    if (auto* reason = std::get_if<std::string>(&computed)) {
        ADD_FAILURE() << *reason;
        return {};
    }
    return std::get<FormLayout>(computed);
}

}  // namespace

void PrintTo(const FormPaper& paper, std::ostream* out) {
    *out << paper.name << " at " << paper.dpi << " dpi";
}

namespace {

std::string PaperName(const FormPaper& paper) {
    std::ostringstream s;
    s << paper.name << "_" << paper.dpi << "dpi";
    std::string name = s.str();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

// ---------------------------------------------------------------------------------------------
// Layout rules, on papers from small pictures to large scans.

class FormLayoutRules : public testing::TestWithParam<FormPaper> {};

// Where a scan stops must lie at least the margin inside its window.
void ExpectInsideWindow(const CornerScan& scan, int x, int y, double margin, const char* what) {
    EXPECT_GE(x, std::min(scan.xStart, scan.xEnd) + margin) << what;
    EXPECT_LE(x, std::max(scan.xStart, scan.xEnd) - margin) << what;
    EXPECT_GE(y, scan.yStart + margin) << what;
    EXPECT_LE(y, scan.yEnd - margin) << what;
    EXPECT_EQ(x % 2, 0) << what;
    EXPECT_EQ(y % 2, 0) << what;
}

void ExpectWithin(const CanvasArea& inner, const CanvasArea& outer, double spare, const std::string& what) {
    EXPECT_GE(inner.left, outer.left + spare - 1e-9) << what;
    EXPECT_GE(inner.top, outer.top + spare - 1e-9) << what;
    EXPECT_LE(inner.right, outer.right - spare + 1e-9) << what;
    EXPECT_LE(inner.bottom, outer.bottom - spare + 1e-9) << what;
}

bool Overlap(const CanvasArea& a, const CanvasArea& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST_P(FormLayoutRules, MarksSitInsideTheirWindowsAndThePrintableArea) {
    const FormLayout layout = LayoutFor(GetParam());
    EXPECT_GE(layout.windowMargin, MinimumWindowMargin);
    const double rim = PrinterRimMillimetres * layout.CanvasPerMillimetre();
    const PicturePlacement& p = layout.placement;
    const CanvasArea paperInset{p.x + rim, p.y + rim * layout.pixelsPerCanvasX / layout.pixelsPerCanvasY,
                                p.x + p.width - rim,
                                p.y + p.height - rim * layout.pixelsPerCanvasX / layout.pixelsPerCanvasY};
    for (const auto& [grid, tl, br, name] :
         {std::tuple{&layout.number, NumberTopLeftScan, NumberBottomRightScan, "number"},
          std::tuple{&layout.answer, AnswerTopLeftScan, AnswerBottomRightScan, "answer"}}) {
        ExpectInsideWindow(tl, grid->topLeftScanX, grid->topLeftScanY, layout.windowMargin, name);
        ExpectInsideWindow(br, grid->bottomRightScanX, grid->bottomRightScanY, layout.windowMargin, name);
        ExpectWithin(grid->topLeftMark, paperInset, -0.01,
                     std::string(name) + " top-left mark inside the rim");
        ExpectWithin(grid->bottomRightMark, paperInset, -0.01,
                     std::string(name) + " bottom-right mark inside the rim");
        ExpectWithin(grid->PrintedArea(), paperInset, -0.01, std::string(name) + " grid inside the rim");
    }
}

TEST_P(FormLayoutRules, CellSizesAreTheReadersQuotientsWithTheSpareMidWay) {
    const FormLayout layout = LayoutFor(GetParam());
    const RegionGrid& n = layout.number.located;
    const RegionGrid& a = layout.answer.located;
    EXPECT_EQ(n.left, layout.number.topLeftScanX + NumberTopLeftScan.edgeDx);
    EXPECT_EQ(n.bottom, layout.number.bottomRightScanY + NumberBottomRightScan.edgeDy);
    EXPECT_EQ(a.top, layout.answer.topLeftScanY + AnswerTopLeftScan.edgeDy);
    EXPECT_EQ(a.right, layout.answer.bottomRightScanX + AnswerBottomRightScan.edgeDx);
    EXPECT_EQ(n.columnWidth, (n.right - n.left) / 9);
    EXPECT_EQ(n.rowHeight, (n.bottom - n.top) / 10);
    EXPECT_EQ(a.columnWidth, (a.right - a.left) / 23);
    EXPECT_EQ(a.rowHeight, (a.bottom - a.top) / 34 + 1);
    // The spare beyond whole cells sits within one pixel of the middle of its range, so a change of
    // scale moves neither quotient.
    EXPECT_NEAR((n.right - n.left) - 9 * n.columnWidth, 4, 1);
    EXPECT_NEAR((n.bottom - n.top) - 10 * n.rowHeight, 4.5, 0.5);
    EXPECT_NEAR((a.right - a.left) - 23 * a.columnWidth, 11, 1);
    EXPECT_NEAR((a.bottom - a.top) - 34 * (a.rowHeight - 1), 16.5, 0.5);
}

TEST_P(FormLayoutRules, BoxesSitInsideTheirCellsAndTheGridsKeepApart) {
    const FormLayout layout = LayoutFor(GetParam());
    for (const GridForm* grid : {&layout.number, &layout.answer})
        for (int c = 1; c <= grid->columns; ++c)
            for (int r = 1; r <= grid->rows; ++r)
                ExpectWithin(grid->Box(c, r), grid->Cell(c, r), 2,
                             "box " + std::to_string(c) + "," + std::to_string(r));
    const RegionGrid& n = layout.number.located;
    const RegionGrid& a = layout.answer.located;
    // Located edges enclose the printed grid.
    ExpectWithin(layout.number.PrintedArea(),
                 {double(n.left), double(n.top), double(n.right), double(n.bottom)}, 0,
                 "number grid within its edges");
    const CanvasArea answerPrinted = layout.answer.PrintedArea();
    EXPECT_GE(answerPrinted.left, a.left);
    EXPECT_GE(answerPrinted.top, a.top);
    EXPECT_LE(answerPrinted.right, a.right);
    // The answer grid's rows reach past its bottom edge by design; its boxes stay in its rows.
    EXPECT_LE(answerPrinted.bottom, a.top + 34 * a.rowHeight);
    EXPECT_LT(n.bottom, a.top) << "number grid above the answer grid";
    // No mark lies in a cell of either grid.
    for (const CanvasArea& mark : {layout.number.topLeftMark, layout.number.bottomRightMark,
                                   layout.answer.topLeftMark, layout.answer.bottomRightMark})
        for (const GridForm* grid : {&layout.number, &layout.answer})
            for (int c = 1; c <= grid->columns; ++c)
                for (int r = 1; r <= grid->rows; ++r)
                    EXPECT_FALSE(Overlap(mark, grid->Cell(c, r))) << "mark in cell " << c << "," << r;
    // Nothing black lies in the number grid's top-left window but its mark.
    EXPECT_LE(layout.details.right, NumberTopLeftScan.xStart);
    EXPECT_LE(layout.title.bottom, NumberTopLeftScan.yStart);
    EXPECT_LE(layout.details.bottom, AnswerTopLeftScan.yStart);
}

TEST_P(FormLayoutRules, BoxesReadUnderOnePercentOfScaleOnTheNumberGrid) {
    // The drift at the far side of a grid under 1% of scale, plus one pixel of scan quantisation.
    const FormLayout layout = LayoutFor(GetParam());
    const RegionGrid& n = layout.number.located;
    EXPECT_GE(layout.number.boxToleranceX, 1 + 0.01 * (9 * n.columnWidth + NumberTopLeftScan.edgeDx));
    EXPECT_GE(layout.number.boxToleranceY, 1 + 0.01 * (10 * n.rowHeight));
    EXPECT_GE(layout.answer.boxToleranceX, 1 + 0.01 * (23 * layout.answer.located.columnWidth));
}

INSTANTIATE_TEST_SUITE_P(Papers, FormLayoutRules,
                         testing::Values(PixelPaper(397, 481), PixelPaper(400, 500), PixelPaper(800, 1000),
                                         PixelPaper(1240, 1754), PixelPaper(1000, 1300, 100), A4Paper(100),
                                         A4Paper(150), A4Paper(200), A4Paper(300), A4Paper(600),
                                         LetterPaper(150), LetterPaper(200), LetterPaper(300),
                                         LetterPaper(600)),
                         [](const auto& info) { return PaperName(info.param); });

TEST(FormLayoutLimits, PapersThatCannotHoldTheGridsAreRefusedWithAReason) {
    for (const FormPaper& paper : {PixelPaper(100, 100), PixelPaper(397, 300), PixelPaper(2000, 300),
                                   PixelPaper(1, 20000), PixelPaper(397, 481, 600)}) {
        auto computed = ComputeFormLayout(paper);
        ASSERT_TRUE(std::holds_alternative<std::string>(computed)) << paper.name << " at " << paper.dpi;
        EXPECT_NE(std::get<std::string>(computed).find(paper.name), std::string::npos);
    }
}

TEST(FormPaperParsing, KnowsA4LetterAndPixelSizes) {
    std::string error;
    EXPECT_EQ(ParsePaper("A4", 300, error)->width, 2480);
    EXPECT_EQ(ParsePaper("a4", 150, error)->height, 1754);
    EXPECT_EQ(ParsePaper("letter", 200, error)->width, 1700);
    const auto pixels = ParsePaper("397x481", 72, error);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->width, 397);
    EXPECT_EQ(pixels->height, 481);
    for (const char* bad : {"a5", "397x", "x481", "0x481", "397x481x2", "-397x481", "99999999x1", ""}) {
        EXPECT_FALSE(ParsePaper(bad, 300, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(ParsePaper("a4", 0, error));
}

// ---------------------------------------------------------------------------------------------
// Fills and what they read as.

TEST(FormFillRules, NumbersAndAnswersAreCheckedAndNormalised) {
    std::string error;
    const auto fill = NormaliseFill("012345678", "abc.E", error);
    ASSERT_TRUE(fill) << error;
    EXPECT_EQ(fill->number, "012345678");
    EXPECT_EQ(fill->answers.size(), 100u);
    EXPECT_EQ(fill->answers.substr(0, 6), "ABC.E.");
    struct Bad {
        const char* number;
        std::string answers;
    };
    for (const Bad& bad : {Bad{"01234567", ""}, Bad{"0123456789", ""}, Bad{"01234567a", ""}, Bad{"", "ABF"},
                           Bad{"", "AB C"}, Bad{"", std::string(101, 'A')}}) {
        error.clear();
        EXPECT_FALSE(NormaliseFill(bad.number, bad.answers, error)) << bad.number << " / " << bad.answers;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_NE((NormaliseFill("", "ABX", error), error).find("answer 3"), std::string::npos);
}

TEST(FormFillRules, TheAnswerReadingStopsAtTheFirstBlockWithoutALetter) {
    std::string error;
    // Blocks 1 and 2 answered, block 3 blank, block 4 answered: block 4 is never read.
    const auto fill = NormaliseFill("",
                                    "AB.DE"
                                    "..C.."
                                    "....."
                                    "EEEEE",
                                    error);
    ASSERT_TRUE(fill);
    const ExpectedReading expected = ExpectReading(*fill);
    EXPECT_EQ(expected.number, "000000000");
    EXPECT_EQ(expected.answers, "ABDEC");
    EXPECT_EQ(ExpectReading(*NormaliseFill("", "", error)).answers, "");
}

TEST(FormFillRules, QuestionsRunBlockRowByBlockRowAcrossTheGrid) {
    // Question 1 is the first column of the first block, question 6 the first of the second block
    // (after the gap column), question 21 the first of the second block row (after the gap row).
    EXPECT_EQ(AnswerGridColumn(1), 1);
    EXPECT_EQ(AnswerGridColumn(5), 5);
    EXPECT_EQ(AnswerGridColumn(6), 7);
    EXPECT_EQ(AnswerGridColumn(20), 23);
    EXPECT_EQ(AnswerGridColumn(21), 1);
    EXPECT_EQ(AnswerGridRow(1, 2), 2);
    EXPECT_EQ(AnswerGridRow(21, 1), 8);
    EXPECT_EQ(AnswerGridRow(100, 6), 34);
    EXPECT_EQ(QuestionNumber(5, 4, 5), 100);
}

// ---------------------------------------------------------------------------------------------
// Round trips through the real canvas and both readers.

// After JPEG compression the edge of a mark may lighten past the strict corner test, moving a
// located edge by one scan step; the cell sizes must not change.
void ExpectLocatedAsPlanned(const RegionGrid& located, const RegionGrid& planned, int slack,
                            const char* grid) {
    EXPECT_NEAR(located.left, planned.left, slack) << grid;
    EXPECT_NEAR(located.top, planned.top, slack) << grid;
    EXPECT_NEAR(located.right, planned.right, slack) << grid;
    EXPECT_NEAR(located.bottom, planned.bottom, slack) << grid;
    EXPECT_EQ(located.columnWidth, planned.columnWidth) << grid;
    EXPECT_EQ(located.rowHeight, planned.rowHeight) << grid;
}

// How a printed and scanned form differs from the form as drawn.
struct Disturbance {
    const char* name;
    bool jpeg;     // JPEG at quality 75, as scanners deliver; else lossless PNG
    double scale;  // about the page centre
    double rightMm, downMm;
};

void PrintTo(const Disturbance& d, std::ostream* out) {
    *out << d.name;
}

const Disturbance AsPrinted{"AsPrinted", false, 1, 0, 0};
const Disturbance Disturbances[] = {
    AsPrinted,
    {"Jpeg75", true, 1, 0, 0},
    {"Scaled99Percent", true, 0.99, 0, 0},
    {"Scaled101Percent", true, 1.01, 0, 0},
    {"Shifted2mmRight", true, 1, 2, 0},
    {"Shifted2mmLeft", true, 1, -2, 0},
    {"Shifted2mmDown", true, 1, 0, 2},
    {"Shifted2mmUp", true, 1, 0, -2},
};
// Both at once, the promise the README makes for printed paper.
const Disturbance PrintingDisturbances[] = {
    {"Scaled99PercentShifted2mmRightAndDown", true, 0.99, 2, 2},
    {"Scaled99PercentShifted2mmLeftAndUp", true, 0.99, -2, -2},
    {"Scaled101PercentShifted2mmRightAndUp", true, 1.01, 2, -2},
    {"Scaled101PercentShifted2mmLeftAndDown", true, 1.01, -2, 2},
};

// The picture bytes a scanner would deliver for the form under one disturbance.
QByteArray Scan(const QImage& form, const FormPaper& paper, const Disturbance& d) {
    const double mm = paper.dpi / 25.4;
    const QImage picture = d.scale == 1 && d.rightMm == 0 && d.downMm == 0
                               ? form
                               : ScaleAndShift(form, d.scale, d.rightMm * mm, d.downMm * mm);
    return d.jpeg ? EncodeJpeg(picture, 75) : EncodePng(picture);
}

// A different fill for every paper and disturbance, the same on every run.
unsigned FillSeed(const FormPaper& paper, const Disturbance& disturbance) {
    unsigned seed = 2166136261u;
    for (char c : paper.name + "@" + std::to_string(paper.dpi) + disturbance.name)
        seed = (seed ^ static_cast<unsigned char>(c)) * 16777619u;
    return seed;
}

using RoundTripCase = std::tuple<FormPaper, Disturbance>;
class FormRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(FormRoundTrip, ARandomFillReadsBackExactly) {
    const auto& [paper, disturbance] = GetParam();
    const FormLayout layout = LayoutFor(paper);
    const unsigned seed = FillSeed(paper, disturbance);
    const FormFill fill = RandomFill(seed);
    const ExpectedReading expected = ExpectReading(fill);
    const ReadBack read = ReadPictureBytes(Scan(RenderForm(layout, fill), paper, disturbance));
    EXPECT_EQ(read.number, expected.number) << "fill seed " << seed;
    EXPECT_EQ(read.answers, expected.answers) << "fill seed " << seed;
    EXPECT_EQ(read.answers.size(), 100u - std::count(fill.answers.begin(), fill.answers.end(), '.'));
    if (disturbance.scale == 1 && disturbance.rightMm == 0 && disturbance.downMm == 0) {
        // Undisturbed, the readers locate the edges the layout planned.
        const int slack = disturbance.jpeg ? ScanStep : 0;
        ExpectLocatedAsPlanned(read.numberReading.grid, layout.number.located, slack, "number");
        ExpectLocatedAsPlanned(read.answerReading.grid, layout.answer.located, slack, "answer");
    }
}

TEST_P(FormRoundTrip, ABlankFormReadsNineZerosAndNoLetters) {
    const auto& [paper, disturbance] = GetParam();
    const ReadBack read =
        ReadPictureBytes(Scan(RenderForm(LayoutFor(paper), FormFill{}), paper, disturbance));
    EXPECT_EQ(read.number, "000000000");
    EXPECT_EQ(read.answers, "");
    EXPECT_TRUE(read.numberReading.topLeftFound && read.numberReading.bottomRightFound);
    EXPECT_TRUE(read.answerReading.topLeftFound && read.answerReading.bottomRightFound);
    EXPECT_EQ(read.answerReading.blocksRead, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Papers, FormRoundTrip,
    testing::Combine(testing::Values(PixelPaper(397, 481), A4Paper(150), A4Paper(300), LetterPaper(200)),
                     testing::ValuesIn(Disturbances)),
    [](const auto& info) { return PaperName(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name; });
INSTANTIATE_TEST_SUITE_P(PrintedPapers, FormRoundTrip,
                         testing::Combine(testing::Values(A4Paper(150), A4Paper(300), LetterPaper(200)),
                                          testing::ValuesIn(PrintingDisturbances)),
                         [](const auto& info) {
                             return PaperName(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name;
                         });

// ---------------------------------------------------------------------------------------------
// The built-in sample sheet and the files the tool writes.

std::string SampleExpected(const std::string& key) {
    std::ifstream in(MARKSHEET_SAMPLE_EXPECTED);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    ADD_FAILURE() << "no " << key << "= line in " << MARKSHEET_SAMPLE_EXPECTED;
    return {};
}

TEST(BuiltInSample, IsA397By481ColourJpegOfAbout40kB) {
    const auto bytes = SampleSheetBytes();
    const QImage image = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()), "JPEG");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 397);
    EXPECT_EQ(image.height(), 481);
    EXPECT_FALSE(image.isGrayscale());
    EXPECT_GT(bytes.size(), 30'000u);
    EXPECT_LT(bytes.size(), 50'000u);
}

TEST(BuiltInSample, ReadsWhatItsExpectationFileSays) {
    const ReadBack read = ReadPictureBytes(SampleSheetBytes());
    EXPECT_EQ(read.number, SampleExpected("number"));
    EXPECT_EQ(read.answers, SampleExpected("answers"));
    EXPECT_FALSE(read.answers.empty());
    // It is a form of the tool: the readers find the edges its layout planned.
    const FormLayout layout = LayoutFor(PixelPaper(397, 481));
    EXPECT_EQ(layout.placement, (PicturePlacement{1, 9, 397, 481}));
    ExpectLocatedAsPlanned(read.numberReading.grid, layout.number.located, ScanStep, "number");
    ExpectLocatedAsPlanned(read.answerReading.grid, layout.answer.located, ScanStep, "answer");
}

TEST(FormFiles, TheFormatFollowsTheExtension) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const FormLayout layout = LayoutFor(PixelPaper(397, 481));
    std::string error;
    const FormFill fill = *NormaliseFill("987654321", "EDCBA", error);
    for (const char* name : {"form.png", "form.jpg", "form.JPEG", "form.pdf"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_FALSE(WriteForm(layout, fill, path)) << name;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        const QByteArray head = file.read(8);
        if (path.endsWith(QLatin1String(".pdf")))
            EXPECT_TRUE(head.startsWith("%PDF")) << name;
        else
            EXPECT_FALSE(QImage(path).isNull()) << name;
    }
    // PNG and JPEG files read back as written.
    QFile png(dir.filePath(QStringLiteral("form.png")));
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    const ReadBack read = ReadPictureBytes(png.readAll());
    EXPECT_EQ(read.number, "987654321");
    EXPECT_EQ(read.answers, "EDCBA");
    const auto refused = WriteForm(layout, fill, dir.filePath(QStringLiteral("form.gif")));
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find(".png"), std::string::npos);
    EXPECT_TRUE(WriteForm(layout, fill, dir.filePath(QStringLiteral("missing/dir/form.png"))));
    // A picture larger than the reader accepts is refused before any pixel is drawn; a PDF is not.
    const FormLayout huge = LayoutFor(A4Paper(1200));
    const auto tooLarge = WriteForm(huge, fill, dir.filePath(QStringLiteral("huge.png")));
    ASSERT_TRUE(tooLarge);
    EXPECT_NE(tooLarge->find("PDF"), std::string::npos);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("huge.png"))));
    EXPECT_FALSE(WriteForm(huge, fill, dir.filePath(QStringLiteral("huge.pdf"))));
}

TEST(FormFiles, ThePdfPageHasThePapersSize) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a4.pdf"));
    ASSERT_FALSE(WriteForm(LayoutFor(A4Paper(300)), FormFill{}, path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    // A4 is 595.28 x 841.89 points; Qt writes the MediaBox with whole or decimal points.
    // A4 is 595.3 x 841.9 points, which Qt writes rounded.
    EXPECT_TRUE(pdf.contains("/MediaBox [0 0 595.000000 842.000000]"));
    // Drawn as vectors and text, not as an embedded picture.
    EXPECT_FALSE(pdf.contains("/Subtype /Image"));
}

}  // namespace
}  // namespace marksheet

int main(int argc, char** argv) {
    // Fonts need a GUI application; drawing into pictures and PDF needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

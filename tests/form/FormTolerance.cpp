// Measures how much printing and scanning a form can stand: for each paper, the range of scales
// (about the page centre) and of shifts that still read exactly, after JPEG compression at quality 75.
// Prints figures; asserts nothing (the round-trip tests hold the promised tolerance).
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FormPainter.h"
#include "FormRoundTrip.h"

using namespace marksheet;

namespace {

bool ReadsExactly(const QImage& form, const ExpectedReading& expected, double scale, double dxMm, double dyMm,
                  double dpi) {
    const double perMm = dpi / 25.4;
    const QImage picture = ScaleAndShift(form, scale, dxMm * perMm, dyMm * perMm);
    const ReadBack read = ReadPictureBytes(EncodeJpeg(picture, 75));
    return read.number == expected.number && read.answers == expected.answers;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int seeds = argc > 1 ? std::atoi(argv[1]) : 2;
    const std::vector<FormPaper> papers{PixelPaper(397, 481), A4Paper(150), A4Paper(300), LetterPaper(200)};
    if (argc == 7 && std::string(argv[1]) == "--diagnose") {
        // --diagnose PAPER-INDEX SEED SCALE DX-MM DY-MM: where one disturbed form reads wrong.
        const FormPaper& paper = papers.at(static_cast<std::size_t>(std::atoi(argv[2])));
        const FormLayout layout = std::get<FormLayout>(ComputeFormLayout(paper));
        const FormFill fill = RandomFill(static_cast<unsigned>(std::atoi(argv[3])));
        const double perMm = paper.dpi / 25.4;
        const QImage picture = ScaleAndShift(RenderForm(layout, fill), std::atof(argv[4]),
                                             std::atof(argv[5]) * perMm, std::atof(argv[6]) * perMm);
        const ReadBack read = ReadPictureBytes(EncodeJpeg(picture, 75));
        const ExpectedReading expected = ExpectReading(fill);
        auto grid = [](const char* name, const RegionGrid& g) {
            std::printf("%s: %d %d %d %d cells %d x %d\n", name, g.left, g.top, g.right, g.bottom,
                        g.columnWidth, g.rowHeight);
        };
        grid("number designed", layout.number.located);
        grid("number located ", read.numberReading.grid);
        grid("answer designed", layout.answer.located);
        grid("answer located ", read.answerReading.grid);
        std::printf("number %s expected %s\n", read.number.c_str(), expected.number.c_str());
        for (int c = 0; c < NumberColumns; ++c) {
            std::printf("  column %d:", c + 1);
            for (int r = 0; r < NumberRows; ++r) std::printf(" %d", read.numberReading.counts[c][r]);
            std::printf("  (filled %c)\n", fill.number[c]);
        }
        for (int q = 1; q <= QuestionCount; ++q) {
            const int row = read.answerReading.rows[q - 1];
            const char got = row >= 2 ? static_cast<char>('A' + row - 2) : '.';
            if (got == fill.answers[q - 1]) continue;
            std::printf("  question %d (grid column %d): read %c, filled %c; counts", q, AnswerGridColumn(q),
                        got, fill.answers[q - 1]);
            for (int k = 0; k < AnswerOptionRows; ++k)
                std::printf(" %d", read.answerReading.counts[q - 1][k]);
            std::printf("\n");
        }
        return 0;
    }
    for (const FormPaper& paper : papers) {
        const FormLayout layout = std::get<FormLayout>(ComputeFormLayout(paper));
        std::printf("%s at %g dpi\n", paper.name.c_str(), paper.dpi);
        for (int seed = 1; seed <= seeds; ++seed) {
            const FormFill fill = RandomFill(static_cast<unsigned>(seed));
            const ExpectedReading expected = ExpectReading(fill);
            const QImage form = RenderForm(layout, fill);
            // Scale alone, outward from 100% until the first failure each way.
            double low = 1, high = 1;
            for (double s = 1; s >= 0.95; s -= 0.0025) {
                if (!ReadsExactly(form, expected, s, 0, 0, paper.dpi)) break;
                low = s;
            }
            for (double s = 1; s <= 1.05; s += 0.0025) {
                if (!ReadsExactly(form, expected, s, 0, 0, paper.dpi)) break;
                high = s;
            }
            // Shift alone, in each direction, in steps of 0.25 mm.
            double shift[4] = {0, 0, 0, 0};
            const int dirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
            for (int d = 0; d < 4; ++d)
                for (double mm = 0; mm <= 8; mm += 0.25) {
                    if (!ReadsExactly(form, expected, 1, dirs[d][0] * mm, dirs[d][1] * mm, paper.dpi)) break;
                    shift[d] = mm;
                }
            // Both at once: 99% and 101% with 2 mm in each direction.
            int combined = 0, combinedPass = 0;
            for (double s : {0.99, 1.01})
                for (int d = 0; d < 4; ++d) {
                    ++combined;
                    combinedPass +=
                        ReadsExactly(form, expected, s, dirs[d][0] * 2.0, dirs[d][1] * 2.0, paper.dpi);
                }
            std::printf(
                "  fill %d: scale %.2f%% to %.2f%%; shift right %.2f left %.2f down %.2f up %.2f mm; "
                "99%%/101%% with 2 mm shifts: %d of %d read exactly\n",
                seed, low * 100, high * 100, shift[0], shift[1], shift[2], shift[3], combinedPass, combined);
            std::fflush(stdout);
        }
    }
    return 0;
}

// marksheet-form: writes the answer-sheet form that the readers are certain to read, as PNG, JPEG or PDF.
#include <QGuiApplication>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

#include "FormLayout.h"
#include "FormPainter.h"

namespace {

constexpr const char* Usage =
    R"(Usage: marksheet-form [--paper a4|letter|WIDTHxHEIGHT] [--dpi N] [--number DIGITS]
                      [--answers TEXT] [--quality Q] [--layout] -o FILE

Writes the answer-sheet form: a title, fields for the candidate's name and subject, examples of
right and wrong filling, the candidate-number grid (9 digits) and the answer grid (questions 1 to
100, options A to E). Corner marks and filled boxes are black; everything else inside the grids
is printed in a red that the reader never counts as a mark.

Options:
  -o, --output FILE   where to write the form; the format is taken from the extension:
                      .png, .jpg or .jpeg (a colour JPEG), .pdf (vector PDF, one page).
  --paper PAPER       a4 (210 x 297 mm), letter (8.5 x 11 in), or an exact picture size in
                      pixels such as 397x481. Default: a4.
  --dpi N             resolution in dots per inch (30 to 2400). For a4 and letter it sets the
                      picture size in pixels (default 300); for WIDTHxHEIGHT it only sets how
                      large the printer's 5 mm blank rim and the PDF page are (default 72).
  --number DIGITS     fill the candidate number: exactly 9 digits, e.g. 012345678.
  --answers TEXT      fill answers 1, 2, 3 ...: one character per question, a letter A to E
                      or '.' to leave it blank; up to 100 characters, the rest stay blank.
                      Example: --answers ABCDE.ACE
  --quality Q         JPEG quality 1 to 100 (default 90).
  --layout            also print where the grids land on the 400 x 500 canvas.
  -h, --help          show this help.

Print the form at actual size (100%, "no fit to page" / "no scaling"): the reader finds the grids
at fixed places, and a form printed at 99% to 101% and shifted by up to 2 mm still reads.

Examples:
  marksheet-form -o form.pdf
  marksheet-form --paper letter --dpi 200 -o form.png
  marksheet-form --paper 397x481 --number 012345678 --answers ABCDE -o sheet.jpg
)";

int Fail(const std::string& message) {
    std::fprintf(stderr, "marksheet-form: %s\n(marksheet-form --help explains the options)\n",
                 message.c_str());
    return 2;
}

bool ParseInt(std::string_view text, int low, int high, int& out) {
    if (text.empty() || text.size() > 6) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) return false;
    out = value;
    return true;
}

void PrintLayout(const marksheet::FormLayout& layout) {
    auto grid = [](const char* name, const marksheet::GridForm& g) {
        const marksheet::RegionGrid& r = g.located;
        std::printf(
            "%s grid: edges left %d top %d right %d bottom %d, cells %d x %d, boxes %.2f x %.2f (read when "
            "%.2f and %.2f off); "
            "corner scans stop at (%d, %d) and (%d, %d)\n",
            name, r.left, r.top, r.right, r.bottom, r.columnWidth, r.rowHeight, g.boxWidth, g.boxHeight,
            g.boxToleranceX, g.boxToleranceY, g.topLeftScanX, g.topLeftScanY, g.bottomRightScanX,
            g.bottomRightScanY);
    };
    const auto& p = layout.placement;
    std::printf("paper %s: %d x %d pixels at %g dpi, shown %d x %d at (%d, %d) on the canvas\n",
                layout.paper.name.c_str(), layout.paper.width, layout.paper.height, layout.paper.dpi, p.width,
                p.height, p.x, p.y);
    grid("number", layout.number);
    grid("answer", layout.answer);
}

}  // namespace

int main(int argc, char** argv) {
    std::string paperText = "a4", output, number, answers;
    int quality = 90;
    int dpi = 0;
    bool showLayout = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string text;
        if (arg == "-h" || arg == "--help") {
            std::fputs(Usage, stdout);
            return 0;
        } else if (arg == "-o" || arg == "--output") {
            if (!value(output)) return Fail("-o needs a file name");
        } else if (arg == "--paper") {
            if (!value(paperText)) return Fail("--paper needs a4, letter or WIDTHxHEIGHT");
        } else if (arg == "--dpi") {
            if (!value(text) || !ParseInt(text, 30, 2400, dpi))
                return Fail("--dpi needs a whole number from 30 to 2400");
        } else if (arg == "--number") {
            if (!value(number)) return Fail("--number needs 9 digits");
        } else if (arg == "--answers") {
            if (!value(answers)) return Fail("--answers needs up to 100 characters A to E or '.'");
        } else if (arg == "--quality") {
            if (!value(text) || !ParseInt(text, 1, 100, quality))
                return Fail("--quality needs a number from 1 to 100");
        } else if (arg == "--layout") {
            showLayout = true;
        } else {
            return Fail("unknown argument \"" + std::string(arg) + "\"");
        }
    }
    if (output.empty()) return Fail("no output file: give -o FILE (.png, .jpg or .pdf)");
    {
        const auto dot = output.find_last_of('.');
        std::string suffix = dot == std::string::npos ? "" : output.substr(dot + 1);
        for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (suffix != "png" && suffix != "jpg" && suffix != "jpeg" && suffix != "pdf")
            return Fail("cannot tell the format of \"" + output + "\": name it .png, .jpg or .pdf");
    }

    std::string error;
    const bool pixelPaper = paperText.find_first_of("xX") != std::string::npos;
    const double resolution =
        dpi > 0 ? dpi : (pixelPaper ? marksheet::DefaultPixelPaperDpi : marksheet::DefaultPaperDpi);
    const auto paper = marksheet::ParsePaper(paperText, resolution, error);
    if (!paper) return Fail(error);
    const auto fill = marksheet::NormaliseFill(number, answers, error);
    if (!fill) return Fail(error);
    auto computed = marksheet::ComputeFormLayout(*paper);
    if (auto* reason = std::get_if<std::string>(&computed)) return Fail(*reason);
    const marksheet::FormLayout& layout = std::get<marksheet::FormLayout>(computed);

    // Fonts need a GUI application; no display is needed for drawing into pictures and PDF.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (showLayout) PrintLayout(layout);
    if (auto failure = marksheet::WriteForm(layout, *fill, QString::fromLocal8Bit(output.c_str()), quality))
        return std::fprintf(stderr, "marksheet-form: %s\n", failure->c_str()), 1;
    return 0;
}

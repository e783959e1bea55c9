// Where everything on the answer-sheet form goes, for a given paper: computed in canvas coordinates
// from the readers' own scan windows, offsets and grid sizes, so the readers are certain to read it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "PictureLayout.h"
#include "SheetGeometry.h"
#include "SheetReader.h"

namespace marksheet {

/// A sheet of paper as a picture: its size in pixels and the resolution it is printed or scanned at.
struct FormPaper {
    std::string name;  ///< "A4", "Letter" or "WIDTHxHEIGHT"
    int width = 0;     ///< pixels
    int height = 0;    ///< pixels
    double dpi = 0;    ///< pixels per inch; sets the printer's rim and the PDF page size
};

/// Paper sizes the tool knows, at a resolution.
FormPaper A4Paper(double dpi);
FormPaper LetterPaper(double dpi);
/// An exact size in pixels; dpi only sets how large 5 mm (the printer's rim) is.
FormPaper PixelPaper(int width, int height, double dpi = 72);

/// Parses "a4", "letter" or "WIDTHxHEIGHT" (case-insensitive) at dpi; nullopt with a reason in error.
std::optional<FormPaper> ParsePaper(std::string_view text, double dpi, std::string& error);

/// Default resolution of "a4" and "letter", and of a pixel paper when none is given.
inline constexpr double DefaultPaperDpi = 300;
inline constexpr double DefaultPixelPaperDpi = 72;

/// A rectangle in continuous canvas coordinates: canvas pixel (x, y) covers [x, x + 1) x [y, y + 1).
struct CanvasArea {
    double left = 0, top = 0, right = 0, bottom = 0;
    double Width() const { return right - left; }
    double Height() const { return bottom - top; }
};

/// One printed mark grid with its two corner marks.
struct GridForm {
    int columns = 0;
    int rows = 0;
    /// The edges and cell sizes the readers locate on a form printed exactly: the printed cell
    /// (c, r) is the readers' cell box of column c and row r.
    RegionGrid located;
    /// Where the corner scans stop on a form printed exactly.
    int topLeftScanX = 0, topLeftScanY = 0, bottomRightScanX = 0, bottomRightScanY = 0;
    CanvasArea topLeftMark;
    CanvasArea bottomRightMark;
    /// Offset of a printed box from its cell's top-left corner, and its size, in canvas pixels.
    double boxLeft = 0, boxTop = 0, boxWidth = 0, boxHeight = 0;
    /// How far (canvas pixels) a printed box may drift against its cell, across and down, and still
    /// read in its own cell, however the readers' overlay falls on the cell's first samples.
    double boxToleranceX = 0, boxToleranceY = 0;

    /// The readers' cell box of column c and row r (both from 1), as located.
    CanvasArea Cell(int column, int row) const;
    /// The printed box of column c and row r.
    CanvasArea Box(int column, int row) const;
    /// The printed grid: the area its boxes span.
    CanvasArea PrintedArea() const;
};

/// The whole form for one paper.
struct FormLayout {
    FormPaper paper;
    PicturePlacement placement;   ///< where a picture of the paper's size lands on the canvas
    double pixelsPerCanvasX = 1;  ///< picture pixels per canvas pixel
    double pixelsPerCanvasY = 1;
    CanvasArea printable;     ///< the paper less the printer's 5 mm rim
    double windowMargin = 0;  ///< least distance of a scan stop to its window's edges

    GridForm number;
    GridForm answer;

    CanvasArea title;
    CanvasArea numberHeading;
    CanvasArea details;  ///< name and subject fields, filling examples, printing advice

    double ToPictureX(double canvasX) const { return (canvasX - placement.x) * pixelsPerCanvasX; }
    double ToPictureY(double canvasY) const { return (canvasY - placement.y) * pixelsPerCanvasY; }
    double CanvasPerMillimetre() const { return paper.dpi / 25.4 / pixelsPerCanvasX; }
};

/// The rim printers leave blank, and the scanner's shift the layout leaves room for.
inline constexpr double PrinterRimMillimetres = 5;
inline constexpr double ScannerShiftMillimetres = 2;
/// Least distance of every scan stop to the edges of its scan window, in canvas pixels.
inline constexpr int MinimumWindowMargin = 4;

/// Lays the form out on the paper; a reason when the paper cannot hold a form the readers read.
std::variant<FormLayout, std::string> ComputeFormLayout(const FormPaper& paper);

/// What is filled in: the candidate number (empty or 9 digits) and the answers (up to 100
/// characters, 'A' to 'E' or '.' for blank; missing ones are blank).
struct FormFill {
    std::string number;
    std::string answers;
};

/// Checks and normalises a fill (upper-case letters, answers padded to 100); a reason when invalid.
std::optional<FormFill> NormaliseFill(std::string_view number, std::string_view answers, std::string& error);

/// Question number (1..100) of question q (1..5) in the block of block row i and block column j.
inline int QuestionNumber(int blockRow, int blockColumn, int question) {
    return ((blockRow - 1) * AnswerBlockColumns + (blockColumn - 1)) * QuestionsPerBlock + question;
}

/// Answer grid column and row (from 1) of option row k (1 the number, 2..6 A..E) of a question.
int AnswerGridColumn(int questionNumber);
int AnswerGridRow(int questionNumber, int optionRow);

/// The texts the two readers append for a normalised fill read exactly.
struct ExpectedReading {
    std::string number;   ///< nine digits; a blank column reads 0
    std::string answers;  ///< letters block by block, up to the first block without one
};
ExpectedReading ExpectReading(const FormFill& fill);

}  // namespace marksheet

// Form layout: scan stops, grid edges, cell pitches, box places and mark sizes for one paper.
//
// The readers look for each corner mark in a fixed window of the 400 x 500 canvas and take cell
// sizes as truncated quotients of the located edges, so the form is laid out in canvas pixels and
// mapped back onto the paper through the picture layout. A few facts about the road from printed
// ink to canvas pixels shape every choice here:
//  - The canvas shrinks a large picture keeping the darkest source pixel of each canvas pixel, so
//    ink spanning [a, b) in continuous canvas coordinates darkens the canvas pixels a - g .. b - 1 + g,
//    g = 1 - 1/k for k picture pixels per canvas pixel (g = 0 for a picture shown at its own size).
//  - The scans step by 2 pixels, so a located edge moves in steps of 2 against the printed mark:
//    each mark is placed in the middle of the range of positions that give the same scan stop, which
//    leaves a quantisation error of up to 1 pixel either way.
//  - A scan at 99% or 101% shifts cell k of a grid by k cell pitches times 1% against the readers'
//    cells, which never change size (their quotients sit mid-way in their range).
#include "FormLayout.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

namespace marksheet {

namespace {

constexpr double MillimetresPerInch = 25.4;
// The printing tolerance the boxes are placed for: 1% scale.
constexpr double ScaleTolerance = 0.01;
// Allowance for JPEG blur and antialiased edges, in canvas pixels.
constexpr double InkAllowance = 0.25;
// How far JPEG blur lightens the edge of a black mark past the corner test, in picture pixels.
constexpr double MarkErosion = 0.5;
// The top-left marks sit this much (canvas pixels) above the middle of the positions that stop their
// scan at the same row. Printed small, a form's upper marks move down towards the page centre while
// its lower rows move up against the readers' cells; a row's box drifting upward loses ties (they
// go to the upper row), so the mark keeps its scan stop longer in that direction.
constexpr double TopMarkLead = 0.25;
// Least space between a printed box and the edge of its cell box.
constexpr double BoxSpare = 2;
// Least distance between the number grid's located bottom edge and the answer grid's top edge:
// two quantisation steps and a 1% change of their distance.
constexpr int GridGap = 5;
// Text bands above the number grid.
constexpr double HeadingHeight = 7;
constexpr double MinimumTitleHeight = 12;
// Largest pitches worth using: beyond them boxes only grow wide, not safer.
constexpr int MaxNumberColumnWidth = 16;
constexpr int MaxNumberRowHeight = 12;

// The answer grid's row height is its truncated quotient plus one; the number grid's is not.
constexpr int NumberRowExtra = 0;
constexpr int AnswerRowExtra = 1;

// Scan stops lie on the scans' lattice of ScanStep (all windows start on even pixels).
int FloorEven(double v) {
    return ScanStep * static_cast<int>(std::floor(v / ScanStep));
}
int CeilEven(double v) {
    return ScanStep * static_cast<int>(std::ceil(v / ScanStep));
}

// A range of even scan stops.
struct StopRange {
    int lo = 0, hi = -1;
    bool Empty() const { return lo > hi; }
    StopRange Clamp(double minValue, double maxValue) const {
        return {std::max(lo, CeilEven(minValue)), std::min(hi, FloorEven(maxValue))};
    }
};

StopRange XStops(const CornerScan& scan, int margin) {
    return {CeilEven(std::min(scan.xStart, scan.xEnd) + margin),
            FloorEven(std::max(scan.xStart, scan.xEnd) - margin)};
}
StopRange YStops(const CornerScan& scan, int margin) {
    return {CeilEven(scan.yStart + margin), FloorEven(scan.yEnd - margin)};
}

// The spare part of a located span beyond `count` whole cells that sits mid-way in the range the
// truncated quotient allows (0 .. count - 1), with the parity the scan offsets force on the span.
int MidSpare(int count, int pitchTimesCount, int spanParity) {
    const double mid = (count - 1) / 2.0;
    int best = 0;
    double bestDistance = std::numeric_limits<double>::max();
    for (int spare = 0; spare < count; ++spare) {
        if (((pitchTimesCount + spare) & 1) != spanParity) continue;
        const double d = std::abs(spare - mid);
        if (d < bestDistance - 1e-9 || (std::abs(d - bestDistance) < 1e-9 && spare > best)) {
            best = spare;
            bestDistance = d;
        }
    }
    return best;
}

// Corner marks, in continuous canvas coordinates, for a scan stop (x, y). Each is placed in the
// middle of the positions that stop the scan at the same point and sized so that its confirming
// samples stay dark, and it stays clear of the grid's cells, within one pixel of quantisation.
// ex and ey allow for the JPEG blur that lightens a mark's outermost pixels past the strict corner
// test, most where a picture is shown at its own size.
CanvasArea TopLeftMark(int x, int y, double width, double height, double gx, double gy, double ex,
                       double ey) {
    const double left = x - ScanStep / 2.0 + gx - ex;
    const double top = y - ScanStep / 2.0 + gy - ey - TopMarkLead;
    return {left, top, left + width, top + height};
}
CanvasArea BottomRightMark(int x, int y, double width, double height, double gx, double gy, double ex,
                           double ey) {
    const double right = x + 1 + ScanStep / 2.0 - gx + ex;
    const double top = y - ScanStep / 2.0 + gy - ey;
    return {right - width, top, right, top + height};
}

// The canvas rows (or columns) a printed span [a, b) darkens.
std::pair<int, int> DarkSpan(double a, double b, double g) {
    return {static_cast<int>(std::ceil(a - g - 1e-9)), static_cast<int>(std::floor(b - 1 + g + 1e-9))};
}

// Lattice samples (rows or columns of them) of cell k (0 = the cell itself, -1 and -2 above or to the
// left, +1 and +2 below or to the right) that a dark span covers. A cell's first lattice line lies on
// the readers' dotted overlay, which may hide its samples: counted as hidden for the cell itself and
// as seen for its neighbours, the worst case either way.
int LatticeCount(int pitch, int cell, int darkLo, int darkHi) {
    int count = 0;
    for (int j = 0; 3 * j <= pitch; ++j) {
        const int offset = 3 * j;
        const int at = cell * pitch + offset;
        if (at < darkLo || at > darkHi) continue;
        const bool onLine = offset == 0 || offset == pitch;
        if (cell != 0 || !onLine) ++count;
    }
    return count;
}

// Whether a box at [offset, offset + size) in a cell of this pitch, moved by delta, still reads in
// its own cell. Columns are strict: not one sample may fall into a neighbouring cell (a neighbour is
// another question or digit). Rows only need to win: the darkest row of a column is its answer,
// ties going to the upper row.
bool BoxReads(int pitch, double g, double offset, double size, double delta, bool strict) {
    const auto [lo, hi] = DarkSpan(offset + delta, offset + size + delta, g);
    const int own = LatticeCount(pitch, 0, lo, hi);
    const int before = LatticeCount(pitch, -1, lo, hi) + LatticeCount(pitch, -2, lo, hi);
    const int after = LatticeCount(pitch, 1, lo, hi) + LatticeCount(pitch, 2, lo, hi);
    if (own < 1) return false;
    if (strict) return before == 0 && after == 0;
    return own > before && own >= after;
}

// The largest drift (both ways, in steps of 0.05) under which the box still reads.
double BoxTolerance(int pitch, double g, double offset, double size, bool strict) {
    double tolerance = -1;
    for (double t = 0; t <= pitch; t += 0.05) {
        if (!BoxReads(pitch, g, offset, size, t, strict) || !BoxReads(pitch, g, offset, size, -t, strict))
            break;
        tolerance = t;
    }
    return tolerance;
}

struct BoxPlace {
    double offset = 0, size = 0, tolerance = -1;
};

// Places a box in a cell, keeping BoxSpare to the cell's edges: the largest box whose tolerance
// reaches the drift needed, or, where no box reaches it, comes within a quarter pixel of the best
// tolerance any box reaches (a larger box holds more samples of a hand-filled mark).
BoxPlace PlaceBox(int pitch, double g, double needed, bool strict) {
    std::vector<BoxPlace> places;
    double bestTolerance = -1;
    constexpr double Step = 0.25;
    for (double offset = BoxSpare; offset <= pitch - BoxSpare - 2; offset += Step) {
        for (double size = 2; offset + size <= pitch - BoxSpare + 1e-9; size += Step) {
            const double t = BoxTolerance(pitch, g, offset, size, strict);
            if (t < 0) continue;
            places.push_back({offset, size, t});
            bestTolerance = std::max(bestTolerance, t);
        }
    }
    const double enough = std::min(needed, bestTolerance) - (bestTolerance < needed ? 0.25 : 0.0);
    BoxPlace best;
    for (const BoxPlace& p : places) {
        if (p.tolerance < enough - 1e-9) continue;
        if (p.size > best.size + 1e-9 ||
            (std::abs(p.size - best.size) < 1e-9 && p.tolerance > best.tolerance))
            best = p;
    }
    return best;
}

struct GridShape {
    const CornerScan& topLeft;
    const CornerScan& bottomRight;
    int columns, rows, rowExtra;
    double topLeftMarkWidth, topLeftMarkHeight, bottomRightMarkWidth, bottomRightMarkHeight;  // at g = 0
};

// Fills in a grid from its four scan stops.
GridForm MakeGrid(const GridShape& shape, int xTopLeft, int yTopLeft, int xBottomRight, int yBottomRight,
                  double gx, double gy, double ex, double ey) {
    GridForm grid;
    grid.columns = shape.columns;
    grid.rows = shape.rows;
    grid.topLeftScanX = xTopLeft;
    grid.topLeftScanY = yTopLeft;
    grid.bottomRightScanX = xBottomRight;
    grid.bottomRightScanY = yBottomRight;
    RegionGrid& r = grid.located;
    r.left = xTopLeft + shape.topLeft.edgeDx;
    r.top = yTopLeft + shape.topLeft.edgeDy;
    r.right = xBottomRight + shape.bottomRight.edgeDx;
    r.bottom = yBottomRight + shape.bottomRight.edgeDy;
    r.columnWidth = (r.right - r.left) / shape.columns;
    r.rowHeight = (r.bottom - r.top) / shape.rows + shape.rowExtra;
    grid.topLeftMark = TopLeftMark(xTopLeft, yTopLeft, shape.topLeftMarkWidth - 2 * gx,
                                   shape.topLeftMarkHeight - 2 * gy, gx, gy, ex, ey);
    grid.bottomRightMark = BottomRightMark(xBottomRight, yBottomRight, shape.bottomRightMarkWidth - 2 * gx,
                                           shape.bottomRightMarkHeight - 2 * gy, gx, gy, ex, ey);
    return grid;
}

void PlaceBoxes(GridForm& grid, double gx, double gy, int markToGridX, int markToGridY) {
    const RegionGrid& r = grid.located;
    const double neededX =
        1 + ScaleTolerance * (std::abs(markToGridX) + grid.columns * r.columnWidth) + InkAllowance;
    const double neededY =
        1 + ScaleTolerance * (std::abs(markToGridY) + grid.rows * r.rowHeight) + InkAllowance;
    const BoxPlace x = PlaceBox(r.columnWidth, gx, neededX, true);
    const BoxPlace y = PlaceBox(r.rowHeight, gy, neededY, false);
    grid.boxLeft = x.offset;
    grid.boxWidth = x.size;
    grid.boxTop = y.offset;
    grid.boxHeight = y.size;
    grid.boxToleranceX = x.tolerance;
    grid.boxToleranceY = y.tolerance;
}

std::string Describe(const FormPaper& paper) {
    std::ostringstream s;
    s << paper.name << " (" << paper.width << " x " << paper.height << " pixels at " << paper.dpi << " dpi)";
    return s.str();
}

}  // namespace

CanvasArea GridForm::Cell(int column, int row) const {
    const RegionGrid& r = located;
    const double left = r.left + (column - 1) * r.columnWidth;
    const double top = r.top + (row - 1) * r.rowHeight;
    return {left, top, left + r.columnWidth, top + r.rowHeight};
}

CanvasArea GridForm::Box(int column, int row) const {
    const CanvasArea cell = Cell(column, row);
    return {cell.left + boxLeft, cell.top + boxTop, cell.left + boxLeft + boxWidth,
            cell.top + boxTop + boxHeight};
}

CanvasArea GridForm::PrintedArea() const {
    const CanvasArea first = Box(1, 1);
    const CanvasArea last = Box(columns, rows);
    return {first.left, first.top, last.right, last.bottom};
}

FormPaper A4Paper(double dpi) {
    return {"A4", static_cast<int>(std::lround(210 / MillimetresPerInch * dpi)),
            static_cast<int>(std::lround(297 / MillimetresPerInch * dpi)), dpi};
}

FormPaper LetterPaper(double dpi) {
    return {"Letter", static_cast<int>(std::lround(8.5 * dpi)), static_cast<int>(std::lround(11 * dpi)), dpi};
}

FormPaper PixelPaper(int width, int height, double dpi) {
    return {std::to_string(width) + "x" + std::to_string(height), width, height, dpi};
}

std::optional<FormPaper> ParsePaper(std::string_view text, double dpi, std::string& error) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!(dpi >= 30 && dpi <= 2400)) {
        error = "the resolution must be between 30 and 2400 dpi";
        return std::nullopt;
    }
    if (lower == "a4") return A4Paper(dpi);
    if (lower == "letter") return LetterPaper(dpi);
    const auto x = lower.find('x');
    auto number = [](std::string_view digits, int& out) {
        if (digits.empty() || digits.size() > 6) return false;
        out = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return false;
            out = out * 10 + (c - '0');
        }
        return true;
    };
    int width = 0, height = 0;
    if (x == std::string::npos || !number(std::string_view(lower).substr(0, x), width) ||
        !number(std::string_view(lower).substr(x + 1), height)) {
        error = "unknown paper \"" + std::string(text) +
                "\": use a4, letter or WIDTHxHEIGHT in pixels (e.g. 397x481)";
        return std::nullopt;
    }
    if (width < 1 || height < 1 || width > 20000 || height > 20000) {
        error = "a paper size in pixels must be between 1 and 20000 on each side";
        return std::nullopt;
    }
    return PixelPaper(width, height, dpi);
}

std::variant<FormLayout, std::string> ComputeFormLayout(const FormPaper& paper) {
    if (paper.width < 1 || paper.height < 1 || !(paper.dpi > 0)) return "the paper has no size";
    FormLayout layout;
    layout.paper = paper;
    layout.placement = PlacePicture(paper.width, paper.height, CanvasWidth, CanvasHeight);
    const PicturePlacement& p = layout.placement;
    if (p.width < 1 || p.height < 1) return Describe(paper) + " is too narrow to show on the canvas";
    layout.pixelsPerCanvasX = static_cast<double>(paper.width) / p.width;
    layout.pixelsPerCanvasY = static_cast<double>(paper.height) / p.height;
    const double gx = 1 - 1 / layout.pixelsPerCanvasX;
    const double gy = 1 - 1 / layout.pixelsPerCanvasY;
    const double ex = MarkErosion / layout.pixelsPerCanvasX;
    const double ey = MarkErosion / layout.pixelsPerCanvasY;
    const double perMmX = paper.dpi / MillimetresPerInch / layout.pixelsPerCanvasX;
    const double perMmY = paper.dpi / MillimetresPerInch / layout.pixelsPerCanvasY;
    layout.printable = {p.x + PrinterRimMillimetres * perMmX, p.y + PrinterRimMillimetres * perMmY,
                        p.x + p.width - PrinterRimMillimetres * perMmX,
                        p.y + p.height - PrinterRimMillimetres * perMmY};
    const CanvasArea& pa = layout.printable;
    const int margin = std::max(
        MinimumWindowMargin, static_cast<int>(std::ceil(ScannerShiftMillimetres * std::max(perMmX, perMmY))));
    layout.windowMargin = margin;

    // Mark sizes at g = 0 follow from the confirming samples and the edge offsets (see the marks'
    // comment): the top-left marks reach past their farthest confirming sample and end before the
    // grid's first cell; the bottom-right marks reach back past theirs.
    const GridShape numberShape{NumberTopLeftScan,
                                NumberBottomRightScan,
                                NumberColumns,
                                NumberRows,
                                NumberRowExtra,
                                NumberTopLeftScan.edgeDx + 0.0,
                                NumberTopLeftScan.confirmDy[0] + 9.0,
                                -NumberBottomRightScan.confirmDx[0] + 5.0,
                                NumberBottomRightScan.confirmDy[0] + 7.0};
    const GridShape answerShape{
        AnswerTopLeftScan,
        AnswerBottomRightScan,
        AnswerColumns,
        AnswerRows,
        AnswerRowExtra,
        AnswerTopLeftScan.edgeDx - 1.0,
        std::max(AnswerTopLeftScan.confirmDy[0], AnswerTopLeftScan.confirmDy[1]) + 6.0,
        -std::min(AnswerBottomRightScan.confirmDx[0], AnswerBottomRightScan.confirmDx[1]) + 5.0,
        std::max(AnswerBottomRightScan.confirmDy[0], AnswerBottomRightScan.confirmDy[1]) + 5.0};

    // Scan stops allowed by the windows (with margin) and by the printable area for the marks.
    auto topLeftY = [&](const CornerScan& scan) {
        return YStops(scan, margin).Clamp(pa.top + ScanStep / 2.0 - gy + ey + TopMarkLead, 1e9);
    };
    auto bottomY = [&](const CornerScan& scan, double markHeight) {
        return YStops(scan, margin)
            .Clamp(pa.top + ScanStep / 2.0 - gy + ey,
                   pa.bottom + ScanStep / 2.0 - gy + ey - (markHeight - 2 * gy));
    };

    // Vertical: the largest answer rows, then the largest number rows, that fit one above the other.
    const int numberSpanParity = ((NumberBottomRightScan.edgeDy - NumberTopLeftScan.edgeDy) % 2 + 2) % 2;
    const int answerSpanParity = ((AnswerBottomRightScan.edgeDy - AnswerTopLeftScan.edgeDy) % 2 + 2) % 2;
    StopRange ntlY = topLeftY(NumberTopLeftScan)
                         .Clamp(pa.top + MinimumTitleHeight + HeadingHeight - NumberTopLeftScan.edgeDy, 1e9);
    const StopRange nbrY = bottomY(NumberBottomRightScan, numberShape.bottomRightMarkHeight);
    const StopRange atlY = topLeftY(AnswerTopLeftScan);
    const StopRange abrY = bottomY(AnswerBottomRightScan, answerShape.bottomRightMarkHeight);
    if (ntlY.Empty() || nbrY.Empty() || atlY.Empty() || abrY.Empty())
        return Describe(paper) + " leaves no room for the corner marks inside the printer's 5 mm rim";

    struct Vertical {
        int ntl, nbr, atl, abr;
    };
    std::optional<Vertical> vertical;
    for (int answerRow = 20; answerRow >= 5 && !vertical; --answerRow) {
        const int answerQuotient = answerRow - AnswerRowExtra;
        const int answerSpan =
            AnswerRows * answerQuotient + MidSpare(AnswerRows, AnswerRows * answerQuotient, answerSpanParity);
        for (int numberRow = MaxNumberRowHeight; numberRow >= 5 && !vertical; --numberRow) {
            const int numberQuotient = numberRow - NumberRowExtra;
            const int numberSpan = NumberRows * numberQuotient +
                                   MidSpare(NumberRows, NumberRows * numberQuotient, numberSpanParity);
            // Answer top as high as the number grid above it allows; then, with room to spare, move
            // each grid towards the middle of its windows.
            auto answerFits = [&](int atl) {
                const int top = atl + AnswerTopLeftScan.edgeDy;
                const int bottom = top + answerSpan;
                const int abr = bottom - AnswerBottomRightScan.edgeDy;
                if (abr < abrY.lo || abr > abrY.hi || atl < atlY.lo || atl > atlY.hi) return false;
                // The lowest boxes stay printable.
                return top + AnswerRows * answerRow - BoxSpare <= pa.bottom;
            };
            auto numberFits = [&](int ntl) {
                const int top = ntl + NumberTopLeftScan.edgeDy;
                const int nbr = top + numberSpan - NumberBottomRightScan.edgeDy;
                return ntl >= ntlY.lo && ntl <= ntlY.hi && nbr >= nbrY.lo && nbr <= nbrY.hi;
            };
            auto numberBottom = [&](int ntl) { return ntl + NumberTopLeftScan.edgeDy + numberSpan; };
            std::optional<Vertical> best;
            double bestScore = std::numeric_limits<double>::max();
            for (int ntl = ntlY.lo; ntl <= ntlY.hi; ntl += ScanStep) {
                if (!numberFits(ntl)) continue;
                for (int atl = atlY.lo; atl <= atlY.hi; atl += ScanStep) {
                    if (atl + AnswerTopLeftScan.edgeDy < numberBottom(ntl) + GridGap || !answerFits(atl))
                        continue;
                    const int nbr = numberBottom(ntl) - NumberBottomRightScan.edgeDy;
                    const int abr =
                        atl + AnswerTopLeftScan.edgeDy + answerSpan - AnswerBottomRightScan.edgeDy;
                    // Distance of each scan stop from the middle of its window.
                    auto off = [](int stop, const CornerScan& s) {
                        return std::abs(stop - (s.yStart + s.yEnd) / 2.0);
                    };
                    const double score =
                        std::max({off(ntl, NumberTopLeftScan), off(nbr, NumberBottomRightScan),
                                  off(atl, AnswerTopLeftScan), off(abr, AnswerBottomRightScan)});
                    if (score < bestScore) {
                        bestScore = score;
                        best = Vertical{ntl, nbr, atl, abr};
                    }
                }
            }
            vertical = best;
        }
    }
    if (!vertical)
        return Describe(paper) + " is too short to hold both grids where the readers look for them";

    // Horizontal: the widest cells that fit between the two marks of each grid, centred.
    auto horizontal = [&](const GridShape& shape, int maxPitch, int& xtl, int& xbr) -> bool {
        const StopRange tl = XStops(shape.topLeft, margin).Clamp(pa.left + ScanStep / 2.0 - gx + ex, 1e9);
        const StopRange br =
            XStops(shape.bottomRight, margin).Clamp(-1e9, pa.right - 1 - ScanStep / 2.0 + gx - ex);
        if (tl.Empty() || br.Empty()) return false;
        const int parity = ((shape.bottomRight.edgeDx - shape.topLeft.edgeDx) % 2 + 2) % 2;
        for (int pitch = maxPitch; pitch >= 4; --pitch) {
            const int span = shape.columns * pitch + MidSpare(shape.columns, shape.columns * pitch, parity);
            const int distance = span + shape.topLeft.edgeDx - shape.bottomRight.edgeDx;  // xbr - xtl
            double bestScore = std::numeric_limits<double>::max();
            bool found = false;
            for (int a = tl.lo; a <= tl.hi; a += ScanStep) {
                const int b = a + distance;
                if (b < br.lo || b > br.hi) continue;
                const double score = std::abs((a - tl.lo) - (br.hi - b));
                if (score < bestScore) {
                    bestScore = score;
                    xtl = a;
                    xbr = b;
                    found = true;
                }
            }
            if (found) return true;
        }
        return false;
    };
    int ntlX = 0, nbrX = 0, atlX = 0, abrX = 0;
    if (!horizontal(answerShape, 40, atlX, abrX) ||
        !horizontal(numberShape, MaxNumberColumnWidth, ntlX, nbrX))
        return Describe(paper) + " is too narrow to hold the grids where the readers look for them";

    layout.number = MakeGrid(numberShape, ntlX, vertical->ntl, nbrX, vertical->nbr, gx, gy, ex, ey);
    layout.answer = MakeGrid(answerShape, atlX, vertical->atl, abrX, vertical->abr, gx, gy, ex, ey);
    PlaceBoxes(layout.number, gx, gy, NumberTopLeftScan.edgeDx, NumberTopLeftScan.edgeDy);
    PlaceBoxes(layout.answer, gx, gy, AnswerTopLeftScan.edgeDx, AnswerTopLeftScan.edgeDy);

    // Text around the grids.
    const double numberTop = layout.number.located.top;
    layout.numberHeading = {layout.number.topLeftMark.left, numberTop - HeadingHeight - 1, pa.right,
                            std::min<double>(numberTop - 1, layout.number.topLeftMark.top - 0.5)};
    // Black text stays out of the corner windows.
    layout.title = {pa.left, pa.top, pa.right,
                    std::min<double>(layout.numberHeading.top - 1, NumberTopLeftScan.yStart - 1)};
    layout.details = {
        pa.left, layout.numberHeading.top,
        std::min<double>(NumberTopLeftScan.xStart - 2, layout.number.topLeftMark.left - 4),
        std::min<double>(layout.answer.located.top - 3,
                         std::min<double>(AnswerTopLeftScan.yStart, layout.answer.topLeftMark.top) - 2)};
    return layout;
}

std::optional<FormFill> NormaliseFill(std::string_view number, std::string_view answers, std::string& error) {
    FormFill fill;
    if (!number.empty()) {
        if (number.size() != static_cast<std::size_t>(NumberColumns) ||
            !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            error =
                "the candidate number must be exactly 9 digits 0 to 9, got \"" + std::string(number) + "\"";
            return std::nullopt;
        }
        fill.number = number;
    }
    if (answers.size() > static_cast<std::size_t>(QuestionCount)) {
        error = "at most 100 answers, got " + std::to_string(answers.size());
        return std::nullopt;
    }
    fill.answers.assign(QuestionCount, '.');
    for (std::size_t i = 0; i < answers.size(); ++i) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(answers[i])));
        if (c != '.' && (c < 'A' || c > 'E')) {
            error = "answer " + std::to_string(i + 1) + " is '" + std::string(1, answers[i]) +
                    "': each answer must be a letter A to E or '.' for blank";
            return std::nullopt;
        }
        fill.answers[i] = c;
    }
    return fill;
}

int AnswerGridColumn(int questionNumber) {
    const int block = (questionNumber - 1) / QuestionsPerBlock;  // 0-based, in reading order
    const int blockColumn = block % AnswerBlockColumns;
    const int question = (questionNumber - 1) % QuestionsPerBlock;
    return blockColumn * (QuestionsPerBlock + 1) + question + 1;
}

int AnswerGridRow(int questionNumber, int optionRow) {
    const int block = (questionNumber - 1) / QuestionsPerBlock;
    const int blockRow = block / AnswerBlockColumns;
    return blockRow * (AnswerOptionRows + 1) + optionRow;
}

ExpectedReading ExpectReading(const FormFill& fill) {
    ExpectedReading expected;
    expected.number = fill.number.empty() ? std::string(NumberColumns, '0') : fill.number;
    for (int block = 0; block < QuestionCount / QuestionsPerBlock; ++block) {
        std::string letters;
        for (int q = 0; q < QuestionsPerBlock; ++q) {
            const std::size_t i = static_cast<std::size_t>(block * QuestionsPerBlock + q);
            if (i < fill.answers.size() && fill.answers[i] >= 'A' && fill.answers[i] <= 'E')
                letters += fill.answers[i];
        }
        if (letters.empty()) break;
        expected.answers += letters;
    }
    return expected;
}

}  // namespace marksheet

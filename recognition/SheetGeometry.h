// The fixed geometry the readers rely on: darkness limits, corner scan windows and offsets, grid sizes.
// The printable form derives its layout from these numbers, so a change here shows in the form.
#pragma once

namespace marksheet {

/// Corner test: a brightness (red + green + blue) below this is dark.
inline constexpr int CornerDarkLimit = 30;
/// Counting test: a brightness below this counts as a dark sample.
inline constexpr int MarkDarkLimit = 50;
/// Distance between neighbouring samples of a cell's lattice, in x and in y.
inline constexpr int SampleStep = 3;
/// Distance between neighbouring scan points of a corner search, in x and in y.
inline constexpr int ScanStep = 2;

/// Colour set at the top of each column a reader reads: red 50, never dark under either test.
inline constexpr int CellMarkerColour = 50;

/// Number grid: 9 columns (digits of the candidate number) by 10 rows (digits 0..9).
inline constexpr int NumberColumns = 9;
inline constexpr int NumberRows = 10;

/// Answer grid: 23 columns by 34 rows, 5 block rows by 4 block columns of 5 questions x 6 rows,
/// with one unread gap column and gap row between blocks.
inline constexpr int AnswerColumns = 23;
inline constexpr int AnswerRows = 34;
inline constexpr int AnswerBlockRows = 5;
inline constexpr int AnswerBlockColumns = 4;
inline constexpr int QuestionsPerBlock = 5;
inline constexpr int AnswerOptionRows = 6;  // row 1 the question number, rows 2..6 options A..E
inline constexpr int QuestionCount = AnswerBlockRows * AnswerBlockColumns * QuestionsPerBlock;

/// One corner scan: a window of scan points, its confirming samples and the edges it sets.
struct CornerScan {
    int xStart, xEnd;    ///< outer loop, inclusive; x moves from xStart towards xEnd by ScanStep
    int yStart, yEnd;    ///< inner loop, inclusive; y always moves down
    int confirmCount;    ///< 1 or 2 confirming samples
    int confirmDx[2], confirmDy[2];
    int edgeDx, edgeDy;  ///< the edges set on success: (x + edgeDx, y + edgeDy)
};

inline constexpr CornerScan NumberTopLeftScan{180, 250, 40, 80, 1, {10, 0}, {5, 0}, 15, 0};
inline constexpr CornerScan NumberBottomRightScan{380, 330, 120, 180, 1, {-2, 0}, {2, 0}, -5, 10};
inline constexpr CornerScan AnswerTopLeftScan{2, 50, 140, 190, 2, {8, 3}, {4, 3}, 13, -3};
inline constexpr CornerScan AnswerBottomRightScan{390, 330, 410, 490, 2, {-2, -3}, {4, 3}, -5, 7};

}  // namespace marksheet

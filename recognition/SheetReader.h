// The recognition engine's front door: the reader object with its two grid records and the two readings.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "SheetGeometry.h"
#include "SheetSurface.h"
#include "TextSink.h"

namespace marksheet {

/// The located rectangle of one mark grid and its cell size, in canvas pixels.
struct RegionGrid {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::int32_t columnWidth = 0;
    std::int32_t rowHeight = 0;
    friend bool operator==(const RegionGrid&, const RegionGrid&) = default;
};

/// What one number reading saw, beside the nine digits it appended.
struct NumberReading {
    bool topLeftFound = false;
    bool bottomRightFound = false;
    RegionGrid grid;                                                  ///< as located (left not advanced)
    std::array<std::array<int, NumberRows>, NumberColumns> counts{};  ///< [column][row], dark samples
    std::array<int, NumberColumns> digits{};                          ///< chosen digit per column
    std::string text;                                                 ///< exactly what was appended
};

/// Block b (1..20, block row by block row, left to right) holds the questions 5(b - 1) + 1 to 5b:
/// the order in which they are read and their letters appended.
inline constexpr int AnswerBlockCount = AnswerBlockRows * AnswerBlockColumns;

/// What one answer reading saw, beside the letters it appended.
struct AnswerReading {
    bool topLeftFound = false;
    bool bottomRightFound = false;
    RegionGrid grid;
    /// [question - 1][option row - 1] dark samples; zero for questions of blocks not read.
    std::array<std::array<int, AnswerOptionRows>, QuestionCount> counts{};
    /// Winning row per question: 0 none or not read, 1 the number row, 2..6 options A..E.
    std::array<int, QuestionCount> rows{};
    int blocksRead = 0;                    ///< blocks read, in reading order
    std::optional<int> stoppedAfterBlock;  ///< block (1..20) that gave no letter, if any
    std::array<std::string, AnswerBlockCount>
        blockTexts;    ///< each block's letters as appended; "" if not read
    std::string text;  ///< exactly what was appended, all blocks
};

/// The text of a question's winning row: "" for none (0) and for the number row (1), "A".."E" for 2..6.
std::string_view OptionLetter(int row);

/// One sheet reader: keeps the two grid records for its whole life (zero at start, never
/// reset). Readings of one kind run one after another; the two kinds may run side by side.
class SheetReader {
public:
    SheetReader(SheetSurface& surface, TextSink& sink);

    /// Locates and draws the number grid, reads its nine columns and appends one digit per column.
    NumberReading ReadNumberGrid();
    /// Locates and draws the answer grid, reads block after block, appends each block's letters,
    /// and stops after the first block that gives no letter.
    AnswerReading ReadAnswerGrid();

    /// The records as they stand after the last locating; never waits for a reading to finish, so
    /// it is safe on the thread that carries out the sink's appends.
    RegionGrid NumberGridRecord() const;
    RegionGrid AnswerGridRecord() const;

private:
    SheetSurface& surface;
    TextSink& sink;
    mutable std::mutex numberLock;  // held for a whole number reading
    mutable std::mutex answerLock;  // held for a whole answer reading
    mutable std::mutex recordLock;  // held only to copy a record in or out, never around a call out
    RegionGrid numberGrid;
    RegionGrid answerGrid;
};

}  // namespace marksheet

// What the batch reader knows about one input file: its status, the text read and its warnings.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "SheetGeometry.h"

namespace marksheet {

/// How far a file got: read, or why not.
enum class SheetStatus {
    Ok,           ///< decoded and read (possibly with warnings)
    Unreadable,   ///< the file could not be read (missing, a directory, no permission, too large)
    Undecodable,  ///< the bytes are no picture the canvas shows
};

/// The four printed corner marks the readers look for.
enum class GridCorner { NumberTopLeft, NumberBottomRight, AnswerTopLeft, AnswerBottomRight };

/// Something a reading did that a teacher should look at; the text read stays as it is.
struct SheetWarning {
    enum class Kind {
        CornerMissing,      ///< a corner mark was not found, the grid edges are guesses
        ColumnWithoutInk,   ///< a number column has no dark sample at all (it reads as 0)
        Tie,                ///< the best count of a column or question is shared by another row
        AnswersLeftUnread,  ///< a block after the stop has a question whose darkest row is an option
    };
    Kind kind = Kind::CornerMissing;
    GridCorner corner = GridCorner::NumberTopLeft;  ///< CornerMissing
    int column = 0;                                 ///< number column 1..9 (ColumnWithoutInk, Tie)
    int question = 0;                               ///< question 1..100 (Tie in the answer grid)
    int block = 0;                                  ///< answer block 1..20 (AnswersLeftUnread)
    std::vector<int> rows;                          ///< grid rows sharing the best count (Tie), 1-based
    friend bool operator==(const SheetWarning&, const SheetWarning&) = default;
};

/// The outcome for one input file.
struct SheetResult {
    std::string file;  ///< the name as given on the command line (bytes, not re-encoded)
    SheetStatus status = SheetStatus::Ok;
    std::string reason;   ///< why the file failed; empty when read
    std::string number;   ///< the digits the window would append to the number box
    std::string answers;  ///< the letters the window would append to the answer box
    /// Letter per question ('A'..'E'), or 0 where the question gave no letter or was not reached.
    std::array<char, QuestionCount> questions{};
    std::optional<int> stoppedAfterBlock;  ///< the block (1..20) after which the answer reading stopped
    std::vector<SheetWarning> warnings;
    /// Set when the annotated canvas could not be written; the reading itself stands.
    std::string annotationError;
};

}  // namespace marksheet

// Turning the structured readings into the warnings a teacher sees, and naming them.
#pragma once

#include <string>
#include <vector>

#include "SheetReader.h"
#include "SheetResult.h"

namespace marksheet {

/// Warnings of one sheet, in a fixed order: missing corners, number columns without ink, ties in the
/// number grid, ties in the answers, blocks left unread. blocksLeftUnread lists the blocks (1..20)
/// after the stop in which some question's darkest row is an option row.
std::vector<SheetWarning> CollectWarnings(const NumberReading& number, const AnswerReading& answers,
                                          const std::vector<int>& blocksLeftUnread);

/// The corner's short name, e.g. "number_top_left".
std::string_view CornerCode(GridCorner corner);
/// The warning's short code without its place, e.g. "tie".
std::string_view WarningKindCode(SheetWarning::Kind kind);
/// One token with its place and no spaces, e.g. "tie:column=3:rows=4/7" or "corner_missing:answer_top_left".
std::string WarningToken(const SheetWarning& warning);
/// A sentence for people, e.g. "number column 3: rows 4 and 7 are equally dark".
std::string WarningSentence(const SheetWarning& warning);

}  // namespace marksheet

// Checks over a finished reading that tell the user where a sheet's result may be wrong or short.
#pragma once

#include <vector>

#include "SheetReader.h"
#include "SheetSurface.h"

namespace marksheet {

/// Columns (1..9) of the number grid in which no cell had a single dark sample: their digit 0 is
/// a default, not a mark.
std::vector<int> FindBlankColumns(const NumberReading& reading);

/// Columns (1..9) whose highest count (above 0) was reached by more than one row: the upper row won.
std::vector<int> FindTiedColumns(const NumberReading& reading);

/// Questions (1..100) of the blocks read whose highest count (above 0) was reached by more than one
/// row: the upper row won.
std::vector<int> FindTiedQuestions(const AnswerReading& reading);

/// After a reading that stopped at a block without a letter: the blocks (1..20) after that stop in
/// which some question's darkest row is an option row, i.e. answers that were never read. Counts
/// those cells on the surface as the reader would, with the grid as located; never draws and
/// appends no text. Empty when the reading did not stop early.
std::vector<int> FindBlocksLeftUnread(SheetSurface& surface, const AnswerReading& reading);

}  // namespace marksheet

// Turning the structured readings into the warnings a teacher sees, and naming them.
#include "SheetWarnings.h"

#include <algorithm>

#include "ReadingChecks.h"

namespace marksheet {
namespace {

// The rows (1-based) that reached a count's best value; the engine has already said there is a tie.
template <std::size_t N>
std::vector<int> RowsWithBestCount(const std::array<int, N>& counts) {
    const int best = *std::max_element(counts.begin(), counts.end());
    std::vector<int> rows;
    for (std::size_t r = 0; r < N; ++r)
        if (counts[r] == best) rows.push_back(static_cast<int>(r) + 1);
    return rows;
}

std::string JoinRows(const std::vector<int>& rows, std::string_view separator, std::string_view last) {
    std::string out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0) out += (i + 1 == rows.size()) ? last : separator;
        out += std::to_string(rows[i]);
    }
    return out;
}

SheetWarning Warning(SheetWarning::Kind kind) {
    SheetWarning warning;
    warning.kind = kind;
    return warning;
}

}  // namespace

std::vector<SheetWarning> CollectWarnings(const NumberReading& number, const AnswerReading& answers,
                                          const std::vector<int>& blocksLeftUnread) {
    std::vector<SheetWarning> warnings;
    auto corner = [&](bool found, GridCorner which) {
        if (found) return;
        warnings.push_back(Warning(SheetWarning::Kind::CornerMissing));
        warnings.back().corner = which;
    };
    corner(number.topLeftFound, GridCorner::NumberTopLeft);
    corner(number.bottomRightFound, GridCorner::NumberBottomRight);
    corner(answers.topLeftFound, GridCorner::AnswerTopLeft);
    corner(answers.bottomRightFound, GridCorner::AnswerBottomRight);

    for (int column : FindBlankColumns(number)) {
        warnings.push_back(Warning(SheetWarning::Kind::ColumnWithoutInk));
        warnings.back().column = column;
    }
    for (int column : FindTiedColumns(number)) {
        warnings.push_back(Warning(SheetWarning::Kind::Tie));
        warnings.back().column = column;
        warnings.back().rows = RowsWithBestCount(number.counts[static_cast<std::size_t>(column - 1)]);
    }
    for (int question : FindTiedQuestions(answers)) {
        warnings.push_back(Warning(SheetWarning::Kind::Tie));
        warnings.back().question = question;
        warnings.back().rows = RowsWithBestCount(answers.counts[static_cast<std::size_t>(question - 1)]);
    }
    for (int block : blocksLeftUnread) {
        warnings.push_back(Warning(SheetWarning::Kind::AnswersLeftUnread));
        warnings.back().block = block;
    }
    return warnings;
}

std::string_view CornerCode(GridCorner corner) {
    switch (corner) {
        case GridCorner::NumberTopLeft:
            return "number_top_left";
        case GridCorner::NumberBottomRight:
            return "number_bottom_right";
        case GridCorner::AnswerTopLeft:
            return "answer_top_left";
        case GridCorner::AnswerBottomRight:
            return "answer_bottom_right";
    }
    return "unknown";
}

std::string_view WarningKindCode(SheetWarning::Kind kind) {
    switch (kind) {
        case SheetWarning::Kind::CornerMissing:
            return "corner_missing";
        case SheetWarning::Kind::ColumnWithoutInk:
            return "column_without_ink";
        case SheetWarning::Kind::Tie:
            return "tie";
        case SheetWarning::Kind::AnswersLeftUnread:
            return "answers_left_unread";
    }
    return "unknown";
}

std::string WarningToken(const SheetWarning& w) {
    std::string token(WarningKindCode(w.kind));
    switch (w.kind) {
        case SheetWarning::Kind::CornerMissing:
            token += ":" + std::string(CornerCode(w.corner));
            break;
        case SheetWarning::Kind::ColumnWithoutInk:
            token += ":column=" + std::to_string(w.column);
            break;
        case SheetWarning::Kind::Tie:
            token += w.question > 0 ? ":question=" + std::to_string(w.question)
                                    : ":column=" + std::to_string(w.column);
            token += ":rows=" + JoinRows(w.rows, "/", "/");
            break;
        case SheetWarning::Kind::AnswersLeftUnread:
            token += ":block=" + std::to_string(w.block);
            break;
    }
    return token;
}

std::string WarningSentence(const SheetWarning& w) {
    switch (w.kind) {
        case SheetWarning::Kind::CornerMissing: {
            static constexpr std::string_view names[] = {
                "top-left corner mark of the number grid", "bottom-right corner mark of the number grid",
                "top-left corner mark of the answer grid", "bottom-right corner mark of the answer grid"};
            return std::string(names[static_cast<int>(w.corner)]) + " not found";
        }
        case SheetWarning::Kind::ColumnWithoutInk:
            return "number column " + std::to_string(w.column) + " has no mark (read as 0)";
        case SheetWarning::Kind::Tie:
            return (w.question > 0 ? "question " + std::to_string(w.question)
                                   : "number column " + std::to_string(w.column)) +
                   ": rows " + JoinRows(w.rows, ", ", " and ") +
                   " are equally dark (the upper one was taken)";
        case SheetWarning::Kind::AnswersLeftUnread:
            return "block " + std::to_string(w.block) + " has marked answers after the reading stopped";
    }
    return "unknown warning";
}

}  // namespace marksheet

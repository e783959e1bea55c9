// The end of a batch: counts, candidate numbers seen on more than one sheet, the exit status, and the
// progress line shown while the batch runs.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "SheetResult.h"

namespace marksheet {

/// Exit statuses of marksheet-read.
enum BatchExitStatus : int {
    ExitAllRead = 0,       ///< every file read, no warnings
    ExitSomeFailed = 1,    ///< some file could not be read or decoded (or its annotation not written)
    ExitUsage = 2,         ///< wrong command line
    ExitSomeWarnings = 3,  ///< every file read, some with warnings
};

/// Gathers the results of a batch as they are delivered.
class BatchTally {
public:
    void Add(const SheetResult& result);

    int Total() const { return total; }
    int Read() const { return read; }
    int WithWarnings() const { return withWarnings; }
    int Failed() const { return failed; }
    /// Candidate numbers read on more than one sheet, each with its files in input order.
    std::vector<std::pair<std::string, std::vector<std::string>>> RepeatedNumbers() const;

    int ExitStatus() const;
    /// The summary for stderr, several lines, each ending in a line feed.
    std::string SummaryText() const;

private:
    int total = 0, read = 0, withWarnings = 0, failed = 0;
    std::map<std::string, std::vector<std::string>> filesByNumber;
};

/// The progress line, without line end: "12/300 sheets, 41.5 sheets/s, about 7 s left".
std::string ProgressText(std::size_t done, std::size_t total, double elapsedSeconds);

/// Names of the annotated canvases, one per input in order: the input's last path component with
/// ".png" added; a name already given to an earlier input, or one that `taken` refuses (say, because
/// it would overwrite an input), gets "-2", "-3", ... before ".png".
std::vector<std::string> AnnotationNames(const std::vector<std::string>& inputNames,
                                         const std::function<bool(const std::string&)>& taken = {});

}  // namespace marksheet

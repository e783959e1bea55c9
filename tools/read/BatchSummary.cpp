// The end of a batch: counts, candidate numbers seen on more than one sheet, the exit status, and the
// progress line shown while the batch runs.
#include "BatchSummary.h"

#include <charconv>
#include <cmath>
#include <set>

#include "ResultFormat.h"

namespace marksheet {
namespace {

// Fixed-point text with one decimal, independent of the process locale.
std::string OneDecimal(double value) {
    char buffer[32];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    return error == std::errc() ? std::string(buffer, end) : "?";
}

std::string Duration(double seconds) {
    const long s = std::lround(seconds);
    if (s < 60) return std::to_string(s) + " s";
    if (s < 3600) return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
    return std::to_string(s / 3600) + " h " + std::to_string(s % 3600 / 60) + " min";
}

std::string Plural(int n, std::string_view one, std::string_view many) {
    return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

}  // namespace

void BatchTally::Add(const SheetResult& result) {
    ++total;
    if (result.status != SheetStatus::Ok || !result.annotationError.empty()) ++failed;
    if (result.status != SheetStatus::Ok) return;
    ++read;
    if (!result.warnings.empty()) ++withWarnings;
    filesByNumber[result.number].push_back(result.file);
}

std::vector<std::pair<std::string, std::vector<std::string>>> BatchTally::RepeatedNumbers() const {
    std::vector<std::pair<std::string, std::vector<std::string>>> repeated;
    for (const auto& [number, files] : filesByNumber)
        if (files.size() > 1) repeated.emplace_back(number, files);
    return repeated;
}

int BatchTally::ExitStatus() const {
    if (failed > 0) return ExitSomeFailed;
    if (withWarnings > 0) return ExitSomeWarnings;
    return ExitAllRead;
}

std::string BatchTally::SummaryText() const {
    std::string text = "marksheet-read: " + Plural(total, "file", "files") + ": " +
                       Plural(read, "sheet read", "sheets read") + ", " + std::to_string(withWarnings) +
                       " with warnings, " + std::to_string(failed) + " failed\n";
    for (const auto& [number, files] : RepeatedNumbers()) {
        text += "marksheet-read: candidate number " + number + " is on " + std::to_string(files.size()) +
                " sheets:";
        for (const auto& file : files) text += " " + LineSafe(file);
        text += "\n";
    }
    return text;
}

std::string ProgressText(std::size_t done, std::size_t total, double elapsedSeconds) {
    std::string text = std::to_string(done) + "/" + std::to_string(total) + " sheets";
    if (done == 0 || elapsedSeconds <= 0) return text;
    const double rate = static_cast<double>(done) / elapsedSeconds;
    text += ", " + OneDecimal(rate) + " sheets/s";
    if (done < total) {
        const double left = static_cast<double>(total - done) / rate;
        text += left < 0.5 ? ", under 1 s left" : ", about " + Duration(left) + " left";
    }
    return text;
}

std::vector<std::string> AnnotationNames(const std::vector<std::string>& inputNames,
                                         const std::function<bool(const std::string&)>& taken) {
    std::set<std::string> used;
    std::vector<std::string> names;
    names.reserve(inputNames.size());
    for (const std::string& input : inputNames) {
        std::string base = input;
        while (base.size() > 1 && base.back() == '/') base.pop_back();
        if (const auto slash = base.rfind('/'); slash != std::string::npos) base = base.substr(slash + 1);
        if (base.empty() || base == "." || base == ".." || base == "/") base = "sheet";
        std::string name = base + ".png";
        for (int n = 2; used.contains(name) || (taken && taken(name)); ++n)
            name = base + "-" + std::to_string(n) + ".png";
        used.insert(name);
        names.push_back(name);
    }
    return names;
}

}  // namespace marksheet

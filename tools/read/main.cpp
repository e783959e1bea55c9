// marksheet-read: reads a stack of scanned answer sheets from the command line, in parallel, and
// prints each sheet's candidate number and answers in input order.
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <thread>

#include "BatchOptions.h"
#include "BatchSummary.h"
#include "ReadSheet.h"
#include "ReadingPool.h"
#include "ResultFormat.h"
#include "SampleSheet.h"
#include "SheetWarnings.h"

namespace marksheet {
namespace {

constexpr const char* ProgramName = "marksheet-read";

void Message(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", ProgramName, text.c_str());
}

// The progress line on a terminal's stderr, rewritten in place; cleared before anything else is
// written there so that messages never end up inside it.
class ProgressLine {
public:
    ProgressLine(bool shown, std::size_t total) : shown(shown), total(total) {}
    void Show(std::size_t done) {
        if (!shown) return;
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::string text = ProgressText(done, total, elapsed);
        std::string line = "\r" + text;
        if (text.size() < width) line.append(width - text.size(), ' ');
        width = text.size();
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
    }
    void Clear() {
        if (!shown || width == 0) return;
        std::fputs(("\r" + std::string(width, ' ') + "\r").c_str(), stderr);
        width = 0;
    }

private:
    bool shown;
    std::size_t total;
    std::size_t width = 0;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

// Makes the folder for the annotated canvases, with its parents; returns the reason on failure.
std::string MakeFolder(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return std::generic_category().message(errno);
        if (slash == std::string::npos) break;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::generic_category().message(errno);
    if (!S_ISDIR(info.st_mode)) return std::generic_category().message(ENOTDIR);
    return {};
}

int Run(const BatchOptions& options) {
    const std::vector<BatchInput>& inputs = options.inputs;
    std::vector<std::string> annotationPaths;
    if (!options.annotateDir.empty()) {
        if (const std::string reason = MakeFolder(options.annotateDir); !reason.empty()) {
            Message("cannot use the folder '" + LineSafe(options.annotateDir) +
                    "' for annotated sheets: " + reason);
            return ExitUsage;
        }
        std::vector<std::string> names;
        for (const BatchInput& input : inputs) names.push_back(input.sample ? "sample-sheet" : input.name);
        std::string folder = options.annotateDir;
        if (folder.back() != '/') folder += '/';
        // An annotation must never overwrite a sheet of the batch (say a.jpg.png beside a.jpg).
        std::set<std::filesystem::path> inputPaths;
        for (const BatchInput& input : inputs) {
            std::error_code ignored;
            if (!input.sample) inputPaths.insert(std::filesystem::weakly_canonical(input.name, ignored));
        }
        auto overwritesInput = [&](const std::string& name) {
            std::error_code ignored;
            return inputPaths.contains(std::filesystem::weakly_canonical(folder + name, ignored));
        };
        for (const std::string& name : AnnotationNames(names, overwritesInput))
            annotationPaths.push_back(folder + name);
    }

    unsigned jobs = options.jobs ? options.jobs : std::thread::hardware_concurrency();
    if (jobs == 0) jobs = 1;

    ProgressLine progress(::isatty(STDERR_FILENO) && inputs.size() > 1, inputs.size());
    BatchTally tally;
    std::fputs(FormatHeader(options.format).c_str(), stdout);

    auto produce = [&](std::size_t i) -> SheetResult {
        const BatchInput& input = inputs[i];
        std::vector<CanvasColour> annotated;
        std::vector<CanvasColour>* keep = annotationPaths.empty() ? nullptr : &annotated;
        SheetResult result;
        try {
            result = input.sample ? ReadSheetBytes(input.name, SampleSheetBytes(), keep)
                                  : ReadSheetFile(input.name, keep);
        } catch (const std::bad_alloc&) {
            result = SheetResult{};
            result.file = input.name;
            result.status = SheetStatus::Undecodable;
            result.reason = "not enough memory to read the picture";
        } catch (const std::exception& error) {
            // One bad sheet must not end the batch: it fails alone, with the reason.
            result = SheetResult{};
            result.file = input.name;
            result.status = SheetStatus::Undecodable;
            result.reason = error.what();
        }
        if (keep && result.status == SheetStatus::Ok) {
            if (std::string reason = WriteCanvasPng(annotationPaths[i], annotated); !reason.empty())
                result.annotationError = "cannot write " + LineSafe(annotationPaths[i]) + ": " + reason;
        }
        return result;
    };
    auto deliver = [&](std::size_t, SheetResult&& result) {
        progress.Clear();
        const std::string record = FormatResult(options.format, result);
        std::fwrite(record.data(), 1, record.size(), stdout);
        std::fflush(stdout);  // streamed: a script reading the pipe sees each sheet as it is known
        const std::string name = LineSafe(result.file);
        if (result.status != SheetStatus::Ok)
            Message(name + ": " + std::string(StatusName(result.status)) + ": " + result.reason);
        if (!result.annotationError.empty()) Message(name + ": " + result.annotationError);
        // Text lines have no room for warnings; say them here, where the failures are said too.
        if (options.format == OutputFormat::Text)
            for (const SheetWarning& warning : result.warnings)
                Message(name + ": warning: " + WarningSentence(warning));
        tally.Add(result);
    };
    auto tick = [&](std::size_t done) { progress.Show(done); };

    ReadInOrder<SheetResult>(inputs.size(), jobs, produce, deliver, tick);
    progress.Clear();

    std::fflush(stdout);
    if (std::ferror(stdout)) {
        Message("writing the results failed");
        std::fputs(tally.SummaryText().c_str(), stderr);
        return ExitSomeFailed;
    }
    std::fputs(tally.SummaryText().c_str(), stderr);
    return tally.ExitStatus();
}

}  // namespace
}  // namespace marksheet

int main(int argc, char** argv) {
    using namespace marksheet;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto parsed = ParseCommandLine(args);
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        Message(error->message);
        std::fputs(UsageText().c_str(), stderr);
        return ExitUsage;
    }
    const auto& options = std::get<BatchOptions>(parsed);
    if (options.help) {
        // Asking for help is no usage error: the text goes to stdout and the run succeeds.
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    // No application object: Qt's image reader finds its GIF and ICO plugins without one, and none
    // would change the locale under the output.
    return Run(options);
}

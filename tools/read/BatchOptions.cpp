// The command line of marksheet-read: options, inputs and the usage text.
#include "BatchOptions.h"

#include <charconv>
#include <optional>

namespace marksheet {
namespace {

// More workers than this only adds memory and threads; a pool is not faster than its cores.
constexpr unsigned MaxJobs = 1024;

std::optional<OutputFormat> ParseFormat(std::string_view text) {
    if (text == "text") return OutputFormat::Text;
    if (text == "csv") return OutputFormat::Csv;
    if (text == "json") return OutputFormat::Json;
    return std::nullopt;
}

std::optional<unsigned> ParseJobs(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > MaxJobs)
        return std::nullopt;
    return value;
}

}  // namespace

std::variant<BatchOptions, UsageError> ParseCommandLine(const std::vector<std::string>& args) {
    BatchOptions options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.inputs.push_back({arg, false});
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (const auto equals = arg.find('='); arg.starts_with("--") && equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        }
        auto takeValue = [&]() -> std::optional<std::string> {
            if (value) return value;
            if (i + 1 < args.size()) return args[++i];
            return std::nullopt;
        };
        auto needsNoValue = [&]() { return !value.has_value(); };

        if (name == "-h" || name == "--help") {
            if (!needsNoValue()) return UsageError{"option " + name + " takes no value"};
            options.help = true;
        } else if (name == "--sample") {
            if (!needsNoValue()) return UsageError{"option " + name + " takes no value"};
            options.inputs.push_back({std::string(SampleInputName), true});
        } else if (name == "--format" || name == "-f") {
            const auto text = takeValue();
            if (!text) return UsageError{"option " + name + " needs a value: text, csv or json"};
            const auto format = ParseFormat(*text);
            if (!format) return UsageError{"unknown output format '" + *text + "' (text, csv or json)"};
            options.format = *format;
        } else if (name == "--jobs" || name == "-j") {
            const auto text = takeValue();
            if (!text) return UsageError{"option " + name + " needs a number of jobs"};
            const auto jobs = ParseJobs(*text);
            if (!jobs)
                return UsageError{"the number of jobs must be a whole number from 1 to " +
                                  std::to_string(MaxJobs) + ", not '" + *text + "'"};
            options.jobs = *jobs;
        } else if (name == "--annotate" || name == "-a") {
            const auto text = takeValue();
            if (!text || text->empty()) return UsageError{"option " + name + " needs a folder"};
            options.annotateDir = *text;
        } else {
            return UsageError{"unknown option '" + name + "'"};
        }
    }
    if (!options.help && options.inputs.empty()) return UsageError{"no files to read"};
    return options;
}

std::string UsageText() {
    return "Usage: marksheet-read [options] FILE...\n"
           "Reads scanned answer sheets (BMP, JPEG, PNG, ICO, CUR, GIF, PCX) and prints, per file in the\n"
           "order given, the candidate number and the answer letters.\n"
           "\n"
           "Options:\n"
           "  -f, --format FORMAT  text (default: file, number, answers, tab-separated),\n"
           "                       csv (one column per question, warnings last) or json (JSON Lines)\n"
           "  -j, --jobs N         read N files at once (default: one per core)\n"
           "  -a, --annotate DIR   save each sheet as read, grids and marks drawn, as a PNG in DIR\n"
           "      --sample         read the built-in sample sheet as well\n"
           "  -h, --help           show this text\n"
           "\n"
           "Exit status: 0 all read without warnings, 3 all read but some with warnings,\n"
           "1 some file could not be read, 2 wrong usage.\n";
}

}  // namespace marksheet

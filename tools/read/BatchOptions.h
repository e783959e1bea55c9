// The command line of marksheet-read: options, inputs and the usage text.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "ResultFormat.h"

namespace marksheet {

/// One input: a file path, or the built-in sample sheet.
struct BatchInput {
    std::string name;     ///< the path as given, or SampleInputName
    bool sample = false;  ///< read the built-in sample instead of a file
    friend bool operator==(const BatchInput&, const BatchInput&) = default;
};

/// How the built-in sample is named in the output.
inline constexpr std::string_view SampleInputName = "<sample>";

struct BatchOptions {
    OutputFormat format = OutputFormat::Text;
    unsigned jobs = 0;        ///< 0: one per core
    std::string annotateDir;  ///< empty: no annotated canvases
    std::vector<BatchInput> inputs;
    bool help = false;
};

/// A command line that cannot be run; the message says why.
struct UsageError {
    std::string message;
};

/// Parses the arguments after the program name. Options and files may be mixed; "--" ends the
/// options; "--opt=value" and "--opt value" are both accepted.
std::variant<BatchOptions, UsageError> ParseCommandLine(const std::vector<std::string>& args);

/// The short usage text printed for --help and after a usage error.
std::string UsageText();

}  // namespace marksheet

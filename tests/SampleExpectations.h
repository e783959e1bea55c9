// Reads a sample picture's sidecar expectations: key=value lines such as number=... and answers=...
#pragma once

#include <fstream>
#include <map>
#include <string>

namespace marksheet {

/// The sidecar's values by key; blank lines and lines starting with '#' are ignored, and a missing
/// file gives no values.
inline std::map<std::string, std::string> ReadSampleExpectations(const char* path) {
    std::map<std::string, std::string> values;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const auto equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

}  // namespace marksheet

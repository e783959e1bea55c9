// What the decoding tests share: where the picture corpus is, and reading a file whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Picture.h"

namespace marksheet::testing {

/// The shared picture corpus, from --corpus=DIR on the command line (or the build's default);
/// nullopt when that folder has no MANIFEST.tsv.
std::optional<std::filesystem::path> CorpusDir();

/// The project's own small sample pictures (tests/samples).
std::filesystem::path SamplesDir();

/// The whole file, or an empty vector when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);

/// The decoded picture, or a test failure naming the error.
Picture DecodeOrFail(const std::vector<std::uint8_t>& bytes, CanvasColour background,
                     const std::string& what);

/// The most memory this test process has held, in megabytes (under CTest each test case runs in a
/// process of its own).
long PeakMegabytes();

inline constexpr CanvasColour TestBackground = 0x00C8D0D4;  // a light button-face grey

}  // namespace marksheet::testing

// The decoding tests' entry point: takes the corpus folder from --corpus=DIR before GoogleTest starts,
// so the corpus cases can be listed one per file.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "DecodeTestSupport.h"

namespace marksheet::testing {

namespace {
std::filesystem::path corpusArgument = MARKSHEET_DEFAULT_CORPUS_DIR;
}

std::optional<std::filesystem::path> CorpusDir() {
    std::error_code error;
    if (corpusArgument.empty() || !std::filesystem::is_regular_file(corpusArgument / "MANIFEST.tsv", error))
        return std::nullopt;
    return corpusArgument;
}

std::filesystem::path SamplesDir() {
    return MARKSHEET_SAMPLES_DIR;
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

long PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

Picture DecodeOrFail(const std::vector<std::uint8_t>& bytes, CanvasColour background,
                     const std::string& what) {
    DecodeResult result = DecodePicture(bytes, background);
    if (const auto* error = std::get_if<DecodeError>(&result)) {
        ADD_FAILURE() << what << ": no picture (" << DecodeErrorName(*error) << ")";
        return {};
    }
    return std::move(std::get<Picture>(result));
}

}  // namespace marksheet::testing

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--corpus=", 9) == 0) marksheet::testing::corpusArgument = argv[i] + 9;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Every picture of the shared corpus against its expected outcome: good ones decode, bad ones give no
// picture (with the specific reason where the kind is clear), optional ones either; none may crash.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "DecodeTestSupport.h"

namespace marksheet::testing {
namespace {

struct ManifestRow {
    std::string path;
    bool good = false;
    bool optional = false;
    std::string note;
};

std::vector<ManifestRow> ManifestRows() {
    std::vector<ManifestRow> rows;
    const auto corpus = CorpusDir();
    if (!corpus) return {ManifestRow{}};  // one placeholder case, which skips
    std::ifstream in(*corpus / "MANIFEST.tsv");
    std::string line;
    std::getline(in, line);  // the column names
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
        if (fields.size() < 7) continue;
        rows.push_back(
            {fields[0], fields[5] == "good", fields[6].find("OPTIONAL") != std::string::npos, fields[6]});
    }
    return rows;
}

// Bad files whose reason is plain, and the error that must name it.
const std::map<std::string, DecodeError>& ExpectedErrors() {
    static const std::map<std::string, DecodeError> errors{
        {"jpeg/derived/testorig_first2900.jpg", DecodeError::Truncated},
        {"jpeg/derived/testorig_first300.jpg", DecodeError::Truncated},
        {"jpeg/derived/testorig_first7.jpg", DecodeError::TooShort},
        {"jpeg/pillow/truncated_jpeg.jpg", DecodeError::Truncated},
        {"jpeg/pillow/ultrahdr.jpg", DecodeError::Truncated},
        {"jpeg/pillow/pil_sample_cmyk.jpg", DecodeError::UnsupportedColourSpace},
        {"jpeg/libjpeg-turbo/monkey12.jpg", DecodeError::UnsupportedVariant},
        {"bmp/bmpsuite/b/reallybig.bmp", DecodeError::TooLarge},
        {"cur/pillow/no_cursors.cur", DecodeError::TooShort},
        {"pcx/derived/1plane1bpp_first100.pcx", DecodeError::Truncated},
        {"pcx/derived/planet_nopalette.pcx", DecodeError::Corrupt},
        {"pcx/pillow/01r_00.pcx", DecodeError::Corrupt},
        {"pcx/allegro5/rgb.pcx", DecodeError::UnsupportedVariant},
        {"pcx/kimageformats/dice_rgba.pcx", DecodeError::UnsupportedVariant},
        {"pcx/twelvemonkeys/animals.pcx", DecodeError::UnsupportedVariant},
        {"pcx/kimageformats/mono.pcx", DecodeError::UnknownFormat},
        {"pcx/commons-imaging/1plane8bppUncompressed.pcx", DecodeError::UnknownFormat},
        {"png/pngsuite/xs1n0g01.png", DecodeError::UnknownFormat},
        {"gif/derived/hopper_first5000.gif", DecodeError::Truncated},
        {"bmp/bmpsuite/b/shortfile.bmp", DecodeError::Truncated},
    };
    return errors;
}

void PrintTo(const ManifestRow& row, std::ostream* out) {
    *out << (row.path.empty() ? "(no corpus)" : row.path);
}

class CorpusPicture : public ::testing::TestWithParam<ManifestRow> {};

TEST_P(CorpusPicture, DecodesAsTheManifestExpects) {
    const ManifestRow& row = GetParam();
    const auto corpus = CorpusDir();
    if (!corpus || row.path.empty())
        GTEST_SKIP()
            << "picture corpus not found: pass --corpus=DIR (CMake cache variable MARKSHEET_CORPUS_DIR)";
    const std::vector<std::uint8_t> bytes = ReadWholeFile(*corpus / row.path);
    ASSERT_FALSE(bytes.empty()) << "cannot read " << row.path;

    const DecodeResult result = DecodePicture(bytes, TestBackground);
    if (const auto* picture = std::get_if<Picture>(&result)) {
        // Whatever decodes is a whole, well-formed picture within the limits.
        EXPECT_TRUE(PictureSizeAllowed(picture->width, picture->height));
        ASSERT_EQ(picture->pixels.size(), static_cast<std::size_t>(picture->width) * picture->height);
        for (CanvasColour c : picture->pixels) ASSERT_EQ(static_cast<std::uint32_t>(c) >> 24, 0u);
        if (!row.good && !row.optional) {
            ADD_FAILURE() << row.path << " should give no picture: " << row.note;
        }
    } else {
        const DecodeError error = std::get<DecodeError>(result);
        if (row.good && !row.optional) {
            ADD_FAILURE() << row.path << " gives no picture (" << DecodeErrorName(error) << "): " << row.note;
        }
        if (auto expected = ExpectedErrors().find(row.path); expected != ExpectedErrors().end()) {
            EXPECT_EQ(DecodeErrorName(error), DecodeErrorName(expected->second)) << row.path;
        }
    }
    // No file of the corpus needs much memory; a tiny file must not make a decoder take a lot of it
    // (libpng, for one, takes as much as a chunk claims before reading it).
    EXPECT_LT(PeakMegabytes(), 600) << row.path;
    if (ExpectedErrors().contains(row.path)) {
        EXPECT_TRUE(std::holds_alternative<DecodeError>(result)) << row.path << " must give no picture";
    }
}

std::string RowName(const ::testing::TestParamInfo<ManifestRow>& info) {
    if (info.param.path.empty()) return "CorpusMissing";
    std::string name;
    for (char c : info.param.path) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Manifest, CorpusPicture, ::testing::ValuesIn(ManifestRows()), RowName);

}  // namespace
}  // namespace marksheet::testing

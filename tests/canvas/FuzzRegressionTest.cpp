// Inputs the fuzzers once broke the decoders with, replayed down the same roads: each must now give a
// picture or a clean refusal, and nothing may crash or leak (the sanitizer build checks).
#include <gtest/gtest.h>

#include "DecodeTestSupport.h"
#include "Decoders.h"
#include "SheetCanvas.h"

namespace marksheet::testing {
namespace {

std::vector<std::filesystem::path> RegressionInputs(const char* target) {
    std::vector<std::filesystem::path> inputs;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(MARKSHEET_FUZZ_REGRESSIONS_DIR) / target, error))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
            inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

TEST(FuzzRegressions, PicturesShowOrAreRefusedOnTheCanvas) {
    const auto inputs = RegressionInputs("picture_fuzzer");
    if (inputs.empty()) GTEST_SKIP() << "no regression inputs in fuzz/regressions/picture_fuzzer";
    for (const auto& path : inputs) {
        SheetCanvas canvas(TestBackground);
        canvas.SetPicture(ReadWholeFile(path));
        canvas.Repaint();
        const auto placement = canvas.Placement();
        EXPECT_EQ(placement.has_value(), !canvas.LastDecodeError().has_value()) << path;
        EXPECT_NE(canvas.ReadPixel(CanvasWidth / 2, CanvasHeight / 2), NoPixelColour) << path;
    }
}

TEST(FuzzRegressions, PcxInputsDecodeWholeOrNotAtAll) {
    const auto inputs = RegressionInputs("pcx_fuzzer");
    if (inputs.empty()) GTEST_SKIP() << "no regression inputs in fuzz/regressions/pcx_fuzzer";
    for (const auto& path : inputs) {
        const auto bytes = ReadWholeFile(path);
        const DecodeResult result = DecodePcx(bytes);
        if (const auto* picture = std::get_if<Picture>(&result)) {
            EXPECT_EQ(picture->pixels.size(), static_cast<std::size_t>(picture->width) * picture->height)
                << path;
        }
    }
}

}  // namespace
}  // namespace marksheet::testing

// Where pictures of various sizes land on the 400 x 500 canvas.
#include <gtest/gtest.h>

#include "PictureLayout.h"

namespace marksheet {
namespace {

struct LayoutCase {
    const char* name;
    int pictureWidth, pictureHeight;
    PicturePlacement expected;
    friend void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }
};

class PictureLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(PictureLayout, CentresAndShrinksInProportion) {
    const LayoutCase& c = GetParam();
    EXPECT_EQ(PlacePicture(c.pictureWidth, c.pictureHeight), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PictureLayout,
    testing::Values(LayoutCase{"SampleSheetShownAtOwnSize", 397, 481, {1, 9, 397, 481}},
                    LayoutCase{"ExactFit", 400, 500, {0, 0, 400, 500}},
                    LayoutCase{"TwiceTheCanvasFillsIt", 800, 1000, {0, 0, 400, 500}},
                    LayoutCase{"WideShrinksAndCentresVertically", 1000, 600, {0, 130, 400, 240}},
                    LayoutCase{"TallShrinksAndCentresHorizontally", 301, 600, {74, 0, 250, 500}},
                    LayoutCase{"A4At150Dpi", 1240, 1754, {23, 0, 353, 500}},
                    LayoutCase{"OnePixel", 1, 1, {199, 249, 1, 1}},
                    LayoutCase{"WiderOnlyKeepsHeightCentring", 401, 100, {0, 200, 400, 99}}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace marksheet

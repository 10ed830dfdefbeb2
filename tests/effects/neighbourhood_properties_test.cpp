// What every neighbourhood filter owes, whatever its rule: the fourth byte
// kept, any size handled, progress ending at 100, and for the 3 x 3 filters
// the one-pixel frame only read.
#include "effects.h"
#include "reference_filters.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <string>

namespace tegmora::effects {
namespace {

using testing::EngineRun;
using testing::TestImage;

struct Filter {
    std::int32_t code;
    std::int32_t amount;  // the editor's, where a button uses the filter
};

std::string NameOf(const ::testing::TestParamInfo<Filter>& info) {
    std::string name;
    for (const char ch : FindFilter(info.param.code)->name)
        if (ch != ' ') name += ch;
    return name;
}

class NeighbourhoodFilterTest : public ::testing::TestWithParam<Filter> {};

TEST_P(NeighbourhoodFilterTest, KeepsTheFourthByte) {
    const TestImage image = TestImage::Random(7, 5, 17);
    for (const WriteBack mode : {WriteBack::AtEnd, WriteBack::AsRowsFinish}) {
        const TestImage out = EngineRun(GetParam().code, image, GetParam().amount, mode).image;
        for (std::int32_t y = 1; y <= 5; ++y)
            for (std::int32_t x = 1; x <= 7; ++x)
                EXPECT_EQ(out.at(4, x, y), image.at(4, x, y)) << x << ", " << y;
    }
}

TEST_P(NeighbourhoodFilterTest, HandlesEverySizeAndEndsAtHundred) {
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{1, 1}, {2, 2}, {3, 3},
                                                           {7, 5}, {1, 4}, {4, 1}};
    for (const auto& [w, h] : sizes) {
        const testing::Outcome out = EngineRun(GetParam().code, TestImage::Random(w, h, 3), GetParam().amount,
                                               WriteBack::AsRowsFinish);
        EXPECT_FALSE(out.error.has_value()) << w << " x " << h;
        ASSERT_FALSE(out.progress.empty());
        EXPECT_EQ(out.progress.back(), 100);
    }
}

INSTANTIATE_TEST_SUITE_P(ButtonAmounts, NeighbourhoodFilterTest,
                         ::testing::Values(Filter{1, 2}, Filter{3, 0}, Filter{4, 6}, Filter{5, 0},
                                           Filter{6, 1}, Filter{7, 0x00FFFFFF}, Filter{13, 0}, Filter{15, 3},
                                           Filter{25, 0}, Filter{26, 0}, Filter{27, 0}),
                         NameOf);

// The 3 x 3 filters write rows and columns 2 to W - 1 and H - 1 only.
class FrameKeepingFilterTest : public ::testing::TestWithParam<Filter> {};

TEST_P(FrameKeepingFilterTest, OnlyReadsTheFrame) {
    const TestImage image = TestImage::Random(7, 5, 23);
    TestImage out = EngineRun(GetParam().code, image, GetParam().amount, WriteBack::AsRowsFinish).image;
    EXPECT_NE(out, image) << "the inside should change on a random image";
    for (std::int32_t y = 2; y <= 4; ++y)
        for (std::int32_t x = 2; x <= 6; ++x)
            out.set(x, y, image.at(1, x, y), image.at(2, x, y), image.at(3, x, y));
    EXPECT_EQ(out, image);
    const TestImage small = TestImage::Random(2, 2, 29);
    EXPECT_EQ(EngineRun(GetParam().code, small, GetParam().amount, WriteBack::AsRowsFinish).image, small);
}

INSTANTIATE_TEST_SUITE_P(ButtonAmounts, FrameKeepingFilterTest,
                         ::testing::Values(Filter{1, 2}, Filter{3, 0}, Filter{5, 0}, Filter{6, 1},
                                           Filter{7, 0x00FFFFFF}, Filter{13, 0}, Filter{25, 0}, Filter{26, 0},
                                           Filter{27, 0}),
                         NameOf);

}  // namespace
}  // namespace tegmora::effects

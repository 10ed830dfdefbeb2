// What every filter owes, for the dithers, the emboss filters and Kuwahara:
// any size is handled, channel 4 and the size are kept, both write-back
// modes agree, progress ends at 100 and nothing leaks from one run to the next.
#include "effects.h"
#include "filter_checks.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tegmora::effects {
namespace {

using testing::Applied;
using testing::ProgressOf;
using testing::TestImage;

struct CodeAndAmount {
    std::int32_t code;
    std::int32_t amount;
};

std::string NameOf(const ::testing::TestParamInfo<CodeAndAmount>& info) {
    const std::int32_t amount = info.param.amount;
    const std::string amountName = amount < 0 ? "Minus" + std::to_string(-amount) : std::to_string(amount);
    return "Code" + std::to_string(info.param.code) + "Amount" + amountName;
}

class OwedPropertiesTest : public ::testing::TestWithParam<CodeAndAmount> {};

constexpr std::pair<std::int32_t, std::int32_t> kSizes[] = {{1, 1}, {2, 2}, {3, 3}, {7, 5}, {5, 7},
                                                           {1, 9}, {9, 1}, {6, 6}, {4, 5}};

TEST_P(OwedPropertiesTest, EverySizeKeepsChannelFourAndBothModesAgree) {
    const CodeAndAmount run = GetParam();
    std::uint32_t seed = 40;
    for (const auto& [w, h] : kSizes) {
        const TestImage in = TestImage::Random(w, h, ++seed);
        const TestImage atEnd = Applied(run.code, in, run.amount, WriteBack::AtEnd);
        const TestImage asRows = Applied(run.code, in, run.amount, WriteBack::AsRowsFinish);
        EXPECT_EQ(atEnd, asRows) << w << "x" << h;
        ASSERT_EQ(atEnd.bits.size(), in.bits.size());
        for (std::size_t i = 3; i < in.bits.size(); i += 4)
            ASSERT_EQ(atEnd.bits[i], in.bits[i]) << w << "x" << h;
        EXPECT_FALSE(FilterBusy());
    }
}

TEST_P(OwedPropertiesTest, ProgressRisesToHundred) {
    const CodeAndAmount run = GetParam();
    for (const auto& [w, h] : kSizes) {
        const std::vector<std::int32_t> seen = ProgressOf(run.code, TestImage::Random(w, h, 9), run.amount);
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back(), 100) << w << "x" << h;
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << w << "x" << h;
        EXPECT_GE(seen.front(), 0) << w << "x" << h;
    }
}

TEST_P(OwedPropertiesTest, RunsDoNotDependOnEarlierRuns) {
    // Brightness leaves its own entries in the shared level table.
    const CodeAndAmount run = GetParam();
    const TestImage in = TestImage::Random(11, 7, 77);
    const TestImage first = Applied(run.code, in, run.amount);
    Applied(14, TestImage::Random(4, 4, 1), 60);
    EXPECT_EQ(Applied(run.code, in, run.amount), first);
}

INSTANTIATE_TEST_SUITE_P(EmbossAndKuwahara, OwedPropertiesTest,
                         ::testing::Values(CodeAndAmount{8, 0x404040}, CodeAndAmount{9, 0x404040},
                                           CodeAndAmount{10, 0x404040}, CodeAndAmount{11, 0x404040},
                                           CodeAndAmount{8, -1}, CodeAndAmount{11, -255},
                                           CodeAndAmount{24, 0}),
                         NameOf);

INSTANTIATE_TEST_SUITE_P(Dithers, OwedPropertiesTest,
                         ::testing::Values(CodeAndAmount{20, 0}, CodeAndAmount{21, 10}, CodeAndAmount{22, 10},
                                           CodeAndAmount{23, 10}, CodeAndAmount{21, -3}, CodeAndAmount{22, 1},
                                           CodeAndAmount{23, 25}),
                         NameOf);

class DitherPropertiesTest : public ::testing::TestWithParam<CodeAndAmount> {};

TEST_P(DitherPropertiesTest, EveryPixelEndsBlackOrWhite) {
    const CodeAndAmount run = GetParam();
    for (const auto& [w, h] : kSizes) {
        const TestImage out = Applied(run.code, TestImage::Random(w, h, 5), run.amount);
        for (std::int32_t y = 1; y <= h; ++y)
            for (std::int32_t x = 1; x <= w; ++x) {
                const std::uint8_t v = out.at(1, x, y);
                EXPECT_TRUE(v == 0 || v == 255) << x << "," << y;
                EXPECT_EQ(out.at(2, x, y), v) << x << "," << y;
                EXPECT_EQ(out.at(3, x, y), v) << x << "," << y;
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Dithers, DitherPropertiesTest,
                         ::testing::Values(CodeAndAmount{20, 0}, CodeAndAmount{21, 10}, CodeAndAmount{22, 10},
                                           CodeAndAmount{23, 10}, CodeAndAmount{23, -7}),
                         NameOf);

}  // namespace
}  // namespace tegmora::effects

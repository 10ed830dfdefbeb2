// Invert (2), Average Gray (12), Swap Channels (16) and Color Threshold (18).
#include "effects.h"
#include "filter_checks.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <climits>

namespace tegmora::effects {
namespace {

using testing::AppliedBothWays;
using testing::Pixels;
using testing::ProgressOf;
using testing::RowOf;
using testing::RowSteps;
using testing::TestImage;

constexpr std::int32_t kInvert = 2;
constexpr std::int32_t kAverageGray = 12;
constexpr std::int32_t kSwapChannels = 16;
constexpr std::int32_t kColorThreshold = 18;

constexpr std::int32_t Packed(int red, int green, int blue) {
    return red + 256 * green + 65536 * blue;
}

struct Case {
    const char* what;
    std::int32_t code;
    std::int32_t amount;
    Pixels in;
    Pixels out;
};

constexpr std::array<int, 3> kWhite{255, 255, 255};
constexpr std::array<int, 3> kBlack{0, 0, 0};

const Case kCases[] = {
    {"invert",
     kInvert,
     0,
     {{0, 1, 2}, {253, 254, 255}, {100, 128, 127}},
     {{255, 254, 253}, {2, 1, 0}, {155, 127, 128}}},
    {"grey of the truncated mean",
     kAverageGray,
     0,
     {{255, 0, 0}, {10, 10, 11}, {0, 0, 2}, {100, 100, 100}, {1, 2, 3}, {254, 255, 255}},
     {{85, 85, 85}, {10, 10, 10}, {0, 0, 0}, {100, 100, 100}, {2, 2, 2}, {254, 254, 254}}},
    {"rotation", kSwapChannels, 1, {{10, 20, 30}}, {{20, 30, 10}}},
    {"opposite rotation", kSwapChannels, 2, {{10, 20, 30}}, {{30, 10, 20}}},
    {"blue and green", kSwapChannels, 3, {{10, 20, 30}}, {{20, 10, 30}}},
    {"blue and red", kSwapChannels, 4, {{10, 20, 30}}, {{30, 20, 10}}},
    {"green and red", kSwapChannels, 5, {{10, 20, 30}}, {{10, 30, 20}}},
    {"selector 0", kSwapChannels, 0, {{10, 20, 30}}, {{10, 20, 30}}},
    {"selector 6", kSwapChannels, 6, {{10, 20, 30}}, {{10, 20, 30}}},
    {"strictly below in all three",
     kColorThreshold,
     Packed(128, 128, 128),
     {{127, 127, 127}, {127, 127, 128}, {127, 128, 127}, {128, 127, 127}, {0, 0, 0}},
     {kBlack, kWhite, kWhite, kWhite, kBlack}},
    {"each threshold its own channel",
     kColorThreshold,
     Packed(50, 100, 150),
     {{149, 99, 49}, {149, 99, 50}, {149, 100, 49}, {150, 99, 49}, {49, 99, 149}},
     {kBlack, kWhite, kWhite, kWhite, kWhite}},
    {"top byte ignored",
     kColorThreshold,
     0x7F000000 + Packed(50, 100, 150),
     {{149, 99, 49}, {150, 99, 49}},
     {kBlack, kWhite}},
    {"zero: all white", kColorThreshold, 0, {{0, 0, 0}, {10, 20, 30}}, {kWhite, kWhite}},
    {"white: black without a 255",
     kColorThreshold,
     16777215,
     {{254, 254, 254}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}},
     {kBlack, kWhite, kWhite, kWhite}},
    {"negative red threshold", kColorThreshold, -1, {{0, 0, 0}}, {kWhite}},
    {"red threshold 0", kColorThreshold, -256, {{0, 0, 0}}, {kWhite}},
};

TEST(ColourMapsTest, WorkedExamples) {
    for (const Case& c : kCases)
        EXPECT_EQ(AppliedBothWays(c.code, RowOf(c.in), c.amount), RowOf(c.out)) << c.what;
}

TEST(ColourMapsTest, RoundTripsRestoreTheImage) {
    const TestImage image = TestImage::Random(7, 5, 21);
    const std::vector<std::pair<std::int32_t, std::vector<std::int32_t>>> trips = {
        {kInvert, {0, 0}},       {kSwapChannels, {1, 1, 1}}, {kSwapChannels, {2, 2, 2}},
        {kSwapChannels, {3, 3}}, {kSwapChannels, {4, 4}},    {kSwapChannels, {5, 5}},
        {kSwapChannels, {1, 2}}, {kSwapChannels, {2, 1}},
    };
    for (const auto& [code, amounts] : trips) {
        TestImage result = image;
        for (const std::int32_t amount : amounts) result = AppliedBothWays(code, result, amount);
        EXPECT_EQ(result, image) << "code " << code << " starting with " << amounts.front();
    }
}

TEST(ColourMapsTest, OtherSelectorsStillReportEveryRow) {
    std::vector<std::int32_t> expected = RowSteps(5);
    expected.push_back(100);
    for (const std::int32_t selector : {0, 6, -1, INT_MIN, INT_MAX}) {
        const TestImage image = TestImage::Random(4, 5, 8);
        EXPECT_EQ(AppliedBothWays(kSwapChannels, image, selector), image) << selector;
        EXPECT_EQ(ProgressOf(kSwapChannels, image, selector), expected) << selector;
    }
}

}  // namespace
}  // namespace tegmora::effects

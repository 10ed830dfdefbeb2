// Saturation (30) and Black and White (19), and the grey level they share.
#include "effects.h"
#include "engine.h"
#include "filter_checks.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace tegmora::effects {
namespace {

using testing::AppliedBothWays;
using testing::ExpectFailsLeavingImage;
using testing::ProgressOf;
using testing::ProgressRecorder;
using testing::RowOf;
using testing::RowSteps;
using testing::TestImage;

constexpr std::int32_t kSaturation = 30;
constexpr std::int32_t kBlackAndWhite = 19;

const std::pair<std::int32_t, std::int32_t> kSizes[] = {{1, 1}, {2, 2}, {3, 3}, {7, 5},  {16, 9},
                                                        {5, 1}, {1, 6}, {2, 7}, {40, 30}};

int GreyOf(const TestImage& image, std::int32_t x, std::int32_t y) {
    return (image.at(1, x, y) + image.at(2, x, y) + image.at(3, x, y)) / 3;
}

// Saturation straight from its formula.
TestImage ReferenceSaturation(const TestImage& image, std::int32_t amount) {
    const double strength = static_cast<float>(amount / 100.0);
    TestImage out = image;
    for (std::int32_t y = 1; y <= image.height; ++y)
        for (std::int32_t x = 1; x <= image.width; ++x)
            for (int c = 1; c <= 3; ++c) {
                const int v = image.at(c, x, y);
                const double s = std::nearbyint(strength * (v - GreyOf(image, x, y)) + v);
                out.at(c, x, y) = static_cast<std::uint8_t>(std::clamp(s, 0.0, 255.0));
            }
    return out;
}

// Black and White as a plain transcription: mean of truncated grey levels,
// interior pixels sharpened from the unchanged image, one error carried
// through the whole scan.
TestImage ReferenceBlackAndWhite(const TestImage& image) {
    const std::int32_t w = image.width;
    const std::int32_t h = image.height;
    std::int64_t sum = 0;
    for (std::int32_t y = 1; y <= h; ++y)
        for (std::int32_t x = 1; x <= w; ++x) sum += GreyOf(image, x, y);
    const auto mean = static_cast<int>(sum / (std::int64_t{w} * h));
    TestImage out = image;
    int error = 0;
    for (std::int32_t y = 1; y <= h; ++y)
        for (std::int32_t x = 1; x <= w; ++x) {
            const bool border = x == 1 || y == 1 || x == w || y == h;
            int total = 0;
            for (int c = 1; c <= 3; ++c) {
                int around = 0;
                for (int dy = -1; dy <= 1 && !border; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (dx != 0 || dy != 0) around += image.at(c, x + dx, y + dy);
                const int v = image.at(c, x, y);
                total += border ? v : std::clamp((10 * v - around) / 2, 0, 255);
            }
            const int t = std::clamp(total / 3 + error, 0, 255);
            const int colour = t >= mean ? 255 : 0;
            error = (t - colour) / 4;
            const auto b = static_cast<std::uint8_t>(colour);
            out.set(x, y, b, b, b);
        }
    return out;
}

TEST(GreyLevelTest, IsTheTruncatedThirdOfEverySumOfThreeChannels) {
    for (std::int32_t sum = 0; sum <= 765; ++sum) EXPECT_EQ(GreyLevel(sum), sum / 3) << sum;
}

TEST(SaturationTest, WorkedExamples) {
    struct Case {
        std::int32_t amount;
        std::array<int, 3> in;  // blue, green, red
        std::array<int, 3> out;
    };
    const Case cases[] = {
        {15, {100, 150, 200}, {92, 150, 208}},   {15, {0, 0, 255}, {0, 0, 255}},
        {-20, {100, 150, 200}, {110, 150, 190}}, {-20, {0, 0, 255}, {17, 17, 221}},
        {15, {10, 20, 30}, {8, 20, 32}},         {-20, {255, 255, 0}, {238, 238, 34}},
        {-100, {10, 20, 60}, {30, 30, 30}},      {-200, {10, 20, 60}, {50, 40, 0}},
        {INT_MAX, {1, 0, 0}, {255, 0, 0}},       {INT_MAX, {40, 41, 42}, {0, 41, 255}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AppliedBothWays(kSaturation, RowOf({c.in}), c.amount), RowOf({c.out}))
            << "amount " << c.amount;
}

TEST(SaturationTest, GreyPixelsNeverChange) {
    TestImage image(16, 16);
    for (int v = 0; v < 256; ++v) {
        const auto b = static_cast<std::uint8_t>(v);
        image.set(v % 16 + 1, v / 16 + 1, b, b, b);
    }
    for (const std::int32_t amount : {15, -20, 0, 100, -100, 250, -5000, INT_MAX, INT_MIN})
        EXPECT_EQ(AppliedBothWays(kSaturation, image, amount), image) << amount;
}

// Every (channel, grey level) pair a pixel can hold, the channel in blue,
// against the formula: the table behind the fast path must agree on each,
// ties included (strengths 0.5 and 1.5 tie on every odd distance).
TEST(SaturationTest, MatchesTheFormulaForEveryChannelAndGreyLevel) {
    std::vector<std::array<int, 3>> pixels;
    for (int grey = 0; grey < 256; ++grey)
        for (int c = 0; c < 256; ++c)
            for (int rest = 3 * grey - c; rest <= 3 * grey + 2 - c; ++rest)
                if (rest >= 0 && rest <= 510) {
                    pixels.push_back({c, std::min(rest, 255), rest - std::min(rest, 255)});
                    break;
                }
    TestImage image(256, static_cast<std::int32_t>((pixels.size() + 255) / 256));
    for (std::size_t i = 0; i < pixels.size(); ++i)
        image.set(static_cast<std::int32_t>(i % 256 + 1), static_cast<std::int32_t>(i / 256 + 1),
                  static_cast<std::uint8_t>(pixels[i][0]), static_cast<std::uint8_t>(pixels[i][1]),
                  static_cast<std::uint8_t>(pixels[i][2]));
    // Small and large strengths of both signs.
    const std::int32_t amounts[] = {15,    -20,   1,      -1,      7,          33,         50,
                                    -50,   99,    150,    -150,    250,        333,        1000,
                                    -1000, 12345, -99999, 1234567, 1000000000, -1000000000};
    for (const std::int32_t amount : amounts)
        EXPECT_EQ(Applied(kSaturation, image, amount, WriteBack::AsRowsFinish),
                  ReferenceSaturation(image, amount))
            << "amount " << amount;
}

TEST(SaturationTest, MatchesTheFormulaOnRandomImages) {
    for (const auto& [w, h] : kSizes)
        for (const std::int32_t amount : {15, -20, 77, -333})
            EXPECT_EQ(AppliedBothWays(kSaturation, TestImage::Random(w, h, 17), amount),
                      ReferenceSaturation(TestImage::Random(w, h, 17), amount))
                << w << " x " << h << ", amount " << amount;
}

TEST(SaturationTest, OverflowsAtThePixelWhoseValueLeaves32Bits) {
    EXPECT_FALSE(SaturationMayFailMidRun(1'000'000'000));
    EXPECT_FALSE(SaturationMayFailMidRun(-1'000'000'000));
    EXPECT_TRUE(SaturationMayFailMidRun(1'300'000'000));
    EXPECT_TRUE(SaturationMayFailMidRun(INT_MIN));
    // Pure blue lies 170 from its grey level 85; S is about 21474836.
    TestImage image = TestImage::Filled(2, 3, 100, 100, 100);
    image.set(2, 3, 255, 0, 0);
    ExpectFailsLeavingImage(kSaturation, image, INT_MAX, ErrorKind::Overflow);
    ExpectFailsLeavingImage(kSaturation, image, INT_MIN, ErrorKind::Overflow);
    ProgressRecorder recorder;
    EXPECT_THROW(ApplyFilter(kSaturation, image.view(), INT_MAX, recorder.progress), FilterError);
    EXPECT_EQ(recorder.seen, (std::vector<std::int32_t>{33, 66}));
}

TEST(BlackAndWhiteTest, UniformGreyAlternatesInScanOrder) {
    // Stripes for an even width, a checkerboard for an odd one.
    for (const std::int32_t w : {4, 5, 8, 9}) {
        const TestImage result =
            AppliedBothWays(kBlackAndWhite, TestImage::Filled(w, 6, 100, 100, 100));
        for (std::int32_t y = 1; y <= 6; ++y)
            for (std::int32_t x = 1; x <= w; ++x)
                EXPECT_EQ(result.at(2, x, y), ((y - 1) * w + x) % 2 == 1 ? 255 : 0)
                    << w << ": " << x << ", " << y;
    }
}

TEST(BlackAndWhiteTest, BlackTurnsWhiteAndSoDoLevelsFrom252) {
    for (const std::uint8_t level : {0, 252, 253, 255})
        EXPECT_EQ(AppliedBothWays(kBlackAndWhite, TestImage::Filled(5, 4, level, level, level)),
                  TestImage::Filled(5, 4, 255, 255, 255))
            << int{level};
    // At 251 the first white leaves an error of -1, and the next falls below.
    EXPECT_EQ(AppliedBothWays(kBlackAndWhite, TestImage::Grey({{251, 251, 251}})),
              TestImage::Grey({{255, 0, 255}}));
}

TEST(BlackAndWhiteTest, SharpensInteriorPixelsAndCarriesErrorAcrossRowEnds) {
    // Mean (8 * 100 + 110) \ 9 = 101. The centre sharpens to
    // (1100 - 800) \ 2 = 150; unsharpened it would fall below the mean.
    // Row 2 starts white only because row 1 ended with an error of 17.
    const TestImage image = TestImage::Grey({{100, 100, 100}, {100, 110, 100}, {100, 100, 100}});
    EXPECT_EQ(AppliedBothWays(kBlackAndWhite, image),
              TestImage::Grey({{0, 255, 0}, {255, 255, 0}, {255, 0, 255}}));
    // No interior: mean 100; 10 is black (error 2), 202 white (-13), 77 black.
    EXPECT_EQ(AppliedBothWays(kBlackAndWhite, TestImage::Grey({{10}, {200}, {90}})),
              TestImage::Grey({{0}, {255}, {0}}));
}

TEST(BlackAndWhiteTest, MatchesThePlainTranscriptionOnRandomImages) {
    for (const auto& [w, h] : kSizes) {
        TestImage gentle = TestImage::Random(w, h, 4);  // low contrast: sharpening seldom clamps
        for (std::uint8_t& b : gentle.bits) b = static_cast<std::uint8_t>(80 + b % 40);
        for (const TestImage& image : {TestImage::Random(w, h, 3), gentle})
            EXPECT_EQ(AppliedBothWays(kBlackAndWhite, image), ReferenceBlackAndWhite(image))
                << w << " x " << h;
    }
}

TEST(BlackAndWhiteTest, ReportsTheMeanPassThenEveryRow) {
    std::vector<std::int32_t> expected = {5};
    for (const std::int32_t step : RowSteps(6, 5, 95)) expected.push_back(step);
    expected.push_back(100);
    for (const WriteBack mode : {WriteBack::AtEnd, WriteBack::AsRowsFinish})
        EXPECT_EQ(ProgressOf(kBlackAndWhite, TestImage::Random(4, 6, 9), 0, mode), expected);
}

TEST(BlackAndWhiteTest, SumsGreyLevelsBeyond32Bits) {
    // 8,425,472 white pixels: their grey levels add up past 2^31.
    const TestImage white = TestImage::Filled(4096, 2057, 255, 255, 255);
    EXPECT_EQ(Applied(kBlackAndWhite, white, 0, WriteBack::AsRowsFinish), white);
}

}  // namespace
}  // namespace tegmora::effects

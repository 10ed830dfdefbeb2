// Saturation (30) and Black and White (19), and the grey level they share.
#include "effects.h"
#include "engine.h"
#include "run_checks.h"
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
using testing::RowSteps;
using testing::TestImage;

constexpr std::int32_t kSaturation = 30;
constexpr std::int32_t kBlackAndWhite = 19;

int GreyOf(const TestImage& image, std::int32_t x, std::int32_t y) {
    return (image.at(1, x, y) + image.at(2, x, y) + image.at(3, x, y)) / 3;
}

// Saturation straight from its formula, one channel at a time.
int SaturatedChannel(std::int32_t amount, int c, int grey) {
    const double strength = static_cast<float>(amount / 100.0);
    return static_cast<int>(std::clamp(std::nearbyint(strength * (c - grey) + c), 0.0, 255.0));
}

TestImage ReferenceSaturation(const TestImage& image, std::int32_t amount) {
    TestImage out = image;
    for (std::int32_t y = 1; y <= image.height; ++y)
        for (std::int32_t x = 1; x <= image.width; ++x)
            for (int c = 1; c <= 3; ++c)
                out.at(c, x, y) = static_cast<std::uint8_t>(
                    SaturatedChannel(amount, image.at(c, x, y), GreyOf(image, x, y)));
    return out;
}

// Black and White as a plain transcription: mean of truncated grey levels,
// sharpening of interior pixels from the unchanged image, one error carried
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
    for (std::int32_t y = 1; y <= h; ++y) {
        for (std::int32_t x = 1; x <= w; ++x) {
            const bool border = x == 1 || y == 1 || x == w || y == h;
            int channels[3];
            for (int c = 1; c <= 3; ++c) {
                if (border) {
                    channels[c - 1] = image.at(c, x, y);
                    continue;
                }
                int around = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (dx != 0 || dy != 0) around += image.at(c, x + dx, y + dy);
                channels[c - 1] = std::clamp((10 * image.at(c, x, y) - around) / 2, 0, 255);
            }
            const int level = (channels[0] + channels[1] + channels[2]) / 3;
            const int t = std::clamp(level + error, 0, 255);
            const int colour = t >= mean ? 255 : 0;
            error = (t - colour) / 4;
            out.set(x, y, static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(colour),
                    static_cast<std::uint8_t>(colour));
        }
    }
    return out;
}

// A random image of low contrast, where sharpening seldom clamps.
TestImage Gentle(std::int32_t w, std::int32_t h, std::uint32_t seed) {
    TestImage image = TestImage::Random(w, h, seed);
    for (std::size_t i = 0; i < image.bits.size(); ++i)
        if (i % 4 != 3) image.bits[i] = static_cast<std::uint8_t>(80 + image.bits[i] % 40);
    return image;
}

const std::pair<std::int32_t, std::int32_t> kSizes[] = {{1, 1}, {2, 2}, {3, 3}, {7, 5},  {16, 9},
                                                        {5, 1}, {1, 6}, {2, 7}, {40, 30}};

TEST(GreyLevelTest, IsTheTruncatedThirdOfEverySumOfThreeChannels) {
    for (std::int32_t sum = 0; sum <= 765; ++sum) EXPECT_EQ(GreyLevel(sum), sum / 3) << sum;
}

TEST(SaturationTest, WorkedExamples) {
    struct Case {
        std::int32_t amount;
        int in[3];  // blue, green, red
        int out[3];
    };
    const Case cases[] = {
        {15, {100, 150, 200}, {92, 150, 208}},   {15, {0, 0, 255}, {0, 0, 255}},
        {-20, {100, 150, 200}, {110, 150, 190}}, {-20, {0, 0, 255}, {17, 17, 221}},
        {15, {10, 20, 30}, {8, 20, 32}},         {-20, {255, 255, 0}, {238, 238, 34}},
        {-100, {10, 20, 60}, {30, 30, 30}},      {-200, {10, 20, 60}, {50, 40, 0}},
    };
    for (const Case& c : cases) {
        TestImage image(1, 1);
        image.set(1, 1, static_cast<std::uint8_t>(c.in[0]), static_cast<std::uint8_t>(c.in[1]),
                  static_cast<std::uint8_t>(c.in[2]));
        const TestImage result = AppliedBothWays(kSaturation, image, c.amount);
        for (int ch = 1; ch <= 3; ++ch)
            EXPECT_EQ(result.at(ch, 1, 1), c.out[ch - 1])
                << "amount " << c.amount << ", channel " << ch;
    }
}

TEST(SaturationTest, GreyPixelsNeverChange) {
    TestImage image(16, 16);
    for (std::int32_t y = 1; y <= 16; ++y)
        for (std::int32_t x = 1; x <= 16; ++x) {
            const auto v = static_cast<std::uint8_t>((y - 1) * 16 + (x - 1));
            image.set(x, y, v, v, v);
        }
    for (const std::int32_t amount : {15, -20, 0, 100, -100, 250, -5000, INT_MAX, INT_MIN})
        EXPECT_EQ(AppliedBothWays(kSaturation, image, amount), image) << amount;
}

// Every (channel, grey level) pair a pixel can hold, the channel in blue:
// the table behind the fast path must agree with the formula on each,
// ties to even included (strengths 0.5 and 1.5 make ties of odd distances).
TEST(SaturationTest, MatchesTheFormulaForEveryChannelAndGreyLevel) {
    std::vector<std::array<int, 3>> pixels;
    for (int grey = 0; grey < 256; ++grey)
        for (int c = 0; c < 256; ++c)
            for (int total = 3 * grey; total <= 3 * grey + 2; ++total) {
                const int rest = total - c;
                if (rest < 0 || rest > 510) continue;
                pixels.push_back({c, std::min(rest, 255), rest - std::min(rest, 255)});
                break;
            }
    const auto height = static_cast<std::int32_t>((pixels.size() + 255) / 256);
    TestImage image(256, height);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const auto x = static_cast<std::int32_t>(i % 256 + 1);
        const auto y = static_cast<std::int32_t>(i / 256 + 1);
        image.set(x, y, static_cast<std::uint8_t>(pixels[i][0]),
                  static_cast<std::uint8_t>(pixels[i][1]), static_cast<std::uint8_t>(pixels[i][2]));
    }
    for (const std::int32_t amount : {15,
                                      -20,
                                      1,
                                      -1,
                                      7,
                                      33,
                                      50,
                                      -50,
                                      99,
                                      150,
                                      -150,
                                      250,
                                      333,
                                      1000,
                                      -1000,
                                      12345,
                                      -99999,
                                      1234567,
                                      1'000'000'000,
                                      -1'000'000'000}) {
        const TestImage result = Applied(kSaturation, image, amount, WriteBack::AsRowsFinish);
        int mismatches = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const auto x = static_cast<std::int32_t>(i % 256 + 1);
            const auto y = static_cast<std::int32_t>(i / 256 + 1);
            if (result.at(1, x, y) !=
                SaturatedChannel(amount, image.at(1, x, y), GreyOf(image, x, y)))
                ++mismatches;
        }
        EXPECT_EQ(mismatches, 0) << "amount " << amount;
    }
}

TEST(SaturationTest, MatchesTheFormulaOnRandomImages) {
    for (const auto& [w, h] : kSizes)
        for (const std::int32_t amount : {15, -20, 77, -333, 50})
            EXPECT_EQ(AppliedBothWays(kSaturation, TestImage::Random(w, h, 17), amount),
                      ReferenceSaturation(TestImage::Random(w, h, 17), amount))
                << w << " x " << h << ", amount " << amount;
}

TEST(SaturationTest, MayFailOnlyWhereAValueCanLeave32Bits) {
    EXPECT_FALSE(SaturationMayFailMidRun(15));
    EXPECT_FALSE(SaturationMayFailMidRun(-1'000'000'000));
    EXPECT_FALSE(SaturationMayFailMidRun(1'000'000'000));
    EXPECT_TRUE(SaturationMayFailMidRun(1'300'000'000));
    EXPECT_TRUE(SaturationMayFailMidRun(INT_MAX));
    EXPECT_TRUE(SaturationMayFailMidRun(INT_MIN));
}

TEST(SaturationTest, HugeStrengthsSaturateWhatFitsIn32Bits) {
    // S is about 21474836: a distance of 1 gives about 2.1e7, which clamps.
    TestImage image(3, 1);
    image.set(1, 1, 1, 0, 0);
    image.set(2, 1, 40, 41, 42);
    image.set(3, 1, 200, 200, 200);
    const TestImage result = AppliedBothWays(kSaturation, image, INT_MAX);
    const int expected[3][3] = {{255, 0, 0}, {0, 41, 255}, {200, 200, 200}};
    for (std::int32_t x = 1; x <= 3; ++x)
        for (int c = 1; c <= 3; ++c)
            EXPECT_EQ(result.at(c, x, 1), expected[x - 1][c - 1]) << x << ", " << c;
}

TEST(SaturationTest, OverflowsWhereAValueLeaves32Bits) {
    // Pure blue has a distance of 170 from its grey level 85.
    TestImage image = TestImage::Filled(2, 3, 100, 100, 100);
    image.set(2, 3, 255, 0, 0);
    ExpectFailsLeavingImage(kSaturation, image, INT_MAX, ErrorKind::Overflow);
    ExpectFailsLeavingImage(kSaturation, image, INT_MIN, ErrorKind::Overflow);
    // It fails at that pixel: the rows before it have been reported.
    ProgressRecorder recorder;
    TestImage target = image;
    EXPECT_THROW(ApplyFilter(kSaturation, target.view(), INT_MAX, recorder.progress), FilterError);
    EXPECT_EQ(recorder.seen, (std::vector<std::int32_t>{33, 66}));
}

TEST(SaturationTest, ReportsEveryRowThenHundred) {
    std::vector<std::int32_t> expected = RowSteps(7);
    expected.push_back(100);
    EXPECT_EQ(ProgressOf(kSaturation, TestImage::Random(3, 7, 1), 15), expected);
}

TEST(BlackAndWhiteTest, UniformGreyMakesStripesForEvenWidths) {
    const TestImage result =
        AppliedBothWays(kBlackAndWhite, TestImage::Filled(4, 3, 100, 100, 100));
    const std::vector<std::vector<int>> stripes = {
        {255, 0, 255, 0}, {255, 0, 255, 0}, {255, 0, 255, 0}};
    EXPECT_EQ(result.blueRows(), stripes);
    EXPECT_EQ(result, ReferenceBlackAndWhite(TestImage::Filled(4, 3, 100, 100, 100)));
}

TEST(BlackAndWhiteTest, UniformGreyMakesACheckerboardForOddWidths) {
    const TestImage result =
        AppliedBothWays(kBlackAndWhite, TestImage::Filled(5, 3, 100, 100, 100));
    const std::vector<std::vector<int>> checkerboard = {
        {255, 0, 255, 0, 255}, {0, 255, 0, 255, 0}, {255, 0, 255, 0, 255}};
    EXPECT_EQ(result.blueRows(), checkerboard);
}

TEST(BlackAndWhiteTest, AlternationHoldsOverLargerImages) {
    for (const std::int32_t w : {8, 9}) {
        const TestImage result =
            AppliedBothWays(kBlackAndWhite, TestImage::Filled(w, 8, 100, 100, 100));
        for (std::int32_t y = 1; y <= 8; ++y)
            for (std::int32_t x = 1; x <= w; ++x) {
                const bool white = ((y - 1) * w + (x - 1)) % 2 == 0;
                EXPECT_EQ(result.at(2, x, y), white ? 255 : 0) << w << ": " << x << ", " << y;
            }
    }
}

TEST(BlackAndWhiteTest, BlackTurnsWhiteAndSoDoLevelsFrom252) {
    for (const std::uint8_t level : {0, 252, 253, 255}) {
        const TestImage result =
            AppliedBothWays(kBlackAndWhite, TestImage::Filled(5, 4, level, level, level));
        EXPECT_EQ(result, TestImage::Filled(5, 4, 255, 255, 255)) << int{level};
    }
    // At 251 the first white leaves an error of -1, and the next pixel falls below.
    const TestImage result =
        AppliedBothWays(kBlackAndWhite, TestImage::Filled(3, 1, 251, 251, 251));
    EXPECT_EQ(result.blueRows(), (std::vector<std::vector<int>>{{255, 0, 255}}));
}

TEST(BlackAndWhiteTest, SharpensInteriorPixelsAndCarriesErrorAcrossRowEnds) {
    // Mean (8 * 100 + 110) \ 9 = 101. The centre sharpens to
    // (1100 - 800) \ 2 = 150; unsharpened it would fall below the mean.
    // Row 2 starts white only because row 1 ended with an error of 17.
    const TestImage image = TestImage::Grey({{100, 100, 100}, {100, 110, 100}, {100, 100, 100}});
    const std::vector<std::vector<int>> expected = {{0, 255, 0}, {255, 255, 0}, {255, 0, 255}};
    EXPECT_EQ(AppliedBothWays(kBlackAndWhite, image).blueRows(), expected);
}

TEST(BlackAndWhiteTest, ThinImagesAreThresholdedUnsharpened) {
    // Mean 100: 10 is black (error 2), 202 white (error -13), 77 black.
    const std::vector<std::vector<int>> expected = {{0}, {255}, {0}};
    EXPECT_EQ(AppliedBothWays(kBlackAndWhite, TestImage::Grey({{10}, {200}, {90}})).blueRows(),
              expected);
    const std::vector<std::vector<int>> expectedRow = {{0, 255, 0}};
    EXPECT_EQ(AppliedBothWays(kBlackAndWhite, TestImage::Grey({{10, 200, 90}})).blueRows(),
              expectedRow);
}

TEST(BlackAndWhiteTest, MatchesThePlainTranscriptionOnRandomImages) {
    for (const auto& [w, h] : kSizes) {
        EXPECT_EQ(AppliedBothWays(kBlackAndWhite, TestImage::Random(w, h, 3)),
                  ReferenceBlackAndWhite(TestImage::Random(w, h, 3)))
            << w << " x " << h;
        EXPECT_EQ(AppliedBothWays(kBlackAndWhite, Gentle(w, h, 4)),
                  ReferenceBlackAndWhite(Gentle(w, h, 4)))
            << w << " x " << h;
    }
}

TEST(BlackAndWhiteTest, ReportsTheMeanPassThenEveryRow) {
    std::vector<std::int32_t> expected = {5};
    for (const std::int32_t step : RowSteps(6, 5, 95)) expected.push_back(step);
    expected.push_back(100);
    EXPECT_EQ(ProgressOf(kBlackAndWhite, TestImage::Random(4, 6, 9)), expected);
    EXPECT_EQ(ProgressOf(kBlackAndWhite, TestImage::Random(4, 6, 9), 0, WriteBack::AsRowsFinish),
              expected);
}

TEST(BlackAndWhiteTest, SumsGreyLevelsBeyond32Bits) {
    // 8,425,472 white pixels: their grey levels add up past 2^31.
    const TestImage white = TestImage::Filled(4096, 2057, 255, 255, 255);
    EXPECT_EQ(Applied(kBlackAndWhite, white, 0, WriteBack::AsRowsFinish), white);
}

}  // namespace
}  // namespace tegmora::effects

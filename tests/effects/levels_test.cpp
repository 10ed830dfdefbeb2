// Auto Levels (28), Gamma (31) and Noise (29).
#include "effects.h"
#include "engine.h"
#include "run_checks.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <random>

namespace tegmora::effects {
namespace {

using testing::AppliedBothWays;
using testing::ExpectFailsLeavingImage;
using testing::ProgressOf;
using testing::ProgressRecorder;
using testing::RowSteps;
using testing::ScriptedDraws;
using testing::TestImage;

constexpr std::int32_t kAutoLevels = 28;
constexpr std::int32_t kNoise = 29;
constexpr std::int32_t kGamma = 31;

// The largest draw the generator can give: 1 - 2^-24.
constexpr float kHighestDraw = 0.99999994f;

TestImage RowOf(std::initializer_list<std::array<int, 3>> pixels) {
    TestImage image(static_cast<std::int32_t>(pixels.size()), 1);
    std::int32_t x = 1;
    for (const auto& p : pixels)
        image.set(x++, 1, static_cast<std::uint8_t>(p[0]), static_cast<std::uint8_t>(p[1]),
                  static_cast<std::uint8_t>(p[2]));
    return image;
}

std::vector<int> ChannelRow(const TestImage& image, int channel) {
    std::vector<int> values;
    for (std::int32_t x = 1; x <= image.width; ++x) values.push_back(image.at(channel, x, 1));
    return values;
}

// A random image whose channels stay within lo..hi.
TestImage RandomWithin(std::int32_t w, std::int32_t h, std::uint32_t seed, int lo, int hi) {
    TestImage image = TestImage::Random(w, h, seed);
    for (std::size_t i = 0; i < image.bits.size(); ++i)
        if (i % 4 != 3)
            image.bits[i] = static_cast<std::uint8_t>(lo + image.bits[i] % (hi - lo + 1));
    return image;
}

// Auto Levels spelled out: each channel's range, then each value stretched
// over it in double precision; a channel with a single value stays.
TestImage ReferenceAutoLevels(const TestImage& image) {
    TestImage out = image;
    for (int c = 1; c <= 3; ++c) {
        int lo = 255;
        int hi = 0;
        for (std::int32_t y = 1; y <= image.height; ++y)
            for (std::int32_t x = 1; x <= image.width; ++x) {
                lo = std::min<int>(lo, image.at(c, x, y));
                hi = std::max<int>(hi, image.at(c, x, y));
            }
        if (lo == hi) continue;
        for (std::int32_t y = 1; y <= image.height; ++y)
            for (std::int32_t x = 1; x <= image.width; ++x)
                out.at(c, x, y) = static_cast<std::uint8_t>(
                    std::nearbyint((image.at(c, x, y) - lo) * 255 / static_cast<double>(hi - lo)));
    }
    return out;
}

int GammaOf(std::int32_t amount, int v) {
    const double gamma = static_cast<float>(amount / 100.0);
    return static_cast<int>(std::nearbyint(std::pow(v / 255.0, 1.0 / gamma) * 255.0));
}

// Noise spelled out, taking draws in scan order, blue, green, red.
TestImage ReferenceNoise(const TestImage& image, std::int32_t amount,
                         const std::vector<float>& draws) {
    TestImage out = image;
    std::size_t next = 0;
    for (std::int32_t y = 1; y <= image.height; ++y)
        for (std::int32_t x = 1; x <= image.width; ++x)
            for (int c = 1; c <= 3; ++c) {
                const double r = draws[next++ % draws.size()];
                const double v = std::nearbyint(r * (2 * amount + 1) - amount + image.at(c, x, y));
                out.at(c, x, y) = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
            }
    return out;
}

std::vector<float> RandomDraws(std::size_t count, std::uint32_t seed) {
    std::mt19937 gen(seed);
    std::vector<float> draws(count);
    for (float& d : draws) d = static_cast<float>(gen() >> 8) * 0x1p-24f;
    return draws;
}

const std::pair<std::int32_t, std::int32_t> kSizes[] = {{1, 1},  {2, 2}, {3, 3}, {7, 5},
                                                        {16, 9}, {5, 1}, {1, 6}};

TEST(AutoLevelsTest, StretchesEachChannelOverItsOwnRange) {
    // Blue spans 50..150; green and red already span 0..255.
    const TestImage image = RowOf({{50, 0, 255}, {100, 128, 3}, {150, 255, 0}});
    const TestImage result = AppliedBothWays(kAutoLevels, image);
    EXPECT_EQ(ChannelRow(result, 1), (std::vector<int>{0, 128, 255}));
    EXPECT_EQ(ChannelRow(result, 2), (std::vector<int>{0, 128, 255}));
    EXPECT_EQ(ChannelRow(result, 3), (std::vector<int>{255, 3, 0}));
}

TEST(AutoLevelsTest, TwoToneChannelsRoundTheirMiddleToEven) {
    const TestImage image = RowOf({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}});
    const TestImage result = AppliedBothWays(kAutoLevels, image);
    for (int c = 1; c <= 3; ++c)
        EXPECT_EQ(ChannelRow(result, c), (std::vector<int>{0, 128, 255})) << c;
}

TEST(AutoLevelsTest, LeavesAChannelWithOneValueAsItIs) {
    // No blue anywhere, green a constant 77, red spanning 30..40.
    const TestImage image = RowOf({{0, 77, 30}, {0, 77, 35}, {0, 77, 40}});
    const TestImage result = AppliedBothWays(kAutoLevels, image);
    EXPECT_EQ(ChannelRow(result, 1), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(ChannelRow(result, 2), (std::vector<int>{77, 77, 77}));
    EXPECT_EQ(ChannelRow(result, 3), (std::vector<int>{0, 128, 255}));
    const TestImage uniform = TestImage::Filled(4, 3, 9, 99, 199);
    EXPECT_EQ(AppliedBothWays(kAutoLevels, uniform), uniform);
}

TEST(AutoLevelsTest, LeavesFullRangeImagesUnchanged) {
    TestImage image = TestImage::Random(9, 7, 6);
    image.set(2, 3, 0, 0, 0);
    image.set(8, 6, 255, 255, 255);
    EXPECT_EQ(AppliedBothWays(kAutoLevels, image), image);
}

TEST(AutoLevelsTest, MatchesThePlainStretchOnRandomImages) {
    for (const auto& [w, h] : kSizes) {
        const TestImage image = RandomWithin(w, h, 12, 40, 190);
        EXPECT_EQ(AppliedBothWays(kAutoLevels, image), ReferenceAutoLevels(image))
            << w << " x " << h;
    }
    // Wide enough that the scan's lanes wrap around several times.
    const TestImage wide = RandomWithin(83, 4, 14, 3, 250);
    EXPECT_EQ(AppliedBothWays(kAutoLevels, wide), ReferenceAutoLevels(wide));
}

TEST(AutoLevelsTest, FindsExtremesInAnyColumn) {
    // Each extreme placed alone in a different column of a wide row.
    for (std::int32_t x = 1; x <= 37; x += 4) {
        TestImage image = TestImage::Filled(37, 2, 100, 100, 100);
        image.set(x, 2, 90, 110, 100);
        image.set(38 - x, 1, 110, 90, 101);
        EXPECT_EQ(AppliedBothWays(kAutoLevels, image), ReferenceAutoLevels(image)) << x;
    }
}

TEST(AutoLevelsTest, ReportsBothPasses) {
    EXPECT_EQ(ProgressOf(kAutoLevels, TestImage::Random(2, 3, 1)),
              (std::vector<std::int32_t>{3, 6, 10, 10, 40, 70, 100, 100}));
    EXPECT_EQ(ProgressOf(kAutoLevels, TestImage::Random(2, 3, 1), 0, WriteBack::AsRowsFinish),
              (std::vector<std::int32_t>{3, 6, 10, 10, 40, 70, 100, 100}));
}

TEST(GammaTest, WorkedExamples) {
    struct Case {
        std::int32_t amount;
        int in;
        int out;
    };
    const Case cases[] = {
        {200, 1, 16},    {200, 64, 128}, {200, 128, 181}, {200, 0, 0},
        {200, 255, 255}, {50, 64, 16},   {50, 128, 64},   {50, 200, 157},
        {50, 0, 0},      {50, 255, 255}, {220, 254, 255},
    };
    for (const Case& c : cases) {
        const auto v = static_cast<std::uint8_t>(c.in);
        const TestImage result =
            AppliedBothWays(kGamma, TestImage::Filled(1, 1, v, v, v), c.amount);
        EXPECT_EQ(result, TestImage::Filled(1, 1, c.out, c.out, c.out)) << c.amount << ": " << c.in;
    }
}

TEST(GammaTest, HundredLeavesTheImageAsItIs) {
    const TestImage image = TestImage::Random(7, 5, 8);
    EXPECT_EQ(AppliedBothWays(kGamma, image, 100), image);
}

TEST(GammaTest, MatchesThePowerCurveOnEveryLevel) {
    // Every level in every channel, arranged differently per channel.
    TestImage image(16, 16);
    for (int v = 0; v < 256; ++v)
        image.set(v % 16 + 1, v / 16 + 1, static_cast<std::uint8_t>(v),
                  static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>((v * 7) & 255));
    for (const std::int32_t amount : {200, 50, 220, 150, 1, 37, 99, 101, 1000, INT_MAX}) {
        const TestImage result = AppliedBothWays(kGamma, image, amount);
        for (std::int32_t y = 1; y <= 16; ++y)
            for (std::int32_t x = 1; x <= 16; ++x)
                for (int c = 1; c <= 3; ++c)
                    ASSERT_EQ(result.at(c, x, y), GammaOf(amount, image.at(c, x, y)))
                        << "amount " << amount << " at " << x << ", " << y << ", channel " << c;
    }
}

TEST(GammaTest, ZeroDividesByZeroBeforeTouchingAnything) {
    const TestImage image = TestImage::Random(4, 3, 2);
    ExpectFailsLeavingImage(kGamma, image, 0, ErrorKind::DivisionByZero);
    ProgressRecorder recorder;
    TestImage target = image;
    recorder.progress = 42;
    EXPECT_THROW(ApplyFilter(kGamma, target.view(), 0, recorder.progress, WriteBack::AsRowsFinish),
                 FilterError);
    EXPECT_EQ(recorder.progress, 42);
    EXPECT_TRUE(recorder.seen.empty());
}

TEST(GammaTest, NegativeAmountsFailAtTheFirstLevelTheyCannotConvert) {
    struct Case {
        std::array<int, 3> first;
        std::array<int, 3> second;
        ErrorKind kind;
    };
    // Scan order, then blue, green, red within a pixel; 0 has no finite
    // power, any other level below 255 leaves the byte range.
    const Case cases[] = {
        {{255, 255, 255}, {0, 100, 255}, ErrorKind::InvalidFloatingPoint},
        {{255, 255, 255}, {100, 0, 255}, ErrorKind::Overflow},
        {{255, 0, 255}, {100, 100, 100}, ErrorKind::InvalidFloatingPoint},
        {{255, 255, 200}, {0, 0, 0}, ErrorKind::Overflow},
    };
    for (const Case& c : cases)
        for (const std::int32_t amount : {-1, -100, -250})
            ExpectFailsLeavingImage(kGamma, RowOf({c.first, c.second}), amount, c.kind);
}

TEST(GammaTest, NegativeAmountsReportTheRowsBeforeTheFailure) {
    TestImage image = TestImage::Filled(3, 3, 255, 255, 255);
    image.set(2, 2, 255, 7, 255);
    const TestImage before = image;
    ProgressRecorder recorder;
    EXPECT_THROW(ApplyFilter(kGamma, image.view(), -50, recorder.progress, WriteBack::AsRowsFinish),
                 FilterError);
    EXPECT_EQ(recorder.seen, (std::vector<std::int32_t>{33}));
    EXPECT_EQ(image, before);
}

TEST(GammaTest, NegativeAmountsLeaveWhiteAlone) {
    const TestImage white = TestImage::Filled(3, 2, 255, 255, 255);
    EXPECT_EQ(AppliedBothWays(kGamma, white, -70), white);
}

TEST(GammaTest, NegativeAmountsKeepLevelsThatRoundBackTo255) {
    // (254 / 255) ^ -0.4 * 255 is about 255.4: above 255, yet it rounds to it.
    EXPECT_EQ(AppliedBothWays(kGamma, TestImage::Filled(2, 1, 254, 254, 254), -250),
              TestImage::Filled(2, 1, 255, 255, 255));
    ExpectFailsLeavingImage(kGamma, TestImage::Filled(2, 1, 254, 254, 254), -100,
                            ErrorKind::Overflow);
}

TEST(GammaTest, TheMostNegativeAmountRoundsEveryNonZeroLevelTo255) {
    // The exponent is about -4.7e-8: (v / 255) to that power stays below
    // 1 + 2^-21, so 255 times it rounds to 255; 0 still has no power.
    TestImage ramp(15, 17);
    for (int v = 1; v < 256; ++v) {
        const auto b = static_cast<std::uint8_t>(v);
        ramp.set((v - 1) % 15 + 1, (v - 1) / 15 + 1, b, b, b);
    }
    const TestImage result = AppliedBothWays(kGamma, ramp, INT_MIN);
    for (std::int32_t y = 1; y <= 17; ++y)
        for (std::int32_t x = 1; x <= 15; ++x) EXPECT_EQ(result.at(3, x, y), 255) << x << ", " << y;
    ExpectFailsLeavingImage(kGamma, RowOf({{1, 2, 3}, {4, 0, 6}}), INT_MIN,
                            ErrorKind::InvalidFloatingPoint);
}

TEST(GammaTest, MayFailMidRunOnlyForNegativeAmounts) {
    EXPECT_TRUE(GammaMayFailMidRun(-1));
    EXPECT_TRUE(GammaMayFailMidRun(INT_MIN));
    EXPECT_FALSE(GammaMayFailMidRun(0));
    EXPECT_FALSE(GammaMayFailMidRun(1));
    EXPECT_FALSE(GammaMayFailMidRun(INT_MAX));
}

TEST(GammaTest, ReportsEveryRowThenHundred) {
    std::vector<std::int32_t> expected = RowSteps(4);
    expected.push_back(100);
    EXPECT_EQ(ProgressOf(kGamma, TestImage::Random(3, 4, 5), 150), expected);
}

TEST(NoiseTest, ZeroAmountAddsOneAboveHalfAndRoundsHalfToEven) {
    ScriptedDraws draws({0.25f, 0.75f, 0.5f});
    const TestImage image = RowOf({{100, 100, 100}, {101, 101, 101}, {255, 255, 255}, {0, 0, 0}});
    const TestImage result = AppliedBothWays(kNoise, image, 0, &draws);
    EXPECT_EQ(ChannelRow(result, 1), (std::vector<int>{100, 101, 255, 0}));
    EXPECT_EQ(ChannelRow(result, 2), (std::vector<int>{101, 102, 255, 1}));
    EXPECT_EQ(ChannelRow(result, 3), (std::vector<int>{100, 102, 255, 0}));
}

TEST(NoiseTest, OffsetsRunFromMinusAToAPlusOneAndClamp) {
    // Draw 0 gives -50; the highest draw gives +51; 0.5 gives +0.5, a tie.
    ScriptedDraws draws({0.0f, kHighestDraw, 0.5f});
    const TestImage image = RowOf({{100, 100, 100}, {20, 230, 7}, {60, 60, 61}});
    const TestImage result = AppliedBothWays(kNoise, image, 50, &draws);
    EXPECT_EQ(ChannelRow(result, 1), (std::vector<int>{50, 0, 10}));
    EXPECT_EQ(ChannelRow(result, 2), (std::vector<int>{151, 255, 111}));
    EXPECT_EQ(ChannelRow(result, 3), (std::vector<int>{100, 8, 62}));
}

TEST(NoiseTest, DrawsThreeTimesPerPixel) {
    ScriptedDraws draws({0.1f});
    Applied(kNoise, TestImage::Random(7, 5, 2), 20, WriteBack::AsRowsFinish);
    EXPECT_EQ(draws.taken(), 3u * 7 * 5);
}

TEST(NoiseTest, MatchesThePlainFormulaInDrawOrder) {
    const std::vector<float> sequence = RandomDraws(1000, 77);
    ScriptedDraws draws(sequence);
    for (const auto& [w, h] : kSizes)
        for (const std::int32_t amount : {0, 1, 20, 50, -3, 1000, 1'073'741'823, -1'073'741'824}) {
            const TestImage image = TestImage::Random(w, h, 31);
            EXPECT_EQ(AppliedBothWays(kNoise, image, amount, &draws),
                      ReferenceNoise(image, amount, sequence))
                << w << " x " << h << ", amount " << amount;
        }
}

TEST(NoiseTest, SpanOutside32BitsFailsAfterOneDraw) {
    for (const std::int32_t amount : {1'073'741'824, -1'073'741'825, INT_MAX, INT_MIN}) {
        ScriptedDraws draws({0.5f});
        const TestImage image = TestImage::Random(3, 2, 6);
        ExpectFailsLeavingImage(kNoise, image, amount, ErrorKind::Overflow);
        EXPECT_EQ(draws.taken(), 2u) << amount;  // one in each write-back mode
    }
}

TEST(NoiseTest, RealGeneratorKeepsOffsetsInRange) {
    const TestImage result = Applied(kNoise, TestImage::Filled(64, 32, 128, 128, 128), 50);
    int lowest = 255;
    int highest = 0;
    for (std::size_t i = 0; i < result.bits.size(); ++i) {
        if (i % 4 == 3) continue;
        lowest = std::min<int>(lowest, result.bits[i]);
        highest = std::max<int>(highest, result.bits[i]);
    }
    EXPECT_GE(lowest, 128 - 50);
    EXPECT_LE(highest, 128 + 51);
    EXPECT_LT(lowest, 128 - 40);  // 6144 draws spread over the whole range
    EXPECT_GT(highest, 128 + 40);
}

TEST(NoiseTest, ReportsEveryRowThenHundred) {
    std::vector<std::int32_t> expected = RowSteps(3);
    expected.push_back(100);
    EXPECT_EQ(ProgressOf(kNoise, TestImage::Random(4, 3, 5), 10), expected);
}

}  // namespace
}  // namespace tegmora::effects

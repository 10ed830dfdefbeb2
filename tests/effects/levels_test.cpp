// Auto Levels (28), Gamma (31) and Noise (29).
#include "effects.h"
#include "engine.h"
#include "filter_checks.h"
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
using testing::Pixels;
using testing::ProgressOf;
using testing::ProgressRecorder;
using testing::RowOf;
using testing::ScriptedDraws;
using testing::TestImage;

constexpr std::int32_t kAutoLevels = 28;
constexpr std::int32_t kNoise = 29;
constexpr std::int32_t kGamma = 31;

const std::pair<std::int32_t, std::int32_t> kSizes[] = {{1, 1},  {2, 2}, {3, 3}, {7, 5},
                                                        {16, 9}, {5, 1}, {1, 6}, {83, 4}};

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
        for (std::int32_t y = 1; y <= image.height && lo != hi; ++y)
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

struct Case {
    const char* what;
    std::int32_t code;
    std::int32_t amount;
    Pixels in;
    Pixels out;
};

const Case kCases[] = {
    {"blue over 50..150, the others already full",
     kAutoLevels,
     0,
     {{50, 0, 255}, {100, 128, 3}, {150, 255, 0}},
     {{0, 0, 255}, {128, 128, 3}, {255, 255, 0}}},
    {"two tones round their middle to even",
     kAutoLevels,
     0,
     {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}},
     {{0, 0, 0}, {128, 128, 128}, {255, 255, 255}}},
    {"no blue, constant green, red stretched",
     kAutoLevels,
     0,
     {{0, 77, 30}, {0, 77, 35}, {0, 77, 40}},
     {{0, 77, 0}, {0, 77, 128}, {0, 77, 255}}},
    {"gamma 2", kGamma, 200, {{1, 64, 128}, {0, 255, 0}}, {{16, 128, 181}, {0, 255, 0}}},
    {"gamma 0.5", kGamma, 50, {{64, 128, 200}, {0, 255, 0}}, {{16, 64, 157}, {0, 255, 0}}},
    {"gamma 2.2 lifts 254", kGamma, 220, {{254, 254, 254}}, {{255, 255, 255}}},
    {"negative gamma rounding back to 255", kGamma, -250, {{254, 255, 254}}, {{255, 255, 255}}},
};

TEST(LevelsTest, WorkedExamples) {
    for (const Case& c : kCases)
        EXPECT_EQ(AppliedBothWays(c.code, RowOf(c.in), c.amount), RowOf(c.out)) << c.what;
}

TEST(AutoLevelsTest, MatchesThePlainStretch) {
    for (const auto& [w, h] : kSizes) {
        TestImage image = TestImage::Random(w, h, 12);
        EXPECT_EQ(AppliedBothWays(kAutoLevels, image), ReferenceAutoLevels(image)) << w << "x" << h;
        for (std::uint8_t& b : image.bits) b = static_cast<std::uint8_t>(40 + b % 150);
        EXPECT_EQ(AppliedBothWays(kAutoLevels, image), ReferenceAutoLevels(image)) << w << "x" << h;
    }
}

TEST(AutoLevelsTest, ReportsBothPasses) {
    const std::vector<std::int32_t> expected = {3, 6, 10, 10, 40, 70, 100, 100};
    for (const WriteBack mode : {WriteBack::AtEnd, WriteBack::AsRowsFinish})
        EXPECT_EQ(ProgressOf(kAutoLevels, TestImage::Random(2, 3, 1), 0, mode), expected);
}

TEST(GammaTest, MatchesThePowerCurveOnEveryLevel) {
    TestImage image(16, 16);
    for (int v = 0; v < 256; ++v)
        image.set(v % 16 + 1, v / 16 + 1, static_cast<std::uint8_t>(v),
                  static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>((v * 7) & 255));
    for (const std::int32_t amount : {100, 200, 50, 220, 150, 1, 37, 99, 101, 1000, INT_MAX}) {
        TestImage expected = image;
        for (std::size_t i = 0; i < image.bits.size(); ++i)
            if (i % 4 != 3)
                expected.bits[i] = static_cast<std::uint8_t>(GammaOf(amount, image.bits[i]));
        EXPECT_EQ(AppliedBothWays(kGamma, image, amount), expected) << "amount " << amount;
    }
}

TEST(GammaTest, ZeroDividesByZeroBeforeTouchingAnything) {
    const TestImage image = TestImage::Random(4, 3, 2);
    ExpectFailsLeavingImage(kGamma, image, 0, ErrorKind::DivisionByZero);
    ProgressRecorder recorder;
    recorder.progress = 42;
    TestImage target = image;
    EXPECT_THROW(ApplyFilter(kGamma, target.view(), 0, recorder.progress, WriteBack::AsRowsFinish),
                 FilterError);
    EXPECT_EQ(recorder.progress, 42);
    EXPECT_TRUE(recorder.seen.empty());
}

TEST(GammaTest, NegativeAmountsFailAtTheFirstLevelTheyCannotConvert) {
    // Scan order, then blue, green, red: 0 has no finite power, and a level
    // the curve lifts to 255.5 or more leaves the byte range.
    const std::pair<Pixels, ErrorKind> cases[] = {
        {{{255, 255, 255}, {0, 100, 255}}, ErrorKind::InvalidFloatingPoint},
        {{{255, 255, 255}, {100, 0, 255}}, ErrorKind::Overflow},
        {{{255, 0, 255}, {100, 100, 100}}, ErrorKind::InvalidFloatingPoint},
        {{{255, 255, 200}, {0, 0, 0}}, ErrorKind::Overflow},
    };
    for (const auto& [pixels, kind] : cases)
        for (const std::int32_t amount : {-1, -100, -250})
            ExpectFailsLeavingImage(kGamma, RowOf(pixels), amount, kind);
    ExpectFailsLeavingImage(kGamma, RowOf({{254, 254, 254}}), -100, ErrorKind::Overflow);
    // The most negative amount rounds every level but 0 to 255.
    EXPECT_EQ(AppliedBothWays(kGamma, RowOf({{1, 128, 254}}), INT_MIN), RowOf({{255, 255, 255}}));
    ExpectFailsLeavingImage(kGamma, RowOf({{1, 0, 3}}), INT_MIN, ErrorKind::InvalidFloatingPoint);
}

TEST(GammaTest, NegativeAmountsReportTheRowsBeforeTheFailure) {
    EXPECT_TRUE(GammaMayFailMidRun(-1));
    EXPECT_FALSE(GammaMayFailMidRun(0));
    EXPECT_FALSE(GammaMayFailMidRun(1));
    TestImage image = TestImage::Filled(3, 3, 255, 255, 255);
    image.set(2, 2, 255, 7, 255);
    ProgressRecorder recorder;
    EXPECT_THROW(ApplyFilter(kGamma, image.view(), -50, recorder.progress), FilterError);
    EXPECT_EQ(recorder.seen, (std::vector<std::int32_t>{33}));
}

TEST(NoiseTest, ZeroAmountAddsOneAboveHalfAndRoundsHalfToEven) {
    ScriptedDraws draws({0.25f, 0.75f, 0.5f});
    const TestImage result = AppliedBothWays(
        kNoise, RowOf({{100, 100, 100}, {101, 101, 101}, {255, 255, 255}, {0, 0, 0}}), 0, &draws);
    EXPECT_EQ(result, RowOf({{100, 101, 100}, {101, 102, 102}, {255, 255, 255}, {0, 1, 0}}));
    EXPECT_EQ(draws.taken(), 3u * 4);
}

TEST(NoiseTest, OffsetsRunFromMinusAToAPlusOneAndClamp) {
    // Draw 0 gives -50, the highest draw 1 - 2^-24 gives +51, 0.5 a tie at +0.5.
    ScriptedDraws draws({0.0f, 0.99999994f, 0.5f});
    const TestImage result =
        AppliedBothWays(kNoise, RowOf({{100, 100, 100}, {20, 230, 7}, {60, 60, 61}}), 50, &draws);
    EXPECT_EQ(result, RowOf({{50, 151, 100}, {0, 255, 8}, {10, 111, 62}}));
}

TEST(NoiseTest, MatchesThePlainFormulaInDrawOrder) {
    std::mt19937 gen(77);
    std::vector<float> sequence(1000);
    for (float& d : sequence) d = static_cast<float>(gen() >> 8) * 0x1p-24f;
    ScriptedDraws draws(sequence);
    for (const auto& [w, h] : kSizes)
        for (const std::int32_t amount : {0, 1, 20, -3, 1000, 1'073'741'823, -1'073'741'824}) {
            const TestImage image = TestImage::Random(w, h, 31);
            EXPECT_EQ(AppliedBothWays(kNoise, image, amount, &draws),
                      ReferenceNoise(image, amount, sequence))
                << w << " x " << h << ", amount " << amount;
        }
}

TEST(NoiseTest, SpanOutside32BitsFailsAfterOneDraw) {
    for (const std::int32_t amount : {1'073'741'824, -1'073'741'825, INT_MAX, INT_MIN}) {
        ScriptedDraws draws({0.5f});
        ExpectFailsLeavingImage(kNoise, TestImage::Random(3, 2, 6), amount, ErrorKind::Overflow);
        EXPECT_EQ(draws.taken(), 2u) << amount;  // one in each write-back mode
    }
}

TEST(NoiseTest, RealGeneratorKeepsOffsetsInRange) {
    const TestImage result = Applied(kNoise, TestImage::Filled(64, 32, 128, 128, 128), 50);
    int lowest = 255;
    int highest = 0;
    for (std::size_t i = 0; i < result.bits.size(); ++i)
        if (i % 4 != 3) {
            lowest = std::min<int>(lowest, result.bits[i]);
            highest = std::max<int>(highest, result.bits[i]);
        }
    // 6144 draws reach close to both ends of -50..+51.
    EXPECT_GE(lowest, 78);
    EXPECT_LT(lowest, 88);
    EXPECT_LE(highest, 179);
    EXPECT_GT(highest, 169);
}

}  // namespace
}  // namespace tegmora::effects

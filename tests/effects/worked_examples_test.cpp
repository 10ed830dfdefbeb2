// Results worked out by hand on images of a few pixels: they pin rounding,
// reading order and what an amount means independently of the reference.
#include "test_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <optional>

namespace tegmora::effects::testing {
namespace {

using Pixels = std::vector<std::array<int, 3>>;  // (blue, green, red), rows top first

TestImage Image(std::int32_t width, const Pixels& pixels) {
    TestImage image(width, static_cast<std::int32_t>(pixels.size()) / width);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        for (std::size_t c = 0; c < 3; ++c) image.bits[4 * i + c] = static_cast<std::uint8_t>(pixels[i][c]);
    return image;
}

Pixels GreyPixels(std::initializer_list<int> levels) {
    Pixels pixels;
    for (const int v : levels) pixels.push_back({v, v, v});
    return pixels;
}

// `count` pixels of one colour, then as many black ones.
Pixels ThenBlack(std::size_t count, const std::array<int, 3>& colour) {
    Pixels pixels(2 * count, {0, 0, 0});
    std::fill_n(pixels.begin(), count, colour);
    return pixels;
}

struct Example {
    const char* rule;
    std::int32_t code;
    std::int32_t amount;
    std::int32_t width;
    Pixels in;
    Pixels out;
    std::vector<float> draws = {};
};

TEST(WorkedExampleTest, EachRuleGivesTheWorkedResult) {
    const Example examples[] = {
        {"sharpen: (26 * 100 - 2 * 880) \\ 10", 1, 2, 3, GreyPixels({110, 110, 110, 110, 100, 110, 110, 110, 110}),
         GreyPixels({110, 110, 110, 110, 84, 110, 110, 110, 110})},
        {"relief truncates -3 / 2 toward zero", 13, 0, 3, GreyPixels({0, 0, 0, 0, 0, 3, 0, 0, 0}),
         GreyPixels({0, 0, 0, 0, 49, 3, 0, 0, 0})},
        {"blur in place sees the result to its left", 3, 0, 4, GreyPixels({0, 0, 0, 0, 0, 80, 80, 0, 0, 0, 0, 0}),
         GreyPixels({0, 0, 0, 0, 0, 10, 1, 0, 0, 0, 0, 0})},
        {"brightness in single precision: 35 * 0.9f", 14, -10, 2, GreyPixels({35, 5}), GreyPixels({31, 4})},
        {"saturation rounds half to even", 30, 50, 2, {{1, 4, 0}, {3, 2, 4}}, {{1, 6, 0}, {3, 2, 4}}},
        {"contrast spreads half the excess onto the other channels", 17, 100, 2, {{255, 0, 0}, {0, 0, 0}},
         {{255, 64, 64}, {0, 0, 0}}},
        {"contrast: (-79, 425, 425) passes (254, 255, 255) on its way to white", 17, 100, 32,
         ThenBlack(16, {3, 255, 255}), ThenBlack(16, {255, 255, 255})},
        {"auto levels: 127.5 rounds to even", 28, 0, 3, GreyPixels({50, 100, 150}), GreyPixels({0, 128, 255})},
        {"pixelize truncates each block's mean", 15, 2, 3, GreyPixels({10, 21, 30}), GreyPixels({15, 15, 30})},
        {"pixelize: 49 ones times a rounded 1 / 49 is still 1", 15, 7, 7, Pixels(49, {1, 1, 1}), Pixels(49, {1, 1, 1})},
        {"reverse diagonal emboss: |-(100 - 30) + 64|", 10, 0x00404040, 2, GreyPixels({100, 0, 0, 30}),
         GreyPixels({6, 0, 0, 30})},
        {"horizontal emboss: amount -20 tints red -20, blue and green 255", 9, -20, 3,
         {{0, 0, 10}, {0, 0, 0}, {0, 0, 0}, {0, 0, 10}, {0, 0, 0}, {0, 0, 0}, {0, 0, 10}, {0, 0, 0}, {0, 0, 0}},
         {{0, 0, 10}, {0, 0, 0}, {0, 0, 0}, {0, 0, 10}, {255, 255, 10}, {0, 0, 0}, {0, 0, 10}, {0, 0, 0}, {0, 0, 0}}},
        {"threshold: dark only below all three limits", 18, 0x00808080, 2, {{127, 127, 127}, {128, 0, 0}},
         GreyPixels({0, 255})},
        {"gamma 2: sqrt(64 / 255) * 255", 31, 200, 1, GreyPixels({64}), GreyPixels({128})},
        {"ordered dither, grey step 9 of 16", 20, 0, 4, Pixels(16, {128, 128, 128}),
         GreyPixels({255, 0, 255, 0, 255, 255, 0, 255, 255, 0, 255, 0, 0, 255, 0, 255})},
        {"floyd-steinberg against the mean 122", 21, 10, 3, GreyPixels({100, 200, 50, 0, 255, 128}),
         GreyPixels({0, 255, 0, 0, 255, 255})},
        {"black and white carries a quarter of the error", 19, 0, 3, GreyPixels({100, 130, 140}),
         GreyPixels({0, 255, 0})},
        {"dilate takes the largest of the square", 25, 0, 4, GreyPixels({0, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 7}),
         GreyPixels({0, 0, 0, 0, 0, 9, 9, 0, 0, 0, 0, 7})},
        {"inner edge: own less the smallest", 27, 0, 3, GreyPixels({5, 6, 7, 8, 9, 10, 11, 12, 13}),
         GreyPixels({5, 6, 7, 8, 4, 10, 11, 12, 13})},
        {"noise: draw * 21 - 10 + level, half to even, blue first", 29, 10, 1, GreyPixels({100}), {{100, 90, 111}},
         {0.5f, 0.0f, 0.99999994f}},
        {"diffuse reads pixels already moved", 4, 2, 2, GreyPixels({10, 20}), GreyPixels({20, 20}),
         {0.99f, 0.5f, 0.0f, 0.5f}},
    };
    for (const Example& e : examples) {
        const TestImage in = Image(e.width, e.in);
        for (const WriteBack mode : kWriteBacks) {
            const ScriptedDraws draws(e.draws);
            const Outcome outcome = EngineRun(e.code, in, e.amount, mode);
            EXPECT_EQ(outcome.image, Image(e.width, e.out)) << e.rule;
            EXPECT_EQ(draws.used(), e.draws.size()) << e.rule;
        }
    }
}

// Each failing run's limits on the image that reaches them, and the amounts
// beside them succeeding there.
TEST(WorkedExampleTest, FailingAmountsAndTheirLimits) {
    const TestImage black3 = Image(3, Pixels(9, {0, 0, 0}));
    const TestImage white3 = Image(3, Pixels(9, {255, 255, 255}));
    const TestImage redOnBlack = Image(3, {{0, 0, 0}, {0, 0, 0}, {0, 0, 255}});
    const auto imageOf = [&](const FailingRange& range) -> const TestImage& {
        if (range.code == 14 || range.code == 17 || range.code == 30) return redOnBlack;
        return range.kind == ErrorKind::Overflow && (range.code == 1 || range.code == 6) ? white3 : black3;
    };
    const auto expect = [](std::int32_t code, std::int32_t amount, const TestImage& image,
                           std::optional<ErrorKind> error) {
        for (const WriteBack mode : kWriteBacks) {
            std::vector<float> draws(image.bits.size(), 0.5f);
            const ScriptedDraws script(code == 29 ? draws : std::vector<float>{});
            EXPECT_EQ(EngineRun(code, image, amount, mode).error, error) << "code " << code << ", amount " << amount;
        }
    };
    // Beside a run lies success, or another run of the same filter.
    const auto listed = [](std::int32_t code, std::int32_t amount) -> std::optional<ErrorKind> {
        for (const FailingRange& r : FailingAmounts())
            if (r.code == code && r.first <= amount && amount <= r.last) return r.kind;
        return std::nullopt;
    };
    for (const FailingRange& range : FailingAmounts()) {
        const TestImage& image = imageOf(range);
        expect(range.code, range.first, image, range.kind);
        expect(range.code, range.last, image, range.kind);
        if (range.first != INT_MIN) expect(range.code, range.first - 1, image, listed(range.code, range.first - 1));
        if (range.last != INT_MAX) expect(range.code, range.last + 1, image, listed(range.code, range.last + 1));
    }
    // Where the image decides.
    const TestImage black2 = Image(2, Pixels(4, {0, 0, 0}));
    expect(1, -8, black2, std::nullopt);  // no pixel to divide for
    expect(1, INT_MAX - 23, black2, ErrorKind::Overflow);
    expect(1, 8'421'481, black2, std::nullopt);
    expect(31, -100, Image(2, GreyPixels({255, 200})), ErrorKind::Overflow);
    expect(31, -100, Image(2, GreyPixels({255, 255})), std::nullopt);
}

}  // namespace
}  // namespace tegmora::effects::testing

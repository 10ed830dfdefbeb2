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

struct Limit {
    std::int32_t code;
    std::int32_t amount;
    TestImage image;
    std::optional<ErrorKind> error;
};

TEST(WorkedExampleTest, FailingAmountsAndTheirLimits) {
    const TestImage black3 = Image(3, Pixels(9, {0, 0, 0}));
    const TestImage white3 = Image(3, Pixels(9, {255, 255, 255}));
    const TestImage black2 = Image(2, Pixels(4, {0, 0, 0}));
    const TestImage redOnBlack = Image(3, {{0, 0, 0}, {0, 0, 0}, {0, 0, 255}});
    const Limit limits[] = {
        {1, -8, black3, ErrorKind::DivisionByZero},
        {1, -8, black2, std::nullopt},  // no pixel to divide for
        {1, INT_MAX - 23, black2, ErrorKind::Overflow}, {1, 8'421'480, white3, std::nullopt},
        {1, 8'421'481, white3, ErrorKind::Overflow}, {1, -8'421'512, white3, std::nullopt},
        {1, -8'421'513, white3, ErrorKind::Overflow}, {6, -1, black3, ErrorKind::DivisionByZero},
        {6, 8'421'495, white3, std::nullopt}, {6, 8'421'496, white3, ErrorKind::Overflow},
        {14, 842'150'350, redOnBlack, std::nullopt}, {14, 842'150'351, redOnBlack, ErrorKind::Overflow},
        {14, -842'150'551, redOnBlack, ErrorKind::Overflow}, {17, 946'027'950, redOnBlack, std::nullopt},
        {17, 946'027'951, redOnBlack, ErrorKind::Overflow}, {17, -946'028'151, redOnBlack, ErrorKind::Overflow},
        {15, 0, black2, ErrorKind::DivisionByZero}, {21, 0, black2, ErrorKind::DivisionByZero},
        {22, 0, black2, ErrorKind::DivisionByZero}, {23, 0, black2, ErrorKind::DivisionByZero},
        {29, 1'073'741'823, black2, std::nullopt}, {29, 1'073'741'824, black2, ErrorKind::Overflow},
        {29, -1'073'741'825, black2, ErrorKind::Overflow}, {30, 1'263'300'000, redOnBlack, ErrorKind::Overflow},
        {30, 1'263'000'000, redOnBlack, std::nullopt}, {31, 0, black2, ErrorKind::DivisionByZero},
        {31, -100, black2, ErrorKind::InvalidFloatingPoint},
        {31, -100, Image(2, GreyPixels({255, 200})), ErrorKind::Overflow},
        {31, -100, Image(2, GreyPixels({255, 255})), std::nullopt},
    };
    for (const Limit& limit : limits) {
        for (const WriteBack mode : kWriteBacks) {
            std::vector<float> draws(limit.image.bits.size(), 0.5f);
            const ScriptedDraws script(limit.code == 29 ? draws : std::vector<float>{});
            EXPECT_EQ(EngineRun(limit.code, limit.image, limit.amount, mode).error, limit.error)
                << "code " << limit.code << ", amount " << limit.amount;
        }
    }
}

}  // namespace
}  // namespace tegmora::effects::testing

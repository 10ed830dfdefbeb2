#include "engine.h"
#include "test_image.h"

#include <gtest/gtest.h>

namespace tegmora::effects {
namespace {

using testing::Applied;
using testing::TestImage;

// Every grey level 0..255 in a row, through one filter; returns level -> result.
std::vector<int> Mapped(std::int32_t code, std::int32_t amount) {
    TestImage ramp(256, 1);
    for (int v = 0; v < 256; ++v) ramp.set(v + 1, 1, static_cast<std::uint8_t>(v), 0, 0);
    const TestImage result = Applied(code, ramp, amount);
    std::vector<int> out;
    for (int v = 0; v < 256; ++v) out.push_back(result.at(1, v + 1, 1));
    return out;
}

TEST(BrightnessTest, SinglePrecisionFactorDecidesTheLevels) {
    struct Case {
        std::int32_t amount;
        int in;
        int out;
    };
    // A factor held in double precision would give 16, 38, 14, 32 and 230.
    const Case cases[] = {
        {10, 0, 0},    {10, 15, 17},   {10, 35, 39},  {10, 231, 254}, {10, 232, 255}, {10, 255, 255},
        {-10, 15, 13}, {-10, 35, 31},  {-10, 255, 229}, {-100, 200, 0}, {-250, 200, 0}, {0, 77, 77},
        {100, 128, 255}, {100, 127, 254},
    };
    for (const Case& c : cases) EXPECT_EQ(Mapped(14, c.amount)[c.in], c.out) << c.amount << " " << c.in;
}

TEST(BrightnessTest, AmountsBeyond32BitsFailWithoutChangingTheImage) {
    for (const std::int32_t amount : {INT32_MAX, 2'000'000'000}) {
        for (const WriteBack mode : {WriteBack::AtEnd, WriteBack::AsRowsFinish}) {
            TestImage image = TestImage::Random(3, 3, 1);
            const TestImage before = image;
            std::int32_t progress = 0;
            try {
                ApplyFilter(14, image.view(), amount, progress, mode);
                ADD_FAILURE() << amount;
            } catch (const FilterError& e) {
                EXPECT_EQ(e.kind(), ErrorKind::Overflow);
            }
            EXPECT_EQ(image, before);
        }
    }
}

// Contrast's spreading, written out plainly: while a channel lies outside
// 0..255, each in turn is clamped and half its excess, truncated toward zero,
// goes onto both others.
void SpreadOverflow(std::int32_t (&v)[3]) {
    const auto inByte = [&v] { return std::all_of(v, v + 3, [](std::int32_t c) { return c >= 0 && c <= 255; }); };
    while (!inByte()) {
        if (std::max({v[0], v[1], v[2]}) <= 0) {
            v[0] = v[1] = v[2] = 0;
        } else if (std::min({v[0], v[1], v[2]}) >= 255) {
            v[0] = v[1] = v[2] = 255;
        } else {
            for (int c = 0; c < 3; ++c) {
                const std::int32_t excess = v[c] < 0 ? v[c] : (v[c] > 255 ? v[c] - 255 : 0);
                v[c] = std::clamp(v[c], 0, 255);
                v[(c + 1) % 3] += excess / 2;
                v[(c + 2) % 3] += excess / 2;
            }
        }
    }
}

TEST(ContrastTest, SpreadsOverflowOntoTheOtherChannels) {
    struct Case {
        std::int32_t in[3];
        std::int32_t out[3];
    };
    const Case cases[] = {
        {{300, 250, 250}, {255, 255, 255}}, {{300, 0, 0}, {255, 22, 22}},   {{-20, 100, 260}, {0, 90, 250}},
        {{-26, -26, 100}, {0, 0, 52}},       {{270, 10, -5}, {255, 17, 2}}, {{-1, 5, 5}, {0, 5, 5}},
        {{-5, -7, -1}, {0, 0, 0}},           {{281, 0, 0}, {255, 13, 13}},   {{10, 20, 30}, {10, 20, 30}},
    };
    for (const Case& c : cases) {
        std::int32_t v[3] = {c.in[0], c.in[1], c.in[2]};
        SpreadOverflow(v);
        EXPECT_EQ(v[0], c.out[0]) << c.in[0] << "," << c.in[1] << "," << c.in[2];
        EXPECT_EQ(v[1], c.out[1]);
        EXPECT_EQ(v[2], c.out[2]);
    }
}

TEST(ContrastTest, OneBluePixelAmongNinetyNineBlack) {
    TestImage image(10, 10);
    image.set(4, 7, 255, 0, 0);
    const TestImage result = Applied(17, image, 10);
    TestImage expected(10, 10);
    expected.set(4, 7, 255, 13, 13);
    EXPECT_EQ(result, expected);
}

TEST(ContrastTest, MeanTruncatesEachGreyLevelThenTheQuotient) {
    // Sums 2 and 5 give levels 0 and 1 and a mean of 0; a mean of 1 would map
    // 0 to -1 and 2 to 3 with this factor of 2.
    TestImage image(2, 1);
    image.set(1, 1, 1, 1, 0);
    image.set(2, 1, 2, 2, 1);
    const TestImage result = Applied(17, image, 100);
    TestImage expected(2, 1);
    expected.set(1, 1, 2, 2, 0);
    expected.set(2, 1, 4, 4, 2);
    EXPECT_EQ(result, expected);
}

TEST(ContrastTest, KeepsUniformGreyAndMovesTowardsTheMeanWhenDecreasing) {
    const TestImage grey = TestImage::Filled(4, 3, 90, 90, 90);
    EXPECT_EQ(Applied(17, grey, 10), grey);
    EXPECT_EQ(Applied(17, grey, 500), grey);

    // Decreasing contrast moves every value towards the mean grey level and
    // never past it, so nothing spreads.
    const TestImage image = TestImage::Random(9, 7, 5);
    long sum = 0;
    for (std::int32_t y = 1; y <= image.height; ++y)
        for (std::int32_t x = 1; x <= image.width; ++x)
            sum += (image.at(1, x, y) + image.at(2, x, y) + image.at(3, x, y)) / 3;
    const int mean = static_cast<int>(sum / (image.width * image.height));
    const TestImage result = Applied(17, image, -10);
    for (std::int32_t y = 1; y <= image.height; ++y)
        for (std::int32_t x = 1; x <= image.width; ++x)
            for (int c = 1; c <= 3; ++c) {
                const int in = image.at(c, x, y);
                const int out = result.at(c, x, y);
                EXPECT_LE(std::min(in, mean), out);
                EXPECT_GE(std::max(in, mean), out);
                EXPECT_EQ(out, static_cast<int>(std::nearbyint(0.89999997615814208984375 * (in - mean) + mean)));
            }
}

// The obvious per-pixel contrast, for comparing with the engine's packed
// tables and in-range rows.
TestImage ReferenceContrast(const TestImage& image, std::int32_t amount) {
    std::int64_t sum = 0;
    for (std::int32_t y = 1; y <= image.height; ++y)
        for (std::int32_t x = 1; x <= image.width; ++x)
            sum += (image.at(1, x, y) + image.at(2, x, y) + image.at(3, x, y)) / 3;
    const auto mean = static_cast<std::int32_t>(sum / (image.width * image.height));
    const double factor = static_cast<float>((amount + 100) / 100.0);
    TestImage result = image;
    for (std::int32_t y = 1; y <= image.height; ++y)
        for (std::int32_t x = 1; x <= image.width; ++x) {
            std::int32_t v[3];
            for (int c = 0; c < 3; ++c)
                v[c] = static_cast<std::int32_t>(std::nearbyint(factor * (image.at(c + 1, x, y) - mean) + mean));
            SpreadOverflow(v);
            for (int c = 0; c < 3; ++c) result.at(c + 1, x, y) = static_cast<std::uint8_t>(v[c]);
        }
    return result;
}

TEST(ContrastTest, MatchesThePlainPerPixelComputation) {
    // Noise spreads on most rows; a mid-range texture on none; a dark one
    // with a few bright pixels on some. Large amounts pass excesses too big
    // for the packed tables.
    TestImage texture = TestImage::Random(23, 17, 8);
    for (auto& b : texture.bits) b = static_cast<std::uint8_t>(60 + b % 120);
    TestImage dark = TestImage::Filled(31, 9, 20, 30, 25);
    dark.set(5, 3, 250, 10, 240);
    dark.set(30, 9, 255, 255, 0);
    for (const TestImage& image : {TestImage::Random(29, 11, 4), texture, dark})
        for (const std::int32_t amount : {10, -10, 35, 250, 1000, 40'000, -150, -300})
            EXPECT_EQ(Applied(17, image, amount), ReferenceContrast(image, amount)) << amount;
}

TEST(ContrastTest, AmountMinusHundredPaintsTheMean) {
    TestImage image(2, 1);
    image.set(1, 1, 30, 60, 90);    // level 60
    image.set(2, 1, 200, 100, 0);   // level 100
    const TestImage result = Applied(17, image, -100);
    for (int c = 1; c <= 3; ++c) {
        EXPECT_EQ(result.at(c, 1, 1), 80);
        EXPECT_EQ(result.at(c, 2, 1), 80);
    }
}

}  // namespace
}  // namespace tegmora::effects

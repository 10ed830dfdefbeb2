#include "effects.h"
#include "reference_filters.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace tegmora::effects {
namespace {

using testing::Applied;
using testing::EngineRun;
using testing::ReferenceRun;
using testing::ScriptedDraws;
using testing::TestImage;

constexpr std::int32_t kDiffuse = 4, kPixelize = 15;
constexpr WriteBack kModes[] = {WriteBack::AtEnd, WriteBack::AsRowsFinish};

// The draw that gives `offset` with amount 6 (half = 3).
float DrawFor(int offset) { return static_cast<float>(offset + 3) / 6.0f; }

// Draws that keep every pixel in place; Move sets one pixel's offsets.
std::vector<float> Still(std::int32_t width, std::int32_t height) {
    return std::vector<float>(std::size_t{2} * width * height, DrawFor(0));
}
void Move(std::vector<float>& draws, std::int32_t width, std::int32_t x, std::int32_t y, int dx, int dy) {
    const std::size_t at = 2 * (static_cast<std::size_t>(y - 1) * width + (x - 1));
    draws[at] = DrawFor(dx);
    draws[at + 1] = DrawFor(dy);
}

// Draws as the engine's generator makes them, from a test's own twister.
std::vector<float> RandomDraws(std::size_t count, std::uint32_t seed) {
    std::vector<float> draws(count);
    std::mt19937 gen(seed);
    for (float& d : draws) d = static_cast<float>(gen() >> 8) * 0x1p-24f;
    return draws;
}

TestImage Numbered(std::int32_t width, std::int32_t height) {
    TestImage image(width, height);
    for (std::int32_t y = 1; y <= height; ++y)
        for (std::int32_t x = 1; x <= width; ++x) {
            const auto v = static_cast<std::uint8_t>(10 * y + x);
            image.set(x, y, v, static_cast<std::uint8_t>(v + 1), static_cast<std::uint8_t>(v + 2));
        }
    return image;
}

TEST(DiffuseTest, OffsetsLeavingTheImageAreDroppedPerAxis) {
    const TestImage image = Numbered(3, 3);
    struct Case {
        int dx;
        int dy;
        std::int32_t fromX;
        std::int32_t fromY;
    };
    const Case cases[] = {{-2, -1, 1, 1}, {-2, 1, 1, 2}, {2, -3, 3, 1}, {1, 2, 2, 3}, {3, 3, 1, 1}};
    for (const Case& c : cases) {
        std::vector<float> draws = Still(3, 3);
        Move(draws, 3, 1, 1, c.dx, c.dy);
        const ScriptedDraws script(draws);
        const TestImage out = Applied(kDiffuse, image, 6);
        EXPECT_EQ(out.at(1, 1, 1), image.at(1, c.fromX, c.fromY)) << c.dx << ", " << c.dy;
        EXPECT_EQ(out.at(3, 1, 1), image.at(3, c.fromX, c.fromY));
        EXPECT_EQ(script.used(), draws.size());
    }
}

TEST(DiffuseTest, CopiesWithinWorkBitsInScanOrder) {
    // The first pixel takes the third; the second then takes the first,
    // which already holds the third's colour.
    const TestImage image = TestImage::Grey({{10, 20, 30}});
    std::vector<float> draws = Still(3, 1);
    Move(draws, 3, 1, 1, 2, 0);
    Move(draws, 3, 2, 1, -1, 0);
    for (const WriteBack mode : kModes) {
        const ScriptedDraws script(draws);
        EXPECT_EQ(Applied(kDiffuse, image, 6, mode).blueRows(),
                  (std::vector<std::vector<int>>{{30, 30, 30}}));
    }
}

TEST(DiffuseTest, RoundsHalfAndOffsetsToEven) {
    struct Case {
        std::int32_t amount;
        float draw;
        int offset;
    };
    const Case cases[] = {
        {6, 0.0f, -3},
        {6, 1.0f - 0x1p-24f, 3},
        {6, 0.25f, -2},          // 1.5 - 3
        {6, 0.75f, 2},           // 4.5 - 3
        {3, 0.0f, -2},           // half of 3 is 2
        {3, 0.5f, 0},            // -0.5
        {3, 1.0f - 0x1p-24f, 1},
        {12, 0.125f, -4},        // 1.5 - 6
        {10, 0.25f, -2},         // 2.5 - 5
        {10, 0.75f, 2},
        {0, 0.9f, 0},
        {-6, 0.25f, 2},          // -1.5 + 3
    };
    // Every other draw is 0.5, which gives offset 0 for each of these amounts.
    const TestImage image = TestImage::Grey({{1, 2, 3, 4, 5, 6, 7, 8, 9}});
    for (const Case& c : cases) {
        std::vector<float> draws(18, 0.5f);
        draws[8] = c.draw;  // the horizontal draw of pixel 5
        const ScriptedDraws script(draws);
        EXPECT_EQ(Applied(kDiffuse, image, c.amount).at(1, 5, 1), 5 + c.offset)
            << c.amount << " draw " << c.draw;
    }
}

TEST(DiffuseTest, AmountZeroChangesNothingButStillDrawsTwicePerPixel) {
    const TestImage image = TestImage::Random(5, 4, 3);
    const ScriptedDraws script(RandomDraws(40, 8));
    EXPECT_EQ(Applied(kDiffuse, image, 0), image);
    EXPECT_EQ(script.used(), 40u);
}

TEST(DiffuseTest, MatchesTheSlowReferenceOnRandomImages) {
    const std::int32_t amounts[] = {6, 12, 3, 5, 1, -6, -7, 100, INT32_MAX, INT32_MIN};
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{1, 1}, {7, 5}, {16, 9}, {4, 13}};
    std::uint32_t seed = 1;
    for (const std::int32_t amount : amounts) {
        for (const auto& [w, h] : sizes) {
            const TestImage image = TestImage::Random(w, h, seed);
            const std::vector<float> draws = RandomDraws(std::size_t{2} * w * h, seed++);
            const testing::Outcome expected = ReferenceRun(kDiffuse, image, amount, draws);
            for (const WriteBack mode : kModes) {
                const ScriptedDraws script(draws);
                EXPECT_EQ(EngineRun(kDiffuse, image, amount, mode), expected)
                    << amount << " on " << w << " x " << h;
                EXPECT_EQ(script.used(), draws.size());
            }
        }
    }
}

TEST(PixelizeTest, AveragesBlocksFromTheTopLeftAndTruncates) {
    // Blocks of 3: columns 1-3 and 4, rows 1-3 and 4.
    const TestImage image = TestImage::Grey({
        {1, 2, 2, 9},
        {1, 2, 2, 9},
        {1, 2, 2, 8},
        {0, 4, 5, 7},
    });
    EXPECT_EQ(Applied(kPixelize, image, 3).blueRows(), (std::vector<std::vector<int>>{
                                                           {1, 1, 1, 8},
                                                           {1, 1, 1, 8},
                                                           {1, 1, 1, 8},
                                                           {3, 3, 3, 7},
                                                       }));
}

TEST(PixelizeTest, PartialBlocksAverageOnlyTheirInsidePixels) {
    const TestImage image = TestImage::Random(10, 7, 4);
    const TestImage out = Applied(kPixelize, image, 3);
    for (int c = 1; c <= 3; ++c) {
        EXPECT_EQ(out.at(c, 10, 7), image.at(c, 10, 7));
        EXPECT_EQ(out.at(c, 10, 1), (image.at(c, 10, 1) + image.at(c, 10, 2) + image.at(c, 10, 3)) / 3);
        EXPECT_EQ(out.at(c, 2, 7), (image.at(c, 1, 7) + image.at(c, 2, 7) + image.at(c, 3, 7)) / 3);
    }
}

TEST(PixelizeTest, BlocksOfOneKeepTheImageAndHugeBlocksPaintItsMean) {
    const TestImage image = TestImage::Random(5, 4, 6);
    EXPECT_EQ(Applied(kPixelize, image, 1), image);
    for (const std::int32_t amount : {5, 100, INT32_MAX}) {
        const TestImage out = Applied(kPixelize, image, amount);
        for (int c = 1; c <= 3; ++c) {
            int sum = 0;
            for (std::int32_t y = 1; y <= 4; ++y)
                for (std::int32_t x = 1; x <= 5; ++x) sum += image.at(c, x, y);
            for (std::int32_t y = 1; y <= 4; ++y)
                for (std::int32_t x = 1; x <= 5; ++x) EXPECT_EQ(out.at(c, x, y), sum / 20) << amount;
        }
    }
}

TEST(PixelizeTest, FlatBlocksKeepTheirLevelExactly) {
    // Exact quotients are where a mean taken by reciprocal could come out low.
    for (int v = 0; v <= 255; ++v) {
        const auto level = static_cast<std::uint8_t>(v);
        const TestImage flat = TestImage::Filled(23, 17, level, level, static_cast<std::uint8_t>(255 - v));
        for (const std::int32_t amount : {2, 3, 7, 16, 40})
            EXPECT_EQ(Applied(kPixelize, flat, amount), flat) << v << " in blocks of " << amount;
    }
}

TEST(PixelizeTest, BlocksTallerThanTheColumnSumsHoldStayExact) {
    // 600 rows of 255 overflow 16-bit column sums unless they are split.
    const TestImage image = TestImage::Filled(3, 600, 255, 254, 1);
    EXPECT_EQ(Applied(kPixelize, image, 1000), image);
}

TEST(PixelizeTest, NegativeSizesPaintBlackAndZeroDividesByZero) {
    const TestImage image = TestImage::Random(4, 3, 2);
    for (const std::int32_t amount : {-1, -3, INT32_MIN}) {
        TestImage black = image;
        for (std::int32_t y = 1; y <= 3; ++y)
            for (std::int32_t x = 1; x <= 4; ++x) black.set(x, y, 0, 0, 0);
        EXPECT_EQ(Applied(kPixelize, image, amount), black) << amount;
    }
    for (const WriteBack mode : kModes) {
        const testing::Outcome out = EngineRun(kPixelize, image, 0, mode);
        EXPECT_EQ(out.error, ErrorKind::DivisionByZero);
        EXPECT_EQ(out.image, image);
        EXPECT_TRUE(out.progress.empty());
    }
}

TEST(PixelizeTest, MatchesTheSlowReferenceOnRandomImages) {
    const std::int32_t amounts[] = {1, 2, 3, 4, 5, 7, 16, 100, 300, -2, 0};
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{1, 1}, {10, 7}, {16, 9}, {33, 5}, {2, 300}};
    std::uint32_t seed = 1;
    for (const std::int32_t amount : amounts) {
        for (const auto& [w, h] : sizes) {
            const TestImage image = TestImage::Random(w, h, seed++);
            const testing::Outcome expected = ReferenceRun(kPixelize, image, amount);
            for (const WriteBack mode : kModes)
                EXPECT_EQ(EngineRun(kPixelize, image, amount, mode), expected)
                    << amount << " on " << w << " x " << h;
        }
    }
}

}  // namespace
}  // namespace tegmora::effects

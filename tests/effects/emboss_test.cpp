#include "effects.h"
#include "filter_checks.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

namespace tegmora::effects {
namespace {

using testing::Applied;
using testing::kWriteBacks;
using testing::ProgressOf;
using testing::TestImage;

constexpr std::int32_t kDiagonal = 8;
constexpr std::int32_t kHorizontal = 9;
constexpr std::int32_t kReverseDiagonal = 10;
constexpr std::int32_t kReverseHorizontal = 11;
constexpr std::int32_t kEmbossCodes[] = {kDiagonal, kHorizontal, kReverseDiagonal, kReverseHorizontal};

constexpr std::int32_t Colour(std::int32_t red, std::int32_t green, std::int32_t blue) {
    return red + 256 * green + 65536 * blue;
}

bool IsDiagonal(std::int32_t code) { return code == kDiagonal || code == kReverseDiagonal; }

// The plain way: the diagonal pair in place, the horizontal pair from a copy
// of the image as it was.
TestImage SlowEmboss(std::int32_t code, const TestImage& in, std::int32_t amount) {
    const ColourParts split = SplitColour(amount);
    const int tint[4] = {0, split.blue, split.green, split.red};
    TestImage out = in;
    if (IsDiagonal(code)) {
        for (std::int32_t y = 1; y <= in.height - 1; ++y)
            for (std::int32_t x = 1; x <= in.width - 1; ++x) {
                int v[4];
                for (int c = 1; c <= 3; ++c) {
                    const int here = out.at(c, x, y);
                    const int next = out.at(c, x + 1, y + 1);
                    v[c] = std::min(255, std::abs((code == kDiagonal ? here - next : next - here) + tint[c]));
                }
                for (int c = 1; c <= 3; ++c) out.at(c, x, y) = static_cast<std::uint8_t>(v[c]);
            }
        return out;
    }
    for (std::int32_t y = 2; y <= in.height - 1; ++y)
        for (std::int32_t x = 2; x <= in.width - 1; ++x)
            for (int c = 1; c <= 3; ++c) {
                const int left = in.at(c, x - 1, y - 1) + in.at(c, x - 1, y) + in.at(c, x - 1, y + 1);
                const int right = in.at(c, x + 1, y - 1) + in.at(c, x + 1, y) + in.at(c, x + 1, y + 1);
                const int v = (code == kHorizontal ? left - right : right - left) + tint[c];
                out.at(c, x, y) = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
            }
    return out;
}

TEST(EmbossTest, FlatImageTakesTheTintWhereVisited) {
    const TestImage flat = TestImage::Filled(5, 4, 50, 60, 70);
    const std::int32_t tint = Colour(0, 120, 120);
    for (const std::int32_t code : kEmbossCodes) {
        TestImage expected = flat;
        const std::int32_t first = IsDiagonal(code) ? 1 : 2;
        for (std::int32_t y = first; y <= 3; ++y)
            for (std::int32_t x = first; x <= 4; ++x) expected.set(x, y, 120, 120, 0);
        EXPECT_EQ(Applied(code, flat, tint), expected) << code;
    }
}

TEST(EmbossTest, DiagonalPairTakesAbsoluteDifferences) {
    struct Case {
        std::int32_t code;
        std::int32_t tint;
        std::uint8_t expected;
    };
    // A pixel of 200 whose lower-right neighbour is 50.
    const Case cases[] = {
        {kReverseDiagonal, 0, 150},                 // |50 - 200|
        {kDiagonal, 0, 150},                        // |200 - 50|
        {kReverseDiagonal, Colour(100, 100, 100), 50},  // |50 - 200 + 100|
        {kDiagonal, Colour(100, 100, 100), 250},        // |200 - 50 + 100|
    };
    const TestImage in = TestImage::Grey({{200, 9}, {9, 50}});
    for (const Case& c : cases) {
        TestImage expected = in;
        expected.set(1, 1, c.expected, c.expected, c.expected);
        EXPECT_EQ(Applied(c.code, in, c.tint), expected) << c.code << " tint " << c.tint;
    }
}

TEST(EmbossTest, DiagonalPairLimitsAt255AndLetsNegativeRedIn) {
    struct Case {
        std::int32_t code;
        std::uint8_t here;
        std::uint8_t next;
        std::int32_t tint;
        std::uint8_t blue, green, red;
    };
    const Case cases[] = {
        {kDiagonal, 255, 0, Colour(255, 255, 255), 255, 255, 255},    // 510
        {kReverseDiagonal, 255, 0, 0, 255, 255, 255},                 // |-255|
        {kReverseDiagonal, 0, 255, Colour(255, 1, 0), 255, 255, 255},  // 510, 256, 255
        // Amount -1: red -1, green and blue 255.
        {kDiagonal, 0, 0, -1, 255, 255, 1},
        {kReverseDiagonal, 10, 0, -1, 245, 245, 11},
        // Amount -255: red -255, green and blue 255.
        {kDiagonal, 40, 0, -255, 255, 255, 215},
    };
    for (const Case& c : cases) {
        const TestImage in = TestImage::Grey({{c.here, 3}, {3, c.next}});
        const TestImage out = Applied(c.code, in, c.tint);
        EXPECT_EQ(out.at(1, 1, 1), c.blue) << c.code << " tint " << c.tint;
        EXPECT_EQ(out.at(2, 1, 1), c.green) << c.code << " tint " << c.tint;
        EXPECT_EQ(out.at(3, 1, 1), c.red) << c.code << " tint " << c.tint;
    }
}

TEST(EmbossTest, HorizontalPairWeighsTheSideColumnsOnly) {
    struct Case {
        std::int32_t code;
        std::int32_t tint;
        std::uint8_t expected;
    };
    // Left column 10, 20, 30; right column 40; the centre column is never read.
    const Case cases[] = {
        {kReverseHorizontal, 0, 60},                    // 120 - 60
        {kReverseHorizontal, Colour(100, 100, 100), 160},
        {kHorizontal, Colour(100, 100, 100), 40},       // 60 - 120 + 100
        {kHorizontal, 0, 0},                            // -60
    };
    for (const std::uint8_t centre : {0, 99, 255}) {
        const TestImage in = TestImage::Grey({{10, centre, 40}, {20, centre, 40}, {30, centre, 40}});
        for (const Case& c : cases) {
            TestImage expected = in;
            expected.set(2, 2, c.expected, c.expected, c.expected);
            EXPECT_EQ(Applied(c.code, in, c.tint), expected) << c.code << " centre " << int{centre};
        }
    }
}

TEST(EmbossTest, HorizontalPairLimitsBothEndsAcrossAnEdge) {
    // Black left, white right: 3 * 255 + t for code 11, -765 + t for code 9.
    const TestImage edge = TestImage::Grey({{0, 0, 255, 255}, {0, 0, 255, 255}, {0, 0, 255, 255}});
    for (const std::int32_t tint : {0, Colour(255, 255, 255), -255}) {
        const TestImage reverse = Applied(kReverseHorizontal, edge, tint);
        const TestImage forward = Applied(kHorizontal, edge, tint);
        for (const std::int32_t x : {2, 3}) {
            EXPECT_EQ(reverse.at(1, x, 2), 255) << tint;
            EXPECT_EQ(reverse.at(3, x, 2), 255) << tint;
            EXPECT_EQ(forward.at(1, x, 2), 0) << tint;
            EXPECT_EQ(forward.at(3, x, 2), 0) << tint;
        }
    }
}

TEST(EmbossTest, TintPartsGoToBlueGreenAndRed) {
    const TestImage black = TestImage::Filled(3, 3, 0, 0, 0);
    for (const std::int32_t code : kEmbossCodes) {
        const TestImage out = Applied(code, black, Colour(10, 20, 30));
        EXPECT_EQ(out.at(1, 2, 2), 30) << code;
        EXPECT_EQ(out.at(2, 2, 2), 20) << code;
        EXPECT_EQ(out.at(3, 2, 2), 10) << code;
    }
}

TEST(EmbossTest, TooSmallImagesAreLeftAloneAndReportOnlyTheEnd) {
    struct Case {
        std::int32_t code;
        std::int32_t width;
        std::int32_t height;
    };
    const Case cases[] = {
        {kDiagonal, 1, 5},          {kDiagonal, 5, 1},          {kReverseDiagonal, 1, 1},
        {kHorizontal, 2, 5},        {kHorizontal, 5, 2},        {kReverseHorizontal, 2, 2},
        {kReverseHorizontal, 1, 9},
    };
    for (const Case& c : cases) {
        const TestImage in = TestImage::Random(c.width, c.height, 3);
        EXPECT_EQ(Applied(c.code, in, Colour(1, 2, 3)), in) << c.code;
        EXPECT_EQ(ProgressOf(c.code, in, 0), (std::vector<std::int32_t>{100})) << c.code;
    }
}

TEST(EmbossTest, ReportsTheRowsItVisits) {
    const TestImage image(3, 4);
    EXPECT_EQ(ProgressOf(kDiagonal, image), (std::vector<std::int32_t>{25, 50, 75, 100}));
    EXPECT_EQ(ProgressOf(kReverseHorizontal, image), (std::vector<std::int32_t>{50, 75, 100}));
}

TEST(EmbossTest, MatchesSlowReferenceOnRandomImages) {
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{2, 2}, {3, 3}, {7, 5}, {1, 4}, {4, 1},
                                                           {31, 17}, {64, 3}};
    const std::int32_t tints[] = {0, 0x404040, 0xFFFFFF, -1, -255, 0x7F00FF80, INT_MIN, 255, -129};
    std::uint32_t seed = 100;
    for (const std::int32_t code : kEmbossCodes)
        for (const auto& [w, h] : sizes)
            for (const std::int32_t tint : tints) {
                const TestImage in = TestImage::Random(w, h, ++seed);
                const TestImage expected = SlowEmboss(code, in, tint);
                for (const WriteBack mode : kWriteBacks)
                    ASSERT_EQ(Applied(code, in, tint, mode), expected)
                        << "code " << code << " " << w << "x" << h << " tint " << tint;
            }
}

}  // namespace
}  // namespace tegmora::effects

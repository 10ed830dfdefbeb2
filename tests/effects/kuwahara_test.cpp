#include "effects.h"
#include "filter_checks.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace tegmora::effects {
namespace {

using testing::Applied;
using testing::kWriteBacks;
using testing::ProgressOf;
using testing::RandomFrom;
using testing::TestImage;

constexpr std::int32_t kKuwahara = 24;

// The plain way: for every pixel and channel, the four squares read afresh.
TestImage SlowKuwahara(const TestImage& in) {
    TestImage out = in;
    // Top-left corner of each square relative to the pixel, in order.
    const int corners[4][2] = {{-2, -2}, {0, -2}, {-2, 0}, {0, 0}};
    for (std::int32_t y = 3; y <= in.height - 2; ++y)
        for (std::int32_t x = 3; x <= in.width - 2; ++x)
            for (int c = 1; c <= 3; ++c) {
                int best = 99999;
                int chosen = 0;
                for (const auto& [dx, dy] : corners) {
                    int sum = 0;
                    for (int j = 0; j < 3; ++j)
                        for (int i = 0; i < 3; ++i) sum += in.at(c, x + dx + i, y + dy + j);
                    const int mean = sum / 9;
                    int variation = 0;
                    for (int j = 0; j < 3; ++j)
                        for (int i = 0; i < 3; ++i)
                            variation += std::abs(in.at(c, x + dx + i, y + dy + j) - mean);
                    if (variation < best) {
                        best = variation;
                        chosen = mean;
                    }
                }
                out.at(c, x, y) = static_cast<std::uint8_t>(chosen);
            }
    return out;
}

// The centre pixel of a 5 x 5 image, the only one the filter visits.
int CentreOf(const TestImage& in) { return Applied(kKuwahara, in).at(1, 3, 3); }

// Black left, white right, the centre column white: the right-hand squares
// are flat white.
TestImage VerticalEdge() {
    return TestImage::Grey({
        {0, 0, 255, 255, 255},
        {0, 0, 255, 255, 255},
        {0, 0, 255, 255, 255},
        {0, 0, 255, 255, 255},
        {0, 0, 255, 255, 255},
    });
}

// Top-right {18 x 8, 27}: mean 19, variation 16. Bottom-left {36 x 8, 27}:
// mean 35, variation 16. The other two vary far more.
TestImage TopRightTiesBottomLeft() {
    return TestImage::Grey({
        {0, 255, 18, 18, 18},
        {255, 0, 18, 18, 18},
        {36, 36, 27, 18, 18},
        {36, 36, 36, 0, 255},
        {36, 36, 36, 255, 0},
    });
}

TEST(KuwaharaTest, FlatImageIsUnchanged) {
    const TestImage flat = TestImage::Filled(8, 7, 12, 130, 250);
    EXPECT_EQ(Applied(kKuwahara, flat), flat);
}

TEST(KuwaharaTest, VerticalEdgeStaysSharp) { EXPECT_EQ(CentreOf(VerticalEdge()), 255); }

TEST(KuwaharaTest, HorizontalEdgeTakesWhiteFromBelow) {
    const TestImage edge = TestImage::Grey({
        {0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0},
        {255, 255, 255, 255, 255},
        {255, 255, 255, 255, 255},
        {255, 255, 255, 255, 255},
    });
    EXPECT_EQ(CentreOf(edge), 255);
}

TEST(KuwaharaTest, EqualVariationGoesToTheEarlierSquare) {
    struct Case {
        const char* what;
        TestImage image;
        int expected;
    };
    const Case cases[] = {
        // Top-left {0 x 6, 9 x 3}: mean 3, variation 6 * 3 + 3 * 6 = 36.
        // Top-right {9 x 3, 18 x 6}: mean 15, variation 36. Top-left wins.
        {"top-left over top-right",
         TestImage::Grey({
             {0, 0, 9, 18, 18},
             {0, 0, 9, 18, 18},
             {0, 0, 9, 18, 18},
             {0, 255, 0, 255, 0},
             {255, 0, 255, 0, 255},
         }),
         3},
        {"top-right over bottom-left", TopRightTiesBottomLeft(), 19},
        // The first case upside down: bottom-left over bottom-right.
        {"bottom-left over bottom-right",
         TestImage::Grey({
             {255, 0, 255, 0, 255},
             {0, 255, 0, 255, 0},
             {0, 0, 9, 18, 18},
             {0, 0, 9, 18, 18},
             {0, 0, 9, 18, 18},
         }),
         3},
        // The same mirrored left to right: now the 18s are on the left and
        // the earlier square holds them.
        {"bottom-left holding the larger mean",
         TestImage::Grey({
             {255, 0, 255, 0, 255},
             {0, 255, 0, 255, 0},
             {18, 18, 9, 0, 0},
             {18, 18, 9, 0, 0},
             {18, 18, 9, 0, 0},
         }),
         15},
    };
    for (const Case& c : cases) EXPECT_EQ(CentreOf(c.image), c.expected) << c.what;
}

TEST(KuwaharaTest, AStrictlyFlatterLaterSquareWins) {
    // Bottom-right is flat 40; the others hold some variation.
    const TestImage in = TestImage::Grey({
        {0, 90, 0, 90, 0},
        {90, 0, 90, 0, 90},
        {0, 90, 40, 40, 40},
        {90, 0, 40, 40, 40},
        {0, 90, 40, 40, 40},
    });
    EXPECT_EQ(CentreOf(in), 40);
}

TEST(KuwaharaTest, MeansTruncate) {
    // Every square holds eight 0 and the centre 255: 255 \ 9 = 28.
    TestImage in = TestImage::Filled(5, 5, 0, 0, 0);
    in.set(3, 3, 255, 255, 255);
    EXPECT_EQ(CentreOf(in), 28);
}

TEST(KuwaharaTest, EachChannelChoosesItsOwnSquare) {
    // Blue: the vertical edge (right-hand squares, 255); green: flat 77; red:
    // the top-right over bottom-left tie (19).
    const TestImage blue = VerticalEdge();
    const TestImage red = TopRightTiesBottomLeft();
    TestImage in(5, 5);
    for (std::int32_t y = 1; y <= 5; ++y)
        for (std::int32_t x = 1; x <= 5; ++x) in.set(x, y, blue.at(1, x, y), 77, red.at(1, x, y));
    const TestImage out = Applied(kKuwahara, in);
    EXPECT_EQ(out.at(1, 3, 3), 255);
    EXPECT_EQ(out.at(2, 3, 3), 77);
    EXPECT_EQ(out.at(3, 3, 3), 19);
}

TEST(KuwaharaTest, TwoPixelFrameIsUntouched) {
    const TestImage in = TestImage::Random(9, 8, 21);
    const TestImage out = Applied(kKuwahara, in);
    for (std::int32_t y = 1; y <= 8; ++y)
        for (std::int32_t x = 1; x <= 9; ++x) {
            const bool frame = x <= 2 || x >= 8 || y <= 2 || y >= 7;
            if (!frame) continue;
            for (int c = 1; c <= 4; ++c) EXPECT_EQ(out.at(c, x, y), in.at(c, x, y)) << x << "," << y;
        }
}

TEST(KuwaharaTest, ImagesUnderFiveEitherWayAreLeftAlone) {
    for (const auto& [w, h] : {std::pair{4, 9}, std::pair{9, 4}, std::pair{4, 4}, std::pair{1, 1}}) {
        const TestImage in = TestImage::Random(w, h, 8);
        EXPECT_EQ(Applied(kKuwahara, in), in) << w << "x" << h;
        EXPECT_EQ(ProgressOf(kKuwahara, in), (std::vector<std::int32_t>{100})) << w << "x" << h;
    }
}

TEST(KuwaharaTest, ReportsRowsThreeToHeightLessTwo) {
    EXPECT_EQ(ProgressOf(kKuwahara, TestImage(5, 7)), (std::vector<std::int32_t>{42, 57, 71, 100}));
}

TEST(KuwaharaTest, MatchesSlowReferenceOnRandomImages) {
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{5, 5},  {6, 5},   {5, 6},
                                                           {7, 9}, {23, 11}, {64, 17}};
    std::uint32_t seed = 300;
    for (const auto& [w, h] : sizes) {
        // Few distinct values make equal variations common.
        const TestImage images[] = {TestImage::Random(w, h, ++seed), RandomFrom(w, h, ++seed, {0, 255}),
                                    RandomFrom(w, h, ++seed, {0, 1, 2}),
                                    RandomFrom(w, h, ++seed, {10, 11, 200, 201})};
        for (const TestImage& in : images) {
            const TestImage expected = SlowKuwahara(in);
            for (const WriteBack mode : kWriteBacks)
                ASSERT_EQ(Applied(kKuwahara, in, 0, mode), expected) << w << "x" << h;
        }
    }
}

}  // namespace
}  // namespace tegmora::effects

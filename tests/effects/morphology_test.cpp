#include "effects.h"
#include "reference_filters.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tegmora::effects {
namespace {

using testing::Applied;
using testing::EngineRun;
using testing::ReferenceRun;
using testing::TestImage;

constexpr std::int32_t kDilate = 25, kErode = 26, kInnerEdge = 27;

// '#' white, '.' black.
TestImage Picture(std::vector<std::string> rows) {
    TestImage image(static_cast<std::int32_t>(rows[0].size()), static_cast<std::int32_t>(rows.size()));
    for (std::int32_t y = 1; y <= image.height; ++y)
        for (std::int32_t x = 1; x <= image.width; ++x) {
            const char mark = rows[static_cast<std::size_t>(y - 1)][static_cast<std::size_t>(x - 1)];
            const std::uint8_t v = mark == '#' ? 255 : 0;
            image.set(x, y, v, v, v);
        }
    return image;
}

TEST(MorphologyTest, DotGrowsShrinksOrOutlines) {
    const TestImage dot = Picture({
        ".....",
        ".....",
        "..#..",
        ".....",
        ".....",
    });
    EXPECT_EQ(Applied(kDilate, dot), Picture({
                                         ".....",
                                         ".###.",
                                         ".###.",
                                         ".###.",
                                         ".....",
                                     }));
    EXPECT_EQ(Applied(kErode, dot), Picture({".....", ".....", ".....", ".....", "....."}));
    EXPECT_EQ(Applied(kInnerEdge, dot), dot);
}

TEST(MorphologyTest, ShapesGrowShrinkAndOutlineInsideTheFrame) {
    const TestImage shape = Picture({
        "#......",
        ".####..",
        ".####..",
        ".####..",
        "......#",
        ".......",
    });
    EXPECT_EQ(Applied(kDilate, shape), Picture({
                                           "#......",
                                           ".#####.",
                                           ".#####.",
                                           ".#####.",
                                           ".######",
                                           ".......",
                                       }));
    EXPECT_EQ(Applied(kErode, shape), Picture({
                                          "#......",
                                          ".......",
                                          "..##...",
                                          ".......",
                                          "......#",
                                          ".......",
                                      }));
    EXPECT_EQ(Applied(kInnerEdge, shape), Picture({
                                              "#......",
                                              ".####..",
                                              ".#..#..",
                                              ".####..",
                                              "......#",
                                              ".......",
                                          }));
}

TEST(MorphologyTest, ChannelsAreComparedApart) {
    TestImage image(3, 3);
    image.set(1, 2, 255, 0, 0);  // blue
    image.set(3, 2, 0, 0, 255);  // red
    const TestImage out = Applied(kDilate, image);
    EXPECT_EQ(out.at(1, 2, 2), 255);
    EXPECT_EQ(out.at(2, 2, 2), 0);
    EXPECT_EQ(out.at(3, 2, 2), 255);
}

TEST(MorphologyTest, FlatImagesKeepTheirColourOrTurnBlackInside) {
    const TestImage flat = TestImage::Filled(5, 4, 30, 140, 250);
    EXPECT_EQ(Applied(kDilate, flat), flat);
    EXPECT_EQ(Applied(kErode, flat), flat);
    TestImage edges = flat;
    for (std::int32_t y = 2; y <= 3; ++y)
        for (std::int32_t x = 2; x <= 4; ++x) edges.set(x, y, 0, 0, 0);
    EXPECT_EQ(Applied(kInnerEdge, flat), edges);
}

TEST(MorphologyTest, MatchesTheSlowReferenceOnRandomImages) {
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{1, 1}, {2, 2}, {3, 3}, {7, 5},
                                                           {16, 9}, {2, 6}, {9, 2}};
    std::uint32_t seed = 1;
    for (const std::int32_t code : {kDilate, kErode, kInnerEdge}) {
        for (const auto& [w, h] : sizes) {
            const TestImage image = TestImage::Random(w, h, seed++);
            const testing::Outcome expected = ReferenceRun(code, image, 0);
            for (const WriteBack mode : {WriteBack::AtEnd, WriteBack::AsRowsFinish})
                EXPECT_EQ(EngineRun(code, image, 0, mode), expected) << code << " on " << w << " x " << h;
        }
    }
}

}  // namespace
}  // namespace tegmora::effects

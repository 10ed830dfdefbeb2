// FitToSize against a slow reference: every target pixel summed over every
// source pixel's overlap with it, in 2-D, with its own choice of unit.
#include "test_image.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tegmora::effects::testing {
namespace {

std::int64_t Overlap(std::int64_t start, std::int64_t length, std::int64_t otherStart, std::int64_t otherLength) {
    return std::max<std::int64_t>(0, std::min(start + length, otherStart + otherLength) - std::max(start, otherStart));
}

// Lengths in units of 1 / (2 tw th) source pixel; ties round up.
TestImage ReferenceFit(const TestImage& source, std::int32_t tw, std::int32_t th) {
    const std::int64_t unit = 2LL * tw * th;
    const std::int64_t side = 2 * std::min(std::int64_t{source.width} * th, std::int64_t{source.height} * tw);
    const std::int64_t left = (source.width * unit - tw * side) / 2;
    const std::int64_t top = (source.height * unit - th * side) / 2;
    TestImage target(tw, th);
    for (std::int32_t y = 0; y < th; ++y)
        for (std::int32_t x = 0; x < tw; ++x)
            for (int c = 1; c <= 4; ++c) {
                std::int64_t sum = 0;
                for (std::int32_t sy = 0; sy < source.height; ++sy)
                    for (std::int32_t sx = 0; sx < source.width; ++sx)
                        sum += Overlap(left + x * side, side, sx * unit, unit) *
                               Overlap(top + y * side, side, sy * unit, unit) * source.at(c, sx + 1, sy + 1);
                target.at(c, x + 1, y + 1) = static_cast<std::uint8_t>((2 * sum + side * side) / (2 * side * side));
            }
    return target;
}

TestImage Fitted(const TestImage& source, std::int32_t tw, std::int32_t th) {
    TestImage target(tw, th);
    FitToSize({source.bits.data(), source.width, source.height}, {target.bits.data(), tw, th});
    return target;
}

TEST(FitTest, HalfPixelsOfAnOddCutCountHalfAndTiesRoundUp) {
    TestImage source(2, 1);
    source.at(1, 1, 1) = 10;
    source.at(1, 2, 1) = 21;
    EXPECT_EQ(Fitted(source, 1, 1).at(1, 1, 1), 16);
}

TEST(FitTest, MatchesTheReferenceReducingAndEnlarging) {
    constexpr std::int32_t kSides[] = {1, 2, 3, 4, 5, 7, 8};
    constexpr std::int32_t kTargets[][2] = {{1, 1}, {2, 1}, {1, 3}, {2, 2}, {3, 2}, {5, 5}, {9, 4}, {11, 13}, {16, 16}};
    std::uint32_t seed = 0;
    for (const std::int32_t w : kSides)
        for (const std::int32_t h : kSides)
            for (const auto& [tw, th] : kTargets) {
                const TestImage source = TestImage::Random(w, h, ++seed);
                ASSERT_EQ(Fitted(source, tw, th), ReferenceFit(source, tw, th))
                    << w << " x " << h << " to " << tw << " x " << th;
            }
}

}  // namespace
}  // namespace tegmora::effects::testing

// MakeSeamless against a slow reference (the two blends multiplied out, in
// integers), its kept middle, and what the seam ratio says of its results.
#include "test_image.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tegmora::effects::testing {
namespace {

// The copy's weight at index i of n, over max(n \ 4, 1).
std::int64_t CopyWeight(std::int32_t i, std::int32_t n) { return std::max(n / 4 - std::min(i, n - 1 - i), 0); }

TestImage ReferenceSeamless(const TestImage& in) {
    const std::int32_t w = in.width;
    const std::int32_t h = in.height;
    const std::int64_t sx = std::max(w / 4, 1);
    const std::int64_t sy = std::max(h / 4, 1);
    TestImage out = in;
    for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x)
            for (int c = 1; c <= 4; ++c) {
                const std::int64_t ux = CopyWeight(x, w);
                const std::int64_t uy = CopyWeight(y, h);
                const std::int32_t px = (x + w / 2) % w + 1;
                const std::int32_t py = (y + h / 2) % h + 1;
                const std::int64_t sum = (sx - ux) * (sy - uy) * in.at(c, x + 1, y + 1) + ux * (sy - uy) * in.at(c, px, y + 1) +
                                         (sx - ux) * uy * in.at(c, x + 1, py) + ux * uy * in.at(c, px, py);
                out.at(c, x + 1, y + 1) = static_cast<std::uint8_t>((2 * sum + sx * sy) / (2 * sx * sy));
            }
    return out;
}

TestImage Seamless(TestImage image) {
    MakeSeamless({image.bits.data(), image.width, image.height});
    return image;
}

double RatioOf(const TestImage& image) { return SeamRatio({image.bits.data(), image.width, image.height}); }

TEST(SeamlessTest, MatchesTheReferenceAndKeepsEveryPixelTouchingTheMiddleHalf) {
    std::uint32_t seed = 0;
    for (std::int32_t w = 1; w <= 10; ++w)
        for (std::int32_t h = 1; h <= 10; ++h) {
            const TestImage image = TestImage::Random(w, h, ++seed);
            const TestImage result = Seamless(image);
            ASSERT_EQ(result, ReferenceSeamless(image)) << w << " x " << h;
            for (std::int32_t y = 0; y < h; ++y)
                for (std::int32_t x = 0; x < w; ++x)
                    for (int c = 1; c <= 4; ++c) {
                        const bool kept = 4 * x + 4 > w && 4 * x < 3 * w && 4 * y + 4 > h && 4 * y < 3 * h;
                        ASSERT_TRUE(!kept || result.at(c, x + 1, y + 1) == image.at(c, x + 1, y + 1)) << w << " x " << h;
                    }
        }
}

TEST(SeamlessTest, RatioOfATinyPicture) {
    TestImage image(3, 2);  // blue 0 10 40 above 0 0 0: 90 over 5 wrap pairs, 90 over 7 inside
    image.at(1, 2, 1) = 10;
    image.at(1, 3, 1) = 40;
    EXPECT_DOUBLE_EQ(RatioOf(image), 1.4);
    EXPECT_EQ(RatioOf(TestImage(5, 4)), 1.0);
}

// Ramps with grain, whose wrap jumps from one end of the ramp to the other.
TEST(SeamlessTest, StrongSeamsEndAtMostAtOnePointTwo) {
    for (const auto& [w, h] : {std::pair{32, 32}, {37, 29}, {64, 16}}) {
        TestImage image = TestImage::Random(w, h, 7, {0, 6, 12, 18});
        for (std::int32_t y = 1; y <= h; ++y)
            for (std::int32_t x = 1; x <= w; ++x)
                for (int c = 1; c <= 3; ++c) image.at(c, x, y) = static_cast<std::uint8_t>(image.at(c, x, y) + 2 * x + y * c);
        EXPECT_GT(RatioOf(image), 3.0) << w << " x " << h;
        EXPECT_LE(RatioOf(Seamless(image)), 1.2) << w << " x " << h;
    }
}

}  // namespace
}  // namespace tegmora::effects::testing

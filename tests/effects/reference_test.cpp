// Every filter against its slow reference, on small images of odd sizes,
// for amounts chosen at the edges of what each filter reads into them, in
// both write-back modes. EngineRun checks on every run that nothing outside
// the image is written, that the engine is idle afterwards and that a failed
// run leaves the image alone; comparing with the reference covers the fourth
// byte, which no reference ever touches.
#include "reference_filters.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace tegmora::effects::testing {
namespace {

// Failing amounts and their neighbours; kernel and tone limits; the tint,
// threshold and selector amounts the filters read as colours or choices.
constexpr std::int32_t kAmounts[] = {
    INT_MIN, -1'263'300'000, -946'028'151, -946'028'150, -842'150'551, -842'150'550, -8'421'513,
    -8'421'512, -8'421'506, -8'421'505, -300, -101, -100, -20, -9, -8, -2, -1, 0, 1, 2, 3, 4, 5, 6,
    7, 10, 11, 150, 255, 256, 0x00404040, 0x00808080, 0x00FFFFFF, 8'421'480, 8'421'481,
    8'421'495, 8'421'496, 300'000'000, 842'150'350, 842'150'351, 946'027'950, 946'027'951,
    1'263'300'000, INT_MAX};

struct Size {
    std::int32_t width;
    std::int32_t height;
};
// Odd and tiny sizes, one wide enough for every vector loop and stretch, and
// one row longer than a batch of the vector loops that defer work; rows and
// inner rows one pixel either side of 8, 16 and 32 pixels, the vector widths
// and unrolled steps of the loops built for both versions; more inner rows
// than a batch of the kernels' chains, and inner rows longer than a chunk;
// rows that leave the morphology's AVX2 steps no byte and the most bytes.
constexpr Size kSizes[] = {{1, 1}, {2, 2}, {3, 3}, {6, 5}, {41, 6}, {1030, 1}, {9, 3}, {17, 3},
                           {19, 3}, {33, 3}, {34, 3}, {4, 37}, {300, 19}, {16, 3}, {23, 3}};

// Any bytes; few values (ties, and the extremes); black and white only, so
// that whole neighbourhoods sit at an extreme; a white first row above any
// bytes, so that a filter failing on a later row shows if it wrote the first
// one already.
std::vector<TestImage> Images(Size size, std::uint32_t seed) {
    std::vector<TestImage> images{TestImage::Random(size.width, size.height, seed),
                                  TestImage::Random(size.width, size.height, seed + 1, {0, 1, 127, 128, 254, 255}),
                                  TestImage::Random(size.width, size.height, seed + 3, {0, 255})};
    images.push_back(TestImage::Random(size.width, size.height, seed + 2));
    std::fill_n(images.back().bits.begin(), 4 * size.width, 255);
    return images;
}

std::vector<float> Draws(std::size_t count, std::uint32_t seed) {
    std::mt19937 gen(seed);
    std::vector<float> draws(count);
    for (float& d : draws) d = static_cast<float>(gen() >> 8) * 0x1p-24f;
    return draws;
}

class ReferenceTest : public ::testing::TestWithParam<FilterInfo> {};

TEST_P(ReferenceTest, EngineMatchesTheReference) {
    const FilterInfo& filter = GetParam();
    const bool random = filter.code == 4 || filter.code == 29;
    std::uint32_t seed = static_cast<std::uint32_t>(filter.code) * 1000;
    for (const std::int32_t amount : kAmounts) {
        // A filter without an amount must ignore it: two are enough.
        if (!filter.takesAmount && amount != 0 && amount != 7) continue;
        for (const Size size : kSizes) {
            for (const TestImage& image : Images(size, ++seed)) {
                const std::vector<float> draws = random ? Draws(image.bits.size(), seed) : std::vector<float>{};
                const Outcome expected = ReferenceRun(filter.code, image, amount, draws);
                for (const WriteBack mode : kWriteBacks) {
                    const ScriptedDraws script(draws);
                    const Outcome actual = EngineRun(filter.code, image, amount, mode);
                    ASSERT_EQ(actual, expected) << filter.name << ", amount " << amount << ", " << size.width
                                                << " x " << size.height << ", write-back " << int(mode);
                    if (actual.error) continue;
                    ASSERT_FALSE(actual.progress.empty());
                    EXPECT_TRUE(std::is_sorted(actual.progress.begin(), actual.progress.end()));
                    EXPECT_EQ(actual.progress.back(), 100);
                }
            }
        }
    }
}

// Past the engine's inner blocks: Pixelize sums a column 257 rows at a time,
// the mean grey level sums 65,536 pixels at a time: bright pictures, so that
// any longer stretch would overflow.
TEST(ReferenceTest, PastTheEnginesInnerBlocks) {
    const struct {
        std::int32_t code, width, height, amount;
    } cases[] = {{15, 3, 600, 300}, {15, 5, 520, 517}, {17, 70'000, 1, 10}, {19, 66'000, 2, 0}, {23, 65'537, 1, 10}};
    for (const auto& c : cases) {
        const TestImage image = TestImage::Random(c.width, c.height, static_cast<std::uint32_t>(c.code), {254, 255});
        EXPECT_EQ(EngineRun(c.code, image, c.amount), ReferenceRun(c.code, image, c.amount))
            << "code " << c.code << ", " << c.width << " x " << c.height;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFilter, ReferenceTest, ::testing::ValuesIn(Filters().begin(), Filters().end()),
                         [](const auto& info) { return "code" + std::to_string(info.param.code); });

}  // namespace
}  // namespace tegmora::effects::testing

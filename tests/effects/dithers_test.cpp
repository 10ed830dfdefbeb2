#include "effects.h"
#include "engine.h"
#include "filter_checks.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace tegmora::effects {
namespace {

using testing::Applied;
using testing::kWriteBacks;
using testing::Picture;
using testing::ProgressOf;
using testing::RandomFrom;
using testing::TestImage;
using testing::YieldHookScope;

constexpr std::int32_t kOrdered = 20;
constexpr std::int32_t kFloydSteinberg = 21;
constexpr std::int32_t kBurkes = 22;
constexpr std::int32_t kStucki = 23;
constexpr std::int32_t kDiffusionCodes[] = {kFloydSteinberg, kBurkes, kStucki};

int GreyOf(const TestImage& image, std::int32_t x, std::int32_t y) {
    return (image.at(1, x, y) + image.at(2, x, y) + image.at(3, x, y)) / 3;
}

int MeanGreyOf(const TestImage& image) {
    long long sum = 0;
    for (std::int32_t y = 1; y <= image.height; ++y)
        for (std::int32_t x = 1; x <= image.width; ++x) sum += GreyOf(image, x, y);
    return static_cast<int>(sum / (static_cast<long long>(image.width) * image.height));
}

// ---- Slow references, written the plain way: every pixel, every test.

TestImage SlowOrderedDither(const TestImage& in) {
    static constexpr int kMatrix[4][4] = {{1, 13, 4, 16}, {9, 5, 12, 8}, {3, 15, 2, 14}, {11, 7, 10, 6}};
    TestImage out = in;
    for (std::int32_t y = 1; y <= in.height; ++y)
        for (std::int32_t x = 1; x <= in.width; ++x) {
            const int step = (in.at(1, x, y) + in.at(2, x, y) + in.at(3, x, y)) / 48 + 1;
            const auto v = static_cast<std::uint8_t>(step < kMatrix[(y - 1) % 4][(x - 1) % 4] ? 0 : 255);
            out.set(x, y, v, v, v);
        }
    return out;
}

struct Weight {
    int dx;
    int dy;
    int w;
};

struct Kernel {
    int divisor;
    std::vector<Weight> weights;
};

Kernel KernelOf(std::int32_t code) {
    switch (code) {
        case kFloydSteinberg: return {16, {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}};
        case kBurkes:
            return {32, {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}}};
        default:
            return {42, {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2},
                         {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {1, 2, 2}, {2, 2, 1}}};
    }
}

TestImage SlowDiffusion(std::int32_t code, const TestImage& in, int amount) {
    const Kernel kernel = KernelOf(code);
    const int mean = MeanGreyOf(in);
    TestImage out = in;
    // errors[dy][x]: the carried error of row y + dy, column x (1-based).
    std::vector<std::vector<int>> errors(3, std::vector<int>(static_cast<std::size_t>(in.width) + 1, 0));
    for (std::int32_t y = 1; y <= in.height; ++y) {
        for (std::int32_t x = 1; x <= in.width; ++x) {
            const int d = std::clamp(GreyOf(in, x, y) + (10 * errors[0][x]) / amount, 0, 255);
            const int chosen = d < mean ? 0 : 255;
            out.set(x, y, static_cast<std::uint8_t>(chosen), static_cast<std::uint8_t>(chosen),
                    static_cast<std::uint8_t>(chosen));
            const int e = d - chosen;
            for (const Weight& w : kernel.weights) {
                const int tx = x + w.dx;
                if (tx >= 1 && tx <= in.width && y + w.dy <= in.height)
                    errors[w.dy][tx] += w.w * e / kernel.divisor;
            }
        }
        errors.erase(errors.begin());
        errors.emplace_back(static_cast<std::size_t>(in.width) + 1, 0);
    }
    return out;
}

// ---- Ordered dither

TEST(OrderedDitherTest, BlackTurnsWhiteOnlyAtTheFirstCellOfEveryTile) {
    const TestImage out = Applied(kOrdered, TestImage::Filled(9, 6, 0, 0, 0));
    EXPECT_EQ(Picture(out), (std::vector<std::string>{
                                "#...#...#",
                                ".........",
                                ".........",
                                ".........",
                                "#...#...#",
                                ".........",
                            }));
}

TEST(OrderedDitherTest, Grey128WhitensTheNineLowestThresholds) {
    const TestImage out = Applied(kOrdered, TestImage::Filled(8, 5, 128, 128, 128));
    EXPECT_EQ(Picture(out), (std::vector<std::string>{
                                "#.#.#.#.",
                                "##.###.#",
                                "#.#.#.#.",
                                ".#.#.#.#",
                                "#.#.#.#.",
                            }));
}

TEST(OrderedDitherTest, WhiteCellsPerTileFollowTheGreyStep) {
    struct Case {
        std::uint8_t blue, green, red;
        int whitePerTile;
    };
    const Case cases[] = {
        {0, 0, 0, 1},       {15, 16, 16, 1},    {16, 16, 16, 2},    {128, 128, 128, 9}, {0, 0, 255, 6},
        {239, 240, 240, 15}, {240, 240, 240, 16}, {255, 255, 255, 16},
    };
    for (const Case& c : cases) {
        const TestImage out = Applied(kOrdered, TestImage::Filled(4, 4, c.blue, c.green, c.red));
        int white = 0;
        for (std::int32_t y = 1; y <= 4; ++y)
            for (std::int32_t x = 1; x <= 4; ++x) white += out.at(1, x, y) == 255;
        EXPECT_EQ(white, c.whitePerTile) << int{c.blue} << "," << int{c.green} << "," << int{c.red};
    }
}

TEST(OrderedDitherTest, MatchesSlowReferenceOnRandomImages) {
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{7, 5}, std::pair{33, 17}, std::pair{4, 9}}) {
        const TestImage in = TestImage::Random(w, h, static_cast<std::uint32_t>(w * 100 + h));
        for (const WriteBack mode : kWriteBacks)
            EXPECT_EQ(Applied(kOrdered, in, 0, mode), SlowOrderedDither(in)) << w << "x" << h;
    }
}

TEST(OrderedDitherTest, ReportsEveryRow) {
    EXPECT_EQ(ProgressOf(kOrdered, TestImage(2, 3)), (std::vector<std::int32_t>{33, 66, 100, 100}));
}

// ---- Error diffusion

TEST(ErrorDiffusionTest, BlackTurnsAllWhiteAndWhiteStaysWhite) {
    for (const std::int32_t code : kDiffusionCodes) {
        const TestImage white = TestImage::Filled(6, 4, 255, 255, 255);
        EXPECT_EQ(Applied(code, TestImage::Filled(6, 4, 0, 0, 0), 10), white) << code;
        EXPECT_EQ(Applied(code, white, 10), white) << code;
    }
}

TEST(ErrorDiffusionTest, SinglePixelTurnsWhite) {
    for (const std::int32_t code : kDiffusionCodes)
        for (const std::uint8_t v : {0, 1, 77, 254})
            EXPECT_EQ(Applied(code, TestImage::Filled(1, 1, v, v, v), 10),
                      TestImage::Filled(1, 1, 255, 255, 255))
                << code << " " << int{v};
}

TEST(ErrorDiffusionTest, BlackAndWhiteImagesCarryNoError) {
    const TestImage in = TestImage::Grey({
        {0, 255, 0, 0, 255},
        {255, 255, 0, 255, 0},
        {0, 0, 0, 255, 255},
    });
    for (const std::int32_t code : kDiffusionCodes)
        for (const std::int32_t amount : {10, 1, -3}) EXPECT_EQ(Applied(code, in, amount), in) << code;
}

TEST(ErrorDiffusionTest, TooFewWhitesForAMeanOfOneTurnAllWhite) {
    // One white among 400 pixels: the mean truncates to 0.
    TestImage in = TestImage::Filled(20, 20, 0, 0, 0);
    in.set(7, 9, 255, 255, 255);
    for (const std::int32_t code : kDiffusionCodes)
        EXPECT_EQ(Applied(code, in, 10), TestImage::Filled(20, 20, 255, 255, 255)) << code;
}

TEST(ErrorDiffusionTest, MidGreyStartsWhiteAndMixes) {
    for (const std::int32_t code : kDiffusionCodes)
        EXPECT_EQ(Applied(code, TestImage::Filled(8, 8, 128, 128, 128), 10).at(1, 1, 1), 255) << code;
    // Worked by hand: errors -127, 73, -96, 86 along the first row leave
    // -26, -3, -10, 20 for the second.
    EXPECT_EQ(Picture(Applied(kFloydSteinberg, TestImage::Filled(4, 2, 128, 128, 128), 10)),
              (std::vector<std::string>{"#.#.", ".#.#"}));
}

// One pixel of grey `source` makes the error; every other pixel but the
// target is `filler`, which the shares cannot move off black or white, so
// they carry nothing. The target, swept over every grey g, must turn white
// exactly when its corrected grey g + `correction` reaches the mean.
struct SpreadCase {
    std::int32_t code;
    std::int32_t amount;
    std::int32_t width;
    std::int32_t height;
    std::uint8_t filler;
    std::uint8_t source;
    std::int32_t sourceX;
    std::int32_t targetX;
    std::int32_t targetY;
    int correction;
};

void ExpectTargetCorrectedBy(const SpreadCase& c) {
    for (int g = 0; g <= 255; ++g) {
        TestImage in = TestImage::Filled(c.width, c.height, c.filler, c.filler, c.filler);
        in.set(c.sourceX, 1, c.source, c.source, c.source);
        const auto grey = static_cast<std::uint8_t>(g);
        in.set(c.targetX, c.targetY, grey, grey, grey);
        const int mean = MeanGreyOf(in);
        const bool sourceStaysPut = (c.source < mean) == (c.filler == 255);
        ASSERT_TRUE(sourceStaysPut) << "case must keep the source on the other side of the mean";
        const int expected = std::clamp(g + c.correction, 0, 255) >= mean ? 255 : 0;
        EXPECT_EQ(Applied(c.code, in, c.amount).at(1, c.targetX, c.targetY), expected)
            << "code " << c.code << " amount " << c.amount << " target (" << c.targetX << ", " << c.targetY
            << ") grey " << g << " mean " << mean;
    }
}

TEST(ErrorDiffusionTest, AnErrorOf15SpreadsSixTwoFourAndNothing) {
    // Grey 15 below the mean stays black with an error of 15:
    // 7 * 15 \ 16 = 6, 3 * 15 \ 16 = 2, 5 * 15 \ 16 = 4, 1 * 15 \ 16 = 0.
    const SpreadCase cases[] = {
        {kFloydSteinberg, 10, 4, 2, 255, 15, 2, 3, 1, 6},
        {kFloydSteinberg, 10, 4, 2, 255, 15, 2, 1, 2, 2},
        {kFloydSteinberg, 10, 4, 2, 255, 15, 2, 2, 2, 4},
        {kFloydSteinberg, 10, 4, 2, 255, 15, 2, 3, 2, 0},
    };
    for (const SpreadCase& c : cases) ExpectTargetCorrectedBy(c);
}

TEST(ErrorDiffusionTest, EachTargetTakesItsOwnTruncatedShare) {
    const SpreadCase cases[] = {
        // Error 100: 43, 18, 31, 6 over 16.
        {kFloydSteinberg, 10, 4, 2, 255, 100, 2, 3, 1, 43},
        {kFloydSteinberg, 10, 4, 2, 255, 100, 2, 1, 2, 18},
        {kFloydSteinberg, 10, 4, 2, 255, 100, 2, 2, 2, 31},
        {kFloydSteinberg, 10, 4, 2, 255, 100, 2, 3, 2, 6},
        // Error -55 from grey 200 turned white: truncation toward zero,
        // 7 * -55 \ 16 = -24, not -25.
        {kFloydSteinberg, 10, 4, 2, 0, 200, 2, 3, 1, -24},
        {kFloydSteinberg, 10, 4, 2, 0, 200, 2, 1, 2, -10},
        // Burkes over 32, error 100: 25 and 12 along the row, 6, 12, 25,
        // 12, 6 on the next.
        {kBurkes, 10, 5, 2, 255, 100, 3, 4, 1, 25},
        {kBurkes, 10, 5, 2, 255, 100, 3, 5, 1, 12},
        {kBurkes, 10, 5, 2, 255, 100, 3, 1, 2, 6},
        {kBurkes, 10, 5, 2, 255, 100, 3, 2, 2, 12},
        {kBurkes, 10, 5, 2, 255, 100, 3, 3, 2, 25},
        {kBurkes, 10, 5, 2, 255, 100, 3, 4, 2, 12},
        {kBurkes, 10, 5, 2, 255, 100, 3, 5, 2, 6},
        // Stucki over 42, error 100: 19 and 9; 4, 9, 19, 9, 4; 2, 4, 9, 4, 2.
        {kStucki, 10, 5, 3, 255, 100, 3, 4, 1, 19},
        {kStucki, 10, 5, 3, 255, 100, 3, 5, 1, 9},
        {kStucki, 10, 5, 3, 255, 100, 3, 1, 2, 4},
        {kStucki, 10, 5, 3, 255, 100, 3, 3, 2, 19},
        {kStucki, 10, 5, 3, 255, 100, 3, 5, 2, 4},
        {kStucki, 10, 5, 3, 255, 100, 3, 1, 3, 2},
        {kStucki, 10, 5, 3, 255, 100, 3, 2, 3, 4},
        {kStucki, 10, 5, 3, 255, 100, 3, 3, 3, 9},
        {kStucki, 10, 5, 3, 255, 100, 3, 5, 3, 2},
    };
    for (const SpreadCase& c : cases) ExpectTargetCorrectedBy(c);
}

TEST(ErrorDiffusionTest, AmountScalesTheCarriedError) {
    // The carried 43 becomes (10 * 43) \ A.
    const SpreadCase cases[] = {
        {kFloydSteinberg, 20, 4, 2, 255, 100, 2, 3, 1, 21},
        {kFloydSteinberg, 3, 4, 2, 255, 100, 2, 3, 1, 143},
        {kFloydSteinberg, -10, 4, 2, 255, 100, 2, 3, 1, -43},
        {kFloydSteinberg, 1, 4, 2, 255, 100, 2, 3, 1, 430},
        {kFloydSteinberg, 1000, 4, 2, 255, 100, 2, 3, 1, 0},
        {kFloydSteinberg, INT_MIN, 4, 2, 255, 100, 2, 3, 1, 0},
    };
    for (const SpreadCase& c : cases) ExpectTargetCorrectedBy(c);
}

TEST(ErrorDiffusionTest, NothingCrossesTheRowEdges) {
    // The source sits in the last column: nothing wraps round to column 1
    // of a later row, and the pixels decided before it take nothing.
    for (const std::int32_t code : kDiffusionCodes) {
        const std::int32_t height = code == kStucki ? 3 : 2;
        ExpectTargetCorrectedBy({code, 10, 4, height, 255, 100, 4, 1, height, 0});
        ExpectTargetCorrectedBy({code, 10, 4, height, 255, 100, 4, 1, 1, 0});
    }
}

TEST(ErrorDiffusionTest, MatchesSlowReferenceOnRandomImages) {
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 3},
                                                           {5, 4}, {17, 9}, {64, 33}};
    const std::int32_t amounts[] = {10, 20, 3, 1, -1, -10, 7, 1000, INT_MAX, INT_MIN};
    std::uint32_t seed = 1;
    for (const std::int32_t code : kDiffusionCodes)
        for (const auto& [w, h] : sizes)
            for (const std::int32_t amount : amounts) {
                const TestImage images[] = {TestImage::Random(w, h, seed),
                                            RandomFrom(w, h, seed + 1, {0, 0, 0, 30, 255}),
                                            RandomFrom(w, h, seed + 2, {255, 255, 255, 225, 0}),
                                            RandomFrom(w, h, seed + 3, {126, 127, 128, 129})};
                seed += 4;
                for (const TestImage& in : images) {
                    const TestImage expected = SlowDiffusion(code, in, amount);
                    for (const WriteBack mode : kWriteBacks)
                        ASSERT_EQ(Applied(code, in, amount, mode), expected)
                            << "code " << code << " " << w << "x" << h << " amount " << amount;
                }
            }
}

TEST(ErrorDiffusionTest, ProgressStepsThroughTablesMeanAndRows) {
    const TestImage image = TestImage::Random(3, 3, 5);
    EXPECT_EQ(ProgressOf(kFloydSteinberg, image, 10), (std::vector<std::int32_t>{2, 10, 40, 70, 100, 100}));
    EXPECT_EQ(ProgressOf(kBurkes, image, 10), (std::vector<std::int32_t>{3, 10, 40, 70, 100, 100}));
    EXPECT_EQ(ProgressOf(kStucki, image, 10), (std::vector<std::int32_t>{3, 10, 40, 70, 100, 100}));
}

TEST(ErrorDiffusionTest, AmountZeroDividesByZeroAfterTheMeanPass) {
    for (const std::int32_t code : kDiffusionCodes)
        for (const WriteBack mode : kWriteBacks) {
            TestImage image = TestImage::Random(5, 4, 11);
            const TestImage before = image;
            std::vector<std::int32_t> seen;
            std::int32_t progress = 0;
            {
                const YieldHookScope scope([&] { seen.push_back(progress); });
                try {
                    ApplyFilter(code, image.view(), 0, progress, mode);
                    ADD_FAILURE() << "no error for code " << code;
                } catch (const FilterError& e) {
                    EXPECT_EQ(e.kind(), ErrorKind::DivisionByZero);
                    EXPECT_EQ(e.code(), code);
                }
            }
            EXPECT_EQ(image, before) << code;
            EXPECT_EQ(seen, (std::vector<std::int32_t>{code == kFloydSteinberg ? 2 : 3, 10})) << code;
            EXPECT_FALSE(FilterBusy());
        }
}

// Every dither leaves only black and white pixels, on any image.
TEST(DitherTest, EveryPixelEndsBlackOrWhite) {
    struct Case {
        std::int32_t code;
        std::int32_t amount;
    };
    const Case cases[] = {{20, 0}, {21, 10}, {22, 10}, {23, 10}, {23, -7}};
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{1, 1}, {2, 2}, {3, 3}, {7, 5}, {1, 9}, {9, 1}};
    for (const Case& c : cases)
        for (const auto& [w, h] : sizes) {
            const TestImage out = Applied(c.code, TestImage::Random(w, h, 5), c.amount);
            for (std::int32_t y = 1; y <= h; ++y)
                for (std::int32_t x = 1; x <= w; ++x) {
                    const std::uint8_t v = out.at(1, x, y);
                    EXPECT_TRUE(v == 0 || v == 255) << c.code << " at " << x << "," << y;
                    EXPECT_EQ(out.at(2, x, y), v);
                    EXPECT_EQ(out.at(3, x, y), v);
                }
        }
}

}  // namespace
}  // namespace tegmora::effects

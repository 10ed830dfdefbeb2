#include "effects.h"
#include "engine.h"
#include "reference_filters.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <vector>

namespace tegmora::effects {
namespace {

using testing::Applied;
using testing::EngineRun;
using testing::ReferenceRun;
using testing::TestImage;

constexpr std::int32_t kSharpen = 1, kBlur = 3, kSmooth = 5, kEdgeEnhance = 6, kContour = 7, kRelief = 13;
constexpr std::int32_t kWhite = 0x00FFFFFF;
constexpr WriteBack kModes[] = {WriteBack::AtEnd, WriteBack::AsRowsFinish};

// A 3 x 3 grey image: `centre` inside eight `around`.
TestImage Ring(int centre, int around) {
    return TestImage::Grey({{around, around, around}, {around, centre, around}, {around, around, around}});
}

TEST(KernelTest, CentreOfThreeByThreeFollowsEachRule) {
    struct Case {
        std::int32_t code;
        std::int32_t amount;
        TestImage image;
        int expected;
    };
    const Case cases[] = {
        {kSharpen, 2, Ring(200, 100), 255},      // (5200 - 1600) \ 10 = 360, clamped
        {kSharpen, 2, Ring(100, 110), 84},       // (2600 - 1760) \ 10
        {kSharpen, 0, Ring(100, 110), 80},       // (2400 - 1760) \ 8
        {kSharpen, 2, Ring(0, 255), 0},          // -4080 \ 10, clamped
        {kSharpen, -20, Ring(100, 110), 113},    // (400 - 1760) \ -12
        {kEdgeEnhance, 1, Ring(100, 110), 60},   // (1000 - 880) \ 2
        {kEdgeEnhance, -3, Ring(100, 110), 140}, // (600 - 880) \ -2
        {kContour, kWhite, Ring(0, 255), 0},     // 255 + 0 - 2040
        {kContour, 0, Ring(200, 100), 255},      // 1600 - 800
        {kBlur, 0, Ring(7, 15), 15},
        {kSmooth, 0, Ring(9, 2), 3},             // (9 + 4 x 2) \ 5
        {kRelief, 0, TestImage::Grey({{0, 0, 0}, {0, 0, 1}, {0, 0, 0}}), 50},  // S = -1
        {kRelief, 0, TestImage::Grey({{0, 0, 0}, {0, 0, 3}, {0, 0, 0}}), 49},  // S = -3
        {kRelief, 0, TestImage::Grey({{9, 0, 0}, {0, 0, 0}, {0, 0, 0}}), 59},  // S = 18
    };
    for (const Case& c : cases) {
        const TestImage out = Applied(c.code, c.image, c.amount);
        EXPECT_EQ(out.at(1, 2, 2), c.expected) << c.code << " amount " << c.amount;
        TestImage frameOnly = out;
        frameOnly.set(2, 2, c.image.at(1, 2, 2), c.image.at(2, 2, 2), c.image.at(3, 2, 2));
        EXPECT_EQ(frameOnly, c.image) << "only the centre may change";
    }
}

TEST(KernelTest, InPlaceBlurSeesTheResultToItsLeft) {
    TestImage image(4, 3);
    image.set(1, 2, 80, 80, 80);
    for (const WriteBack mode : kModes) {
        const TestImage out = Applied(kBlur, image, 0, mode);
        EXPECT_EQ(out.at(2, 2, 2), 10);
        EXPECT_EQ(out.at(2, 3, 2), 1);  // 10 \ 8: the unchanged image would give 0
    }
}

TEST(KernelTest, FlatImagesKeepTheirLevelOrTakeTheRuleOfTheirLevel) {
    struct Case {
        std::int32_t code;
        std::int32_t amount;
    };
    const Case keep[] = {{kSharpen, 2}, {kSharpen, 0}, {kSharpen, -100}, {kEdgeEnhance, 1},
                         {kEdgeEnhance, 40}, {kBlur, 0}, {kSmooth, 0}};
    for (const int v : {0, 77, 255}) {
        const auto level = static_cast<std::uint8_t>(v);
        const TestImage flat = TestImage::Filled(6, 5, level, level, level);
        for (const Case& c : keep) EXPECT_EQ(Applied(c.code, flat, c.amount), flat) << c.code << " " << v;
        struct Rule {
            std::int32_t code;
            std::int32_t amount;
            int inside;
        };
        for (const Rule& r : {Rule{kContour, kWhite, 255}, Rule{kRelief, 0, v / 2 + 50}}) {
            TestImage expected = flat;
            const auto inside = static_cast<std::uint8_t>(r.inside);
            for (std::int32_t y = 2; y <= 4; ++y)
                for (std::int32_t x = 2; x <= 5; ++x) expected.set(x, y, inside, inside, inside);
            EXPECT_EQ(Applied(r.code, flat, r.amount), expected) << r.code << " " << v;
        }
    }
}

TEST(KernelTest, ImagesWithoutInnerPixelsComeBackUnchanged) {
    struct Case {
        std::int32_t width;
        std::int32_t height;
        std::vector<std::int32_t> progress;
    };
    // A 1 x 5 image still runs rows 2 to 4, each without a pixel.
    const Case cases[] = {{2, 2, {100}}, {5, 2, {100}}, {1, 5, {40, 60, 80, 100}}, {1, 1, {100}}};
    for (const Case& c : cases) {
        const TestImage image = TestImage::Random(c.width, c.height, 5);
        for (const std::int32_t code : {kSharpen, kBlur, kSmooth, kEdgeEnhance, kContour, kRelief}) {
            // Even the amounts that divide by zero: no pixel, no division.
            const std::int32_t amount = code == kSharpen ? -8 : code == kEdgeEnhance ? -1 : kWhite;
            const testing::Outcome out = EngineRun(code, image, amount, WriteBack::AsRowsFinish);
            EXPECT_EQ(out.image, image) << code;
            EXPECT_FALSE(out.error.has_value()) << code;
            EXPECT_EQ(out.progress, c.progress) << code;
        }
    }
}

TEST(KernelTest, FailuresLeaveTheImageAndStopWhereTheyHappen) {
    struct Case {
        std::int32_t code;
        std::int32_t amount;
        TestImage image;
        ErrorKind error;
    };
    const Case cases[] = {
        {kSharpen, -8, Ring(1, 2), ErrorKind::DivisionByZero},
        {kEdgeEnhance, -1, Ring(1, 2), ErrorKind::DivisionByZero},
        // A + 24 or A + 8 (A + 9 or A + 1) outside 32 bits: before any row,
        // whatever the image.
        {kSharpen, INT32_MAX - 10, TestImage(1, 1), ErrorKind::Overflow},
        {kSharpen, INT32_MAX - 5, TestImage(2, 2), ErrorKind::Overflow},
        {kEdgeEnhance, INT32_MAX - 5, TestImage(1, 1), ErrorKind::Overflow},
        // At these amounts only a centre of 255 takes the product or the
        // difference out of 32 bits.
        {kSharpen, 8'421'481, Ring(255, 0), ErrorKind::Overflow},
        {kSharpen, -8'421'513, Ring(255, 255), ErrorKind::Overflow},
        {kEdgeEnhance, 8'421'496, Ring(255, 0), ErrorKind::Overflow},
        {kEdgeEnhance, -8'421'506, Ring(255, 255), ErrorKind::Overflow},
    };
    for (const Case& c : cases) {
        for (const WriteBack mode : kModes) {
            const testing::Outcome out = EngineRun(c.code, c.image, c.amount, mode);
            EXPECT_EQ(out.error, c.error) << c.code << " amount " << c.amount;
            EXPECT_EQ(out.image, c.image);
            EXPECT_TRUE(out.progress.empty());
        }
    }
    // A failure on the second row comes after the first row's progress.
    TestImage late(3, 4);
    late.set(2, 3, 255, 0, 0);
    for (const WriteBack mode : kModes) {
        const testing::Outcome out = EngineRun(kSharpen, late, 8'421'481, mode);
        EXPECT_EQ(out.error, ErrorKind::Overflow);
        EXPECT_EQ(out.image, late);
        EXPECT_EQ(out.progress, std::vector<std::int32_t>{50});
    }
    // One step inside, or without the 255, the same amounts succeed.
    EXPECT_EQ(Applied(kSharpen, Ring(254, 0), 8'421'481).at(1, 2, 2), 254);
    EXPECT_EQ(Applied(kSharpen, Ring(255, 255), 8'421'480).at(1, 2, 2), 255);
    EXPECT_EQ(Applied(kSharpen, Ring(255, 0), -8'421'513).at(1, 2, 2), 254);
    EXPECT_EQ(Applied(kEdgeEnhance, Ring(255, 255), -8'421'505).at(1, 2, 2), 255);
}

TEST(KernelTest, MidRunFailuresAreFlaggedExactlyWhereProductsCanLeave32Bits) {
    struct Case {
        bool (*mayFail)(std::int32_t);
        std::int32_t lastSafe;
        std::int32_t firstSafe;
    };
    const Case cases[] = {{SharpenMayFailMidRun, 8'421'480, -8'421'512},
                          {EdgeEnhanceMayFailMidRun, 8'421'495, -8'421'505}};
    for (const Case& c : cases) {
        EXPECT_FALSE(c.mayFail(c.lastSafe));
        EXPECT_TRUE(c.mayFail(c.lastSafe + 1));
        EXPECT_FALSE(c.mayFail(c.firstSafe));
        EXPECT_TRUE(c.mayFail(c.firstSafe - 1));
        for (const std::int32_t amount : {-8, -1, 0, 1, 2}) EXPECT_FALSE(c.mayFail(amount));
    }
}

// Amounts on both sides of every way the engine computes a kernel.
TEST(KernelTest, MatchesTheSlowReferenceOnRandomImages) {
    struct Sweep {
        std::int32_t code;
        std::vector<std::int32_t> amounts;
    };
    const Sweep sweeps[] = {
        {kSharpen, {2, 0, 1000, -5000, 9'000'000, -9'000'000, INT32_MIN, INT32_MAX - 24}},
        {kEdgeEnhance, {1, 0, 3000, -70'000, 9'000'000, -9'000'000, INT32_MIN}},
        {kContour, {kWhite, 0, -1, 0x00123456, INT32_MIN, INT32_MAX}},
        {kBlur, {0}},
        {kSmooth, {0}},
        {kRelief, {0}},
    };
    // 70 pixels cross several of the stretches in which rows are gathered.
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{3, 3}, {7, 5}, {16, 9},
                                                           {31, 4}, {5, 12}, {70, 6}};
    std::uint32_t seed = 1;
    for (const Sweep& s : sweeps) {
        for (const std::int32_t amount : s.amounts) {
            for (const auto& [w, h] : sizes) {
                const TestImage image = TestImage::Random(w, h, seed++);
                const testing::Outcome expected = ReferenceRun(s.code, image, amount);
                for (const WriteBack mode : kModes)
                    EXPECT_EQ(EngineRun(s.code, image, amount, mode), expected)
                        << s.code << " amount " << amount << " on " << w << " x " << h;
            }
        }
    }
}

TEST(KernelTest, EveryAmountAroundTheButtonsMatchesTheReference) {
    const TestImage image = TestImage::Random(6, 5, 99);
    for (std::int32_t amount = -150; amount <= 150; ++amount) {
        for (const std::int32_t code : {kSharpen, kEdgeEnhance}) {
            const testing::Outcome expected = ReferenceRun(code, image, amount);
            for (const WriteBack mode : kModes)
                EXPECT_EQ(EngineRun(code, image, amount, mode), expected) << code << " amount " << amount;
        }
    }
}

}  // namespace
}  // namespace tegmora::effects

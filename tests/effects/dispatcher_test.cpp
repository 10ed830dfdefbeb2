// The dispatcher: codes that select nothing, bitmaps it refuses, the busy
// guard against a run started from the yield hook, a hook that abandons the
// run, error messages, progress, and the generator's draws.
#include "reference_filters.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <tuple>

namespace tegmora::effects::testing {
namespace {

TEST(DispatcherTest, CodesThatSelectNoFilterAndBitmapsWithoutPixelsChangeNothing) {
    const TestImage image = TestImage::Random(3, 2, 1);
    for (const std::int32_t code : {0, 32, -1, INT_MIN}) EXPECT_EQ(EngineRun(code, image, 5).progress.size(), 0u);
    std::uint8_t byte = 7;
    std::int32_t progress = -1;
    for (const Bitmap bitmap : {Bitmap{nullptr, 1, 1}, Bitmap{&byte, 0, 1}, Bitmap{&byte, 1, -1}})
        TestEngine().applyFilter(2, bitmap, 0, progress);
    EXPECT_EQ(byte, 7);
    EXPECT_EQ(progress, -1);
}

// A bitmap whose 32-bit header size overflows is refused before any pixel.
TEST(DispatcherTest, ErrorsNameTheFilterOrTheCodeAndTheKind) {
    std::uint8_t byte = 7;
    std::int32_t progress = -1;
    for (const auto& [code, width, message] : {std::tuple{2, 1 << 26, "Invert: overflow"},
                                               {99, 1 << 26, "code 99: overflow"},
                                               {15, 1, "Pixelize: division by zero"}}) {
        try {
            TestEngine().applyFilter(code, {&byte, width, 1}, 0, progress);
            ADD_FAILURE() << message;
        } catch (const FilterError& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
    EXPECT_EQ(byte, 7);
    EXPECT_FALSE(TestEngine().busy());
}

TEST(DispatcherTest, ARunStartedFromTheYieldHookReturnsAtOnce) {
    for (const WriteBack mode : kWriteBacks) {
        TestImage image = TestImage::Random(4, 3, 2);
        const TestImage original = image;
        int yields = 0;
        TestEngine().setYieldHook([&] {
            ++yields;
            EXPECT_TRUE(TestEngine().busy());
            TestImage other = original;
            std::int32_t progress = -1;
            TestEngine().applyFilter(2, {other.bits.data(), other.width, other.height}, 0, progress, mode);
            EXPECT_EQ(other, original);
            EXPECT_EQ(progress, -1);
            // Another engine is independent of this one's run.
            Engine().applyFilter(2, {other.bits.data(), other.width, other.height}, 0, progress, mode);
            EXPECT_EQ(other, ReferenceRun(2, original, 0).image);
        });
        std::int32_t progress = 0;
        TestEngine().applyFilter(2, {image.bits.data(), image.width, image.height}, 0, progress, mode);
        TestEngine().setYieldHook(nullptr);
        EXPECT_EQ(yields, 4);
        EXPECT_FALSE(TestEngine().busy());
        EXPECT_EQ(image, ReferenceRun(2, original, 0).image);
    }
}

TEST(DispatcherTest, AHookThatThrowsAbandonsTheRunAndLeavesTheBitmapWithAtEnd) {
    TestImage image = TestImage::Random(4, 3, 3);
    const TestImage original = image;
    TestEngine().setYieldHook([] { throw std::runtime_error("closing"); });
    std::int32_t progress = 0;
    EXPECT_THROW(TestEngine().applyFilter(3, {image.bits.data(), image.width, image.height}, 0, progress), std::runtime_error);
    TestEngine().setYieldHook(nullptr);
    EXPECT_FALSE(TestEngine().busy());
    EXPECT_EQ(image, original);
}

TEST(DispatcherTest, ProgressAfterEveryRowAndEachPhase) {
    const struct {
        std::int32_t code;
        std::int32_t height;
        std::vector<std::int32_t> progress;
    } cases[] = {
        {2, 3, {33, 66, 100, 100}},          // every row: y * 100 / H
        {3, 4, {50, 75, 100}},               // kernels: rows 2..H-1
        {28, 2, {5, 10, 10, 55, 100, 100}},  // auto levels: scan to 10, then map
        {21, 2, {2, 10, 55, 100, 100}},      // error diffusion: tables, mean, rows
        {23, 1, {3, 10, 100, 100}},
        {19, 2, {5, 52, 100, 100}},          // mean, then rows from 5
        {17, 1, {5, 100, 100}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EngineRun(c.code, TestImage::Random(3, c.height, 4), 10).progress, c.progress) << c.code;
}

// Drawn in pieces that cross the generator's 624-word blocks.
TEST(RandomDrawsTest, DrawsFollowStdMt19937OfTheSameSeed) {
    for (const std::uint32_t seed : {UniformDraws::kDefaultSeed, 0u, 1u, 0xFFFFFFFFu}) {
        UniformDraws draws(seed);
        std::mt19937 reference(seed);
        std::vector<float> piece;
        for (std::size_t drawn = 0, size = 1; drawn < 10'000; drawn += size, size = size * 3 % 1000 + 1) {
            piece.resize(size);
            draws.fill(piece);
            for (const float d : piece) ASSERT_EQ(d, static_cast<float>(reference() >> 8) * 0x1p-24f) << seed;
        }
    }
}

}  // namespace
}  // namespace tegmora::effects::testing

// The dispatcher: codes that select nothing, bitmaps it refuses, the busy
// guard against a run started from the yield hook, a hook that abandons the
// run, error messages, progress, and the generator's draws.
#include "reference_filters.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
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
        ApplyFilter(2, bitmap, 0, progress);
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
            ApplyFilter(code, {&byte, width, 1}, 0, progress);
            ADD_FAILURE() << message;
        } catch (const FilterError& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
    EXPECT_EQ(byte, 7);
    EXPECT_FALSE(FilterBusy());
}

TEST(DispatcherTest, ARunStartedFromTheYieldHookReturnsAtOnce) {
    for (const WriteBack mode : kWriteBacks) {
        TestImage image = TestImage::Random(4, 3, 2);
        const TestImage original = image;
        int yields = 0;
        SetYieldHook([&] {
            ++yields;
            EXPECT_TRUE(FilterBusy());
            TestImage other = original;
            std::int32_t progress = -1;
            ApplyFilter(2, {other.bits.data(), other.width, other.height}, 0, progress, mode);
            EXPECT_EQ(other, original);
            EXPECT_EQ(progress, -1);
        });
        std::int32_t progress = 0;
        ApplyFilter(2, {image.bits.data(), image.width, image.height}, 0, progress, mode);
        SetYieldHook(nullptr);
        EXPECT_EQ(yields, 4);
        EXPECT_FALSE(FilterBusy());
        EXPECT_EQ(image, ReferenceRun(2, original, 0).image);
    }
}

TEST(DispatcherTest, AHookThatThrowsAbandonsTheRunAndLeavesTheBitmapWithAtEnd) {
    TestImage image = TestImage::Random(4, 3, 3);
    const TestImage original = image;
    SetYieldHook([] { throw std::runtime_error("closing"); });
    std::int32_t progress = 0;
    EXPECT_THROW(ApplyFilter(3, {image.bits.data(), image.width, image.height}, 0, progress), std::runtime_error);
    SetYieldHook(nullptr);
    EXPECT_FALSE(FilterBusy());
    EXPECT_EQ(image, original);
}

TEST(DispatcherTest, ProgressAfterEveryRowAndEachPhase) {
    const struct {
        std::int32_t code;
        std::int32_t height;
        std::vector<std::int32_t> progress;
    } cases[] = {
        {2, 3, {33, 66, 100, 100}},          // every row: y * 100 \ H
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

TEST(RandomDrawsTest, DrawsAreWholeMultiplesOfTwoToTheMinus24BelowOne) {
    std::vector<float> draws(100'000);
    DrawUniform(draws);
    for (const float d : draws) ASSERT_TRUE(d >= 0 && d < 1 && std::ldexp(d, 24) == std::floor(std::ldexp(d, 24))) << d;
    EXPECT_NE(draws.front(), draws.back());
}

}  // namespace
}  // namespace tegmora::effects::testing

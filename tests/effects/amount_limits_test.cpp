// The largest amounts that Brightness and Contrast take: the last amount
// that succeeds beside the first that overflows, in both write-back modes.
#include "engine.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace tegmora::effects {
namespace {

using testing::TestImage;

// The result, or nothing when the run failed with an overflow and left the
// image alone.
std::optional<TestImage> Run(std::int32_t code, const TestImage& image, std::int32_t amount, WriteBack mode) {
    TestImage result = image;
    std::int32_t progress = 0;
    try {
        ApplyFilter(code, result.view(), amount, progress, mode);
    } catch (const FilterError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::Overflow) << amount;
        EXPECT_EQ(result, image) << amount;
        return std::nullopt;
    }
    return result;
}

struct Limit {
    std::int32_t amount;
    std::optional<TestImage> result;  // nothing: an overflow
};

// Black, black and pure red: mean level 28.
TestImage TwoBlackOneRed() {
    TestImage image = TestImage::Filled(3, 1, 0, 0, 0);
    image.set(3, 1, 0, 0, 255);
    return image;
}

void ExpectLimits(std::int32_t code, const std::vector<Limit>& limits) {
    for (const Limit& limit : limits) {
        for (const WriteBack mode : {WriteBack::AtEnd, WriteBack::AsRowsFinish}) {
            const std::optional<TestImage> result = Run(code, TwoBlackOneRed(), limit.amount, mode);
            EXPECT_EQ(result, limit.result) << limit.amount;
        }
    }
}

// The factor (A + 100) / 100 times 255 leaves 32 bits long before A + 100
// does; short of that every level above 0 becomes 255, or all become 0.
TEST(AmountLimitsTest, BrightnessOverflowsWhereTheFactorTimes255Leaves32Bits) {
    ExpectLimits(14, {
                         {842'150'350, TwoBlackOneRed()},
                         {842'150'351, std::nullopt},
                         {-842'150'550, TestImage::Grey({{0, 0, 0}})},
                         {-842'150'551, std::nullopt},
                     });
}

// A table entry F x (255 - 28) + 28 leaves 32 bits, far below the amount's
// own limit; short of that the pixels go to the far ends, mirrored for a
// negative factor. Such amounts never write rows as they finish.
TEST(AmountLimitsTest, ContrastOverflowsWhereATableEntryLeaves32Bits) {
    const std::vector<Limit> limits = {
        {946'027'950, TestImage::Grey({{0, 0, 255}})},
        {946'027'951, std::nullopt},
        {-946'028'150, TestImage::Grey({{255, 255, 0}})},
        {-946'028'151, std::nullopt},
    };
    ExpectLimits(17, limits);
    for (const Limit& limit : limits) EXPECT_TRUE(ContrastMayFailMidRun(limit.amount)) << limit.amount;
}

}  // namespace
}  // namespace tegmora::effects

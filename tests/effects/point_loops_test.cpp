// The per-pixel filters on whole rows, which the vector loops take, against
// the same filters on one pixel at a time, which they never reach. ctest
// runs this binary once per loop version (TEGMORA_ISA).
#include "point_loops.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace tegmora::effects::testing {
namespace {

bool Asked(std::string_view set) {
    const char* asked = std::getenv("TEGMORA_ISA");
    return asked != nullptr && set == asked;
}

// A run forced onto loops this processor lacks is skipped, not failed.
class RequestedLoops : public ::testing::Environment {
    void SetUp() override {
        if (Asked("avx2") && !Supports(InstructionSet::Avx2)) GTEST_SKIP() << "this processor lacks AVX2";
    }
};
const auto* const kRequested = ::testing::AddGlobalTestEnvironment(new RequestedLoops);

TEST(PointLoopsTest, RunsTheRequestedVersion) {
    const bool baseline = Asked("baseline") || !Supports(InstructionSet::Avx2);
    EXPECT_EQ(ActiveInstructionSet(), baseline ? InstructionSet::Baseline : InstructionSet::Avx2);
}

TEST(PointLoopsTest, WholeRowsMatchSinglePixels) {
    const std::pair<std::int32_t, std::int32_t> runs[] = {{2, 0},   {12, 0},  {16, 1},   {16, 2},         {16, 3},
                                                          {16, 4},  {16, 5},  {18, -77}, {18, 0x00F0417F}, {14, 10},
                                                          {14, -63}, {31, 150}, {31, 35}};
    const TestImage image = TestImage::Random(37, 2, 15);
    for (const auto& [code, amount] : runs) {
        const TestImage whole = EngineRun(code, image, amount).image;
        for (std::size_t i = 0; i < image.bits.size(); i += 4) {
            TestImage pixel(1, 1);
            std::copy_n(image.bits.begin() + static_cast<std::ptrdiff_t>(i), 4, pixel.bits.begin());
            const TestImage one = EngineRun(code, pixel, amount).image;
            ASSERT_TRUE(std::equal(one.bits.begin(), one.bits.end(), whole.bits.begin() + static_cast<std::ptrdiff_t>(i)))
                << "code " << code << ", amount " << amount << ", pixel " << i / 4;
        }
    }
}

}  // namespace
}  // namespace tegmora::effects::testing

// What every filter of the table owes, whatever it does: the size and the
// fourth byte of every pixel kept, tiny and odd sizes handled, progress ending
// at 100, and the same result whether the rows go straight into the bitmap or
// the bitmap is replaced at the end.
#include "engine.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <random>

namespace tegmora::effects {
namespace {

using testing::TestImage;

// An amount each filter accepts without failing.
std::int32_t WorkingAmount(std::int32_t code) {
    for (const Preset& preset : Presets())
        if (preset.code == code && preset.amount != 0) return preset.amount;
    switch (code) {
        case 8: case 9: case 10: case 11: return 0x00306090;
        case 16: return 2;
        case 18: return 0x00808080;
        case 21: case 22: case 23: return 10;
        case 29: return 20;
        case 31: return 150;
        default: return 0;
    }
}

// Runs a filter with the generator restarted from a fixed seed, so that two
// runs of a random filter draw the same numbers.
TestImage RunSeeded(std::int32_t code, TestImage image, WriteBack mode, std::int32_t& progress) {
    std::mt19937 gen(99);
    SetRandomSourceForTesting([&gen](std::span<float> out) {
        for (float& r : out) r = static_cast<float>(gen() >> 8) * 0x1p-24f;
    });
    ApplyFilter(code, image.view(), WorkingAmount(code), progress, mode);
    SetRandomSourceForTesting(nullptr);
    return image;
}

class EveryFilter : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(EveryFilter, KeepsFourthByteAndAgreesAcrossWriteBackModes) {
    const std::int32_t code = GetParam();
    const std::pair<int, int> sizes[] = {{1, 1}, {2, 2}, {3, 3}, {7, 5}, {5, 7}, {1, 6}, {6, 2}, {17, 13}};
    std::uint32_t seed = 1;
    for (const auto& [w, h] : sizes) {
        TestImage image = TestImage::Random(w, h, seed++);
        std::int32_t progressAtEnd = -1;
        std::int32_t progressDirect = -1;
        const TestImage atEnd = RunSeeded(code, image, WriteBack::AtEnd, progressAtEnd);
        const TestImage direct = RunSeeded(code, image, WriteBack::AsRowsFinish, progressDirect);
        EXPECT_EQ(atEnd, direct) << w << " x " << h;
        EXPECT_EQ(progressAtEnd, 100) << w << " x " << h;
        EXPECT_EQ(progressDirect, 100) << w << " x " << h;
        for (std::size_t i = 3; i < image.bits.size(); i += 4) ASSERT_EQ(atEnd.bits[i], image.bits[i]);
        EXPECT_FALSE(FilterBusy());
    }
}

INSTANTIATE_TEST_SUITE_P(Codes, EveryFilter, ::testing::Range(1, 32),
                         [](const ::testing::TestParamInfo<std::int32_t>& info) {
                             std::string name(FindFilter(info.param)->name);
                             std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
                             return name;
                         });

}  // namespace
}  // namespace tegmora::effects

// What every filter of the table owes, whatever it computes: any size
// handled, nothing written outside the bitmap or into the fourth byte, the
// same pixels and progress in both write-back modes, progress rising to 100,
// no dependence on an earlier run, and the frame that neighbourhood filters
// only read.
#include "effects.h"
#include "filter_checks.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

namespace tegmora::effects {
namespace {

using testing::Applied;
using testing::ScriptedDraws;
using testing::TestImage;

struct FilterRunCase {
    std::int32_t code;
    std::int32_t amount;
};

// Every code at least once, with the editor's amounts and others that work.
constexpr FilterRunCase kRuns[] = {
    {1, 2},          {1, 0},        {1, -7},       {2, 0},          {3, 0},        {4, 6},
    {4, 12},         {4, 3},        {5, 0},        {6, 1},          {7, 0xFFFFFF}, {7, -1},
    {8, 0x404040},   {8, -1},       {9, 0x404040}, {10, 0x404040},  {11, 0x404040}, {11, -255},
    {12, 0},         {13, 0},       {14, 10},      {14, -10},       {15, 3},       {15, -2},
    {15, 1000},      {16, 1},       {16, 2},       {16, 3},         {16, 4},       {16, 5},
    {16, 0},         {17, 10},      {17, -10},     {18, 0x808080},  {18, -1},      {19, 0},
    {20, 0},         {21, 10},      {21, -3},      {22, 10},        {22, 1},       {23, 10},
    {23, 25},        {24, 0},       {25, 0},       {26, 0},         {27, 0},       {28, 0},
    {29, 0},         {29, 20},      {29, -7},      {30, 15},        {30, -20},     {30, -100},
    {30, 1'000'000'000}, {31, 200}, {31, 50},      {31, 100},
};

std::string NameOf(const ::testing::TestParamInfo<FilterRunCase>& info) {
    std::string name = std::string(FindFilter(info.param.code)->name) + "_" +
                       (info.param.amount < 0 ? "minus" + std::to_string(-std::int64_t{info.param.amount})
                                              : std::to_string(info.param.amount));
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); },
                    '_');
    return name;
}

// The image placed between two guard bands of a larger buffer.
class GuardedImage {
public:
    explicit GuardedImage(const TestImage& image) : width_(image.width), height_(image.height) {
        bytes_.assign(kGuard, kMark);
        bytes_.insert(bytes_.end(), image.bits.begin(), image.bits.end());
        bytes_.insert(bytes_.end(), kGuard, kMark);
    }

    Bitmap view() { return {bytes_.data() + kGuard, width_, height_}; }

    bool guardsIntact() const {
        for (std::size_t i = 0; i < kGuard; ++i)
            if (bytes_[i] != kMark || bytes_[bytes_.size() - 1 - i] != kMark) return false;
        return true;
    }

    TestImage image() const {
        TestImage out(width_, height_);
        std::copy(bytes_.begin() + kGuard, bytes_.end() - kGuard, out.bits.begin());
        return out;
    }

private:
    static constexpr std::size_t kGuard = 64;
    static constexpr std::uint8_t kMark = 0x5A;
    std::int32_t width_;
    std::int32_t height_;
    std::vector<std::uint8_t> bytes_;
};

TEST(FilterPropertiesTest, EveryCodeIsSwept) {
    std::set<std::int32_t> swept;
    for (const FilterRunCase& run : kRuns) swept.insert(run.code);
    for (const FilterInfo& filter : Filters()) EXPECT_TRUE(swept.count(filter.code)) << filter.name;
}

class EveryFilterTest : public ::testing::TestWithParam<FilterRunCase> {};

TEST_P(EveryFilterTest, OwesWhatEveryFilterOwes) {
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{1, 1}, {2, 2}, {3, 3}, {7, 5}, {5, 7},
                                                           {1, 9}, {9, 1}, {6, 2}, {17, 13}};
    // The random filters draw from a script, so that both modes see the same draws.
    ScriptedDraws draws({0.1f, 0.9f, 0.5f, 0.37f, 0.0f, 0.99999994f, 0.62f});
    std::uint32_t seed = 40;
    for (const auto& [w, h] : sizes) {
        const TestImage image = TestImage::Random(w, h, ++seed);
        std::vector<TestImage> results;
        std::vector<std::vector<std::int32_t>> progress;
        for (const WriteBack mode : {WriteBack::AtEnd, WriteBack::AsRowsFinish}) {
            draws.rewind();
            GuardedImage guarded(image);
            testing::ProgressRecorder recorder;
            ApplyFilter(GetParam().code, guarded.view(), GetParam().amount, recorder.progress, mode);
            EXPECT_TRUE(guarded.guardsIntact()) << w << " x " << h;
            EXPECT_FALSE(FilterBusy());
            results.push_back(guarded.image());
            progress.push_back(recorder.seen);
        }
        EXPECT_EQ(results[0], results[1]) << w << " x " << h;
        EXPECT_EQ(progress[0], progress[1]) << w << " x " << h;
        for (std::size_t i = 3; i < image.bits.size(); i += 4)
            ASSERT_EQ(results[0].bits[i], image.bits[i]) << w << " x " << h << ", byte " << i;
        ASSERT_FALSE(progress[0].empty()) << w << " x " << h;
        EXPECT_TRUE(std::is_sorted(progress[0].begin(), progress[0].end())) << w << " x " << h;
        EXPECT_GE(progress[0].front(), 0) << w << " x " << h;
        EXPECT_EQ(progress[0].back(), 100) << w << " x " << h;
    }
}

TEST_P(EveryFilterTest, RunsDoNotDependOnEarlierRuns) {
    // Brightness leaves its own entries in the shared level table.
    ScriptedDraws draws({0.25f, 0.75f, 0.5f});
    const TestImage in = TestImage::Random(11, 7, 77);
    const TestImage first = Applied(GetParam().code, in, GetParam().amount);
    Applied(14, TestImage::Random(4, 4, 1), 60);
    draws.rewind();
    EXPECT_EQ(Applied(GetParam().code, in, GetParam().amount), first);
}

INSTANTIATE_TEST_SUITE_P(Runs, EveryFilterTest, ::testing::ValuesIn(kRuns), NameOf);

// Filters over a neighbourhood write rows and columns `frame` + 1 to
// W - `frame` and H - `frame` only.
struct FramedRun {
    FilterRunCase run;
    std::int32_t frame;
};

class FrameKeepingFilterTest : public ::testing::TestWithParam<FramedRun> {};

TEST_P(FrameKeepingFilterTest, OnlyReadsTheFrame) {
    const auto [run, frame] = GetParam();
    const TestImage image = TestImage::Random(9, 8, 23);
    TestImage out = Applied(run.code, image, run.amount, WriteBack::AsRowsFinish);
    EXPECT_NE(out, image) << "the inside should change on a random image";
    for (std::int32_t y = frame + 1; y <= image.height - frame; ++y)
        for (std::int32_t x = frame + 1; x <= image.width - frame; ++x)
            out.set(x, y, image.at(1, x, y), image.at(2, x, y), image.at(3, x, y));
    EXPECT_EQ(out, image);
    const TestImage small = TestImage::Random(2 * frame, 2 * frame, 29);
    EXPECT_EQ(Applied(run.code, small, run.amount, WriteBack::AsRowsFinish), small);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, FrameKeepingFilterTest,
    ::testing::Values(FramedRun{{1, 2}, 1}, FramedRun{{3, 0}, 1}, FramedRun{{5, 0}, 1}, FramedRun{{6, 1}, 1},
                      FramedRun{{7, 0xFFFFFF}, 1}, FramedRun{{9, 0x404040}, 1}, FramedRun{{11, 0x404040}, 1},
                      FramedRun{{13, 0}, 1}, FramedRun{{25, 0}, 1}, FramedRun{{26, 0}, 1}, FramedRun{{27, 0}, 1},
                      FramedRun{{24, 0}, 2}),
    [](const ::testing::TestParamInfo<FramedRun>& info) {
        return NameOf(::testing::TestParamInfo<FilterRunCase>(info.param.run, info.index));
    });

}  // namespace
}  // namespace tegmora::effects

// What every colour and tone filter owes, whatever it computes: any size
// handled, nothing written outside the bitmap or into the fourth byte, the
// same result in both write-back modes, progress rising to 100.
#include "effects.h"
#include "filter_checks.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace tegmora::effects {
namespace {

using testing::ScriptedDraws;
using testing::TestImage;

struct Run {
    std::int32_t code;
    std::int32_t amount;
};

std::string NameOf(const ::testing::TestParamInfo<Run>& info) {
    std::string name =
        std::string(FindFilter(info.param.code)->name) + "_" +
        (info.param.amount < 0 ? "minus" + std::to_string(-std::int64_t{info.param.amount})
                               : std::to_string(info.param.amount));
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

const std::pair<std::int32_t, std::int32_t> kSizes[] = {{1, 1}, {2, 2}, {3, 3}, {7, 5},
                                                        {5, 7}, {1, 4}, {6, 1}};

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

class ColourToneFilterTest : public ::testing::TestWithParam<Run> {};

TEST_P(ColourToneFilterTest, OwesWhatEveryFilterOwes) {
    // Noise draws from a script here, so that both modes see the same draws.
    ScriptedDraws draws({0.1f, 0.9f, 0.5f, 0.37f, 0.0f, 0.99999994f, 0.62f});
    for (const auto& [w, h] : kSizes) {
        const TestImage image = TestImage::Random(w, h, 99);
        std::vector<TestImage> results;
        std::vector<std::vector<std::int32_t>> progress;
        for (const WriteBack mode : {WriteBack::AtEnd, WriteBack::AsRowsFinish}) {
            draws.rewind();
            GuardedImage guarded(image);
            testing::ProgressRecorder recorder;
            ApplyFilter(GetParam().code, guarded.view(), GetParam().amount, recorder.progress,
                        mode);
            EXPECT_TRUE(guarded.guardsIntact()) << w << " x " << h;
            results.push_back(guarded.image());
            progress.push_back(recorder.seen);
        }
        EXPECT_EQ(results[0], results[1]) << w << " x " << h;
        EXPECT_EQ(progress[0], progress[1]) << w << " x " << h;
        for (std::size_t i = 3; i < image.bits.size(); i += 4)
            ASSERT_EQ(results[0].bits[i], image.bits[i]) << w << " x " << h << ", byte " << i;
        // At least a report per row, never falling, ending at 100.
        ASSERT_GE(progress[0].size(), static_cast<std::size_t>(h) + 1) << w << " x " << h;
        EXPECT_TRUE(std::is_sorted(progress[0].begin(), progress[0].end())) << w << " x " << h;
        EXPECT_GE(progress[0].front(), 0);
        EXPECT_EQ(progress[0].back(), 100);
    }
}

INSTANTIATE_TEST_SUITE_P(AllAmounts, ColourToneFilterTest,
                         ::testing::Values(Run{2, 0}, Run{12, 0}, Run{16, 1}, Run{16, 2},
                                           Run{16, 3}, Run{16, 4}, Run{16, 5}, Run{16, 0},
                                           Run{18, 0x808080}, Run{18, -1}, Run{19, 0}, Run{28, 0},
                                           Run{29, 0}, Run{29, 20}, Run{29, -7}, Run{30, 15},
                                           Run{30, -20}, Run{30, -100}, Run{30, 1'000'000'000},
                                           Run{31, 200}, Run{31, 50}, Run{31, 100}),
                         NameOf);

}  // namespace
}  // namespace tegmora::effects

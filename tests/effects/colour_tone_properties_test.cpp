// What every colour and tone filter owes, whatever it computes: any size
// handled, nothing written outside the bitmap or into the fourth byte, the
// same result in both write-back modes, progress rising to 100.
#include "effects.h"
#include "run_checks.h"
#include "test_image.h"

#include <gtest/gtest.h>

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

class ColourToneFilterTest : public ::testing::TestWithParam<Run> {
protected:
    // Noise draws from a script here, so that both modes see the same draws.
    ScriptedDraws draws_{std::vector<float>{0.1f, 0.9f, 0.5f, 0.37f, 0.0f, 0.99999994f, 0.62f}};

    struct Outcome {
        TestImage image;
        std::vector<std::int32_t> progress;
        bool guardsIntact;
    };

    Outcome RunOn(const TestImage& image, WriteBack mode) {
        draws_.rewind();
        GuardedImage guarded(image);
        testing::ProgressRecorder recorder;
        ApplyFilter(GetParam().code, guarded.view(), GetParam().amount, recorder.progress, mode);
        return {guarded.image(), recorder.seen, guarded.guardsIntact()};
    }
};

TEST_P(ColourToneFilterTest, KeepsTheFourthByteAndStaysInsideTheBitmap) {
    for (const auto& [w, h] : kSizes) {
        const TestImage image = TestImage::Random(w, h, 99);
        for (const WriteBack mode : {WriteBack::AtEnd, WriteBack::AsRowsFinish}) {
            const Outcome outcome = RunOn(image, mode);
            EXPECT_TRUE(outcome.guardsIntact) << w << " x " << h;
            for (std::size_t i = 3; i < image.bits.size(); i += 4)
                ASSERT_EQ(outcome.image.bits[i], image.bits[i])
                    << w << " x " << h << ", byte " << i;
        }
    }
}

TEST_P(ColourToneFilterTest, GivesTheSameResultInBothWriteBackModes) {
    for (const auto& [w, h] : kSizes) {
        const TestImage image = TestImage::Random(w, h, 5);
        const Outcome atEnd = RunOn(image, WriteBack::AtEnd);
        const Outcome asRows = RunOn(image, WriteBack::AsRowsFinish);
        EXPECT_EQ(atEnd.image, asRows.image) << w << " x " << h;
        EXPECT_EQ(atEnd.progress, asRows.progress) << w << " x " << h;
    }
}

TEST_P(ColourToneFilterTest, ProgressRisesToHundred) {
    for (const auto& [w, h] : kSizes) {
        const Outcome outcome = RunOn(TestImage::Random(w, h, 8), WriteBack::AsRowsFinish);
        ASSERT_GE(outcome.progress.size(), static_cast<std::size_t>(h) + 1) << w << " x " << h;
        EXPECT_EQ(outcome.progress.back(), 100);
        for (std::size_t i = 0; i < outcome.progress.size(); ++i) {
            EXPECT_GE(outcome.progress[i], 0);
            EXPECT_LE(outcome.progress[i], 100);
            if (i > 0) {
                EXPECT_GE(outcome.progress[i], outcome.progress[i - 1]);
            }
        }
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

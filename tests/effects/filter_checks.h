// What the filter tests share: one-row images, pictures of black and white
// results, images with many equal values, and running a filter the ways a
// caller can: in both write-back modes, with a scripted generator, with
// progress recorded, and expecting a clean failure.
#pragma once

#include "effects.h"
#include "engine.h"
#include "test_image.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tegmora::effects::testing {

inline constexpr WriteBack kWriteBacks[] = {WriteBack::AtEnd, WriteBack::AsRowsFinish};

// Channel 1 as rows of '#' (255), '.' (0) or '?' (anything else).
inline std::vector<std::string> Picture(const TestImage& image) {
    std::vector<std::string> rows;
    for (std::int32_t y = 1; y <= image.height; ++y) {
        std::string row;
        for (std::int32_t x = 1; x <= image.width; ++x) {
            const std::uint8_t v = image.at(1, x, y);
            row += v == 255 ? '#' : (v == 0 ? '.' : '?');
        }
        rows.push_back(row);
    }
    return rows;
}

// A random image whose colour bytes are drawn from `values`: few distinct
// values give many ties. The fourth byte is random.
inline TestImage RandomFrom(std::int32_t w, std::int32_t h, std::uint32_t seed,
                            std::initializer_list<std::uint8_t> values) {
    TestImage image = TestImage::Random(w, h, seed);
    const std::vector<std::uint8_t> pool(values);
    std::mt19937 gen(seed);
    for (std::size_t i = 0; i < image.bits.size(); ++i)
        if (i % 4 != 3) image.bits[i] = pool[gen() % pool.size()];
    return image;
}

// Sets the yield hook for a scope, and clears it however the scope ends.
class YieldHookScope {
public:
    explicit YieldHookScope(YieldHook hook) { SetYieldHook(std::move(hook)); }
    ~YieldHookScope() { SetYieldHook(nullptr); }
    YieldHookScope(const YieldHookScope&) = delete;
    YieldHookScope& operator=(const YieldHookScope&) = delete;
};

// Pixels given as (blue, green, red).
using Pixels = std::vector<std::array<int, 3>>;

// One row of pixels.
inline TestImage RowOf(const Pixels& pixels) {
    TestImage image(static_cast<std::int32_t>(pixels.size()), 1);
    std::int32_t x = 1;
    for (const auto& p : pixels)
        image.set(x++, 1, static_cast<std::uint8_t>(p[0]), static_cast<std::uint8_t>(p[1]),
                  static_cast<std::uint8_t>(p[2]));
    return image;
}

// Replaces the engine's generator with a fixed list of draws, repeated from
// the start when it runs out; the real generator is back on destruction.
class ScriptedDraws {
public:
    explicit ScriptedDraws(std::vector<float> draws) : draws_(std::move(draws)) {
        SetRandomSourceForTesting([this](std::span<float> out) {
            for (float& draw : out) draw = draws_[taken_++ % draws_.size()];
        });
    }
    ~ScriptedDraws() { SetRandomSourceForTesting(nullptr); }
    ScriptedDraws(const ScriptedDraws&) = delete;
    ScriptedDraws& operator=(const ScriptedDraws&) = delete;

    std::size_t taken() const { return taken_; }
    void rewind() { taken_ = 0; }

private:
    std::vector<float> draws_;
    std::size_t taken_ = 0;
};

// Runs `code` in both write-back modes (from the same draws, when scripted),
// expects the same pixels from both and returns them.
inline TestImage AppliedBothWays(std::int32_t code, const TestImage& image, std::int32_t amount = 0,
                                 ScriptedDraws* draws = nullptr) {
    if (draws != nullptr) draws->rewind();
    const TestImage atEnd = Applied(code, image, amount, WriteBack::AtEnd);
    if (draws != nullptr) draws->rewind();
    const TestImage asRows = Applied(code, image, amount, WriteBack::AsRowsFinish);
    EXPECT_EQ(atEnd, asRows) << "code " << code << ", amount " << amount;
    return atEnd;
}

// Records the progress value at every yield while it lives.
class ProgressRecorder {
public:
    ProgressRecorder() {
        SetYieldHook([this] { seen.push_back(progress); });
    }
    ~ProgressRecorder() { SetYieldHook(nullptr); }
    ProgressRecorder(const ProgressRecorder&) = delete;
    ProgressRecorder& operator=(const ProgressRecorder&) = delete;

    std::int32_t progress = -1;
    std::vector<std::int32_t> seen;
};

// Every progress value a run reports, in order.
inline std::vector<std::int32_t> ProgressOf(std::int32_t code, TestImage image,
                                            std::int32_t amount = 0,
                                            WriteBack writeBack = WriteBack::AtEnd) {
    ProgressRecorder recorder;
    ApplyFilter(code, image.view(), amount, recorder.progress, writeBack);
    return recorder.seen;
}

// start + y * span \ height after each of `height` rows.
inline std::vector<std::int32_t> RowSteps(std::int32_t height, std::int32_t start = 0,
                                          std::int32_t span = 100) {
    std::vector<std::int32_t> steps;
    for (std::int32_t y = 1; y <= height; ++y) steps.push_back(start + y * span / height);
    return steps;
}

// Expects `code` to fail with `kind` in both write-back modes, naming the
// filter, and to leave the image exactly as it was.
inline void ExpectFailsLeavingImage(std::int32_t code, const TestImage& image, std::int32_t amount,
                                    ErrorKind kind) {
    for (const WriteBack mode : {WriteBack::AtEnd, WriteBack::AsRowsFinish}) {
        TestImage target = image;
        std::int32_t progress = 0;
        try {
            ApplyFilter(code, target.view(), amount, progress, mode);
            ADD_FAILURE() << "code " << code << ", amount " << amount << " did not fail";
        } catch (const FilterError& e) {
            EXPECT_EQ(e.kind(), kind) << e.what();
            EXPECT_EQ(e.code(), code);
            EXPECT_EQ(e.filterName(), FindFilter(code)->name);
        }
        EXPECT_EQ(target, image) << "code " << code << ", amount " << amount;
        EXPECT_FALSE(FilterBusy());
    }
}

}  // namespace tegmora::effects::testing

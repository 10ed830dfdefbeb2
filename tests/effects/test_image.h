// Tiny images built inline, addressed like the engine: (channel, x, y) with
// channel 1 blue, 2 green, 3 red, 4 the fourth byte, and 1-based x and y;
// running a filter and recording what it reports; scripted random draws.
#pragma once

#include "effects.h"
#include "engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <random>
#include <span>
#include <vector>

namespace tegmora::effects::testing {

inline constexpr WriteBack kWriteBacks[] = {WriteBack::AtEnd, WriteBack::AsRowsFinish};

struct TestImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> bits;

    TestImage(std::int32_t w, std::int32_t h) : width(w), height(h), bits(std::size_t{4} * w * h, 0) {
        // A fourth byte unlike any colour, so that a filter touching it shows.
        for (std::size_t i = 3; i < bits.size(); i += 4) bits[i] = 0xA5;
    }

    // Every byte, the fourth too, drawn from `values` (any byte when empty):
    // few distinct values give many ties.
    static TestImage Random(std::int32_t w, std::int32_t h, std::uint32_t seed,
                            const std::vector<std::uint8_t>& values = {}) {
        TestImage image(w, h);
        std::mt19937 gen(seed);
        for (auto& b : image.bits)
            b = values.empty() ? static_cast<std::uint8_t>(gen()) : values[gen() % values.size()];
        return image;
    }

    std::uint8_t& at(int channel, std::int32_t x, std::int32_t y) {
        return bits[(static_cast<std::size_t>(y - 1) * width + static_cast<std::size_t>(x - 1)) * 4 +
                    static_cast<std::size_t>(channel - 1)];
    }
    std::uint8_t at(int channel, std::int32_t x, std::int32_t y) const {
        return const_cast<TestImage&>(*this).at(channel, x, y);
    }

    bool operator==(const TestImage&) const = default;
};

// What a run leaves behind: the image, the error if it failed, and every
// progress value reported, in order (not compared: filters differ in it).
struct Outcome {
    TestImage image;
    std::optional<ErrorKind> error;
    std::vector<std::int32_t> progress;

    bool operator==(const Outcome& other) const { return image == other.image && error == other.error; }
};

inline void PrintTo(const Outcome& outcome, std::ostream* out) {
    *out << (outcome.error ? ErrorKindText(*outcome.error) : "no error") << ", rows of blue, green, red, fourth:";
    const auto stride = 4 * static_cast<std::size_t>(outcome.image.width);
    for (std::size_t i = 0; i < outcome.image.bits.size(); ++i)
        *out << (i % stride == 0 ? "\n  " : " ") << int{outcome.image.bits[i]};
}

// The one engine the engine tests run on.
inline Engine& TestEngine() {
    static Engine engine;
    return engine;
}

// Runs `code` through the test engine on a copy of `image` that lies between two
// guard bands, records what it reports, and checks that the guards, the
// busy flag and, after a failure, the image are as they were.
inline Outcome EngineRun(std::int32_t code, const TestImage& image, std::int32_t amount,
                         WriteBack writeBack = WriteBack::AtEnd) {
    constexpr std::ptrdiff_t kGuard = 64;
    const auto size = static_cast<std::ptrdiff_t>(image.bits.size());
    std::vector<std::uint8_t> buffer(image.bits.size() + 2 * kGuard, 0x5A);
    const auto body = buffer.begin() + kGuard;
    std::copy(image.bits.begin(), image.bits.end(), body);
    Outcome outcome{image, std::nullopt, {}};
    std::int32_t progress = -1;
    TestEngine().setYieldHook([&] { outcome.progress.push_back(progress); });
    try {
        TestEngine().applyFilter(code, {&*body, image.width, image.height}, amount, progress, writeBack);
    } catch (const FilterError& e) {
        outcome.error = e.kind();
        EXPECT_EQ(e.code(), code);
    }
    TestEngine().setYieldHook(nullptr);
    EXPECT_FALSE(TestEngine().busy());
    EXPECT_EQ(std::count(buffer.begin(), body, 0x5A), kGuard) << "code " << code << " wrote before the image";
    EXPECT_EQ(std::count(body + size, buffer.end(), 0x5A), kGuard) << "code " << code << " wrote after the image";
    std::copy(body, body + size, outcome.image.bits.begin());
    if (outcome.error) {
        EXPECT_EQ(outcome.image, image) << "code " << code << ": a failed run changed the image";
    }
    return outcome;
}

// Makes the test engine hand out `draws` in order; drawing more fails
// the test. Restores the real generator when it goes out of scope.
class ScriptedDraws {
public:
    explicit ScriptedDraws(std::vector<float> draws) : draws_(std::move(draws)) {
        TestEngine().setDrawSource([this](std::span<float> out) {
            for (float& r : out) {
                if (used_ == draws_.size()) ADD_FAILURE() << "more than the " << draws_.size() << " scripted draws";
                r = used_ < draws_.size() ? draws_[used_++] : 0.0f;
            }
        });
    }
    ~ScriptedDraws() { TestEngine().setDrawSource(nullptr); }
    ScriptedDraws(const ScriptedDraws&) = delete;
    ScriptedDraws& operator=(const ScriptedDraws&) = delete;

    std::size_t used() const { return used_; }

private:
    std::vector<float> draws_;
    std::size_t used_ = 0;
};

}  // namespace tegmora::effects::testing

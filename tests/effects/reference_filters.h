// Slow, obvious versions of the neighbourhood filters, pixel by pixel with
// (channel, x, y) addressing and every 32-bit step checked, to hold the fast
// engine code against on random images.
#pragma once

#include "effects.h"
#include "test_image.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <vector>

namespace tegmora::effects::testing {

// What a run leaves behind: the image, the error if it failed, and every
// progress value reported, in order.
struct Outcome {
    TestImage image;
    std::optional<ErrorKind> error;
    std::vector<std::int32_t> progress;

    bool operator==(const Outcome&) const = default;
};

// For test failures: the error, the progress and every channel by rows.
void PrintTo(const Outcome& outcome, std::ostream* out);

// Runs `code` through ApplyFilter and records what it reports.
Outcome EngineRun(std::int32_t code, TestImage image, std::int32_t amount, WriteBack writeBack);

// The same filter done the slow way. Diffuse takes its draws from `draws`,
// two a pixel, and needs exactly 2 * W * H of them.
Outcome ReferenceRun(std::int32_t code, TestImage image, std::int32_t amount,
                     std::span<const float> draws = {});

// Makes the engine's generator hand out `draws` in order; drawing more fails
// the test. Restores the real generator when it goes out of scope.
class ScriptedDraws {
public:
    explicit ScriptedDraws(std::vector<float> draws);
    ~ScriptedDraws();
    ScriptedDraws(const ScriptedDraws&) = delete;
    ScriptedDraws& operator=(const ScriptedDraws&) = delete;

    std::size_t used() const { return used_; }

private:
    std::vector<float> draws_;
    std::size_t used_ = 0;
};

}  // namespace tegmora::effects::testing

#include "engine.h"

#include <algorithm>

namespace tegmora::effects {
namespace {

constexpr std::uint32_t kShift = 397;

std::uint32_t Temper(std::uint32_t y) {
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    return y ^ (y >> 18);
}

std::uint32_t Mix(std::uint32_t upper, std::uint32_t lower, std::uint32_t far) {
    const std::uint32_t y = (upper & 0x80000000u) | (lower & 0x7fffffffu);
    return far ^ (y >> 1) ^ ((y & 1u) * 0x9908b0dfu);
}

}  // namespace

UniformDraws::UniformDraws(std::uint32_t seed) {
    state_[0] = seed;
    for (std::uint32_t i = 1; i < kSize; ++i) state_[i] = 1812433253u * (state_[i - 1] ^ (state_[i - 1] >> 30)) + i;
}

void UniformDraws::fill(std::span<float> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        if (next_ == kSize) twist();
        const std::size_t n = std::min<std::size_t>(out.size() - done, kSize - next_);
        const std::uint32_t* words = state_ + next_;
        float* dest = out.data() + done;
        for (std::size_t i = 0; i < n; ++i) dest[i] = static_cast<float>(Temper(words[i]) >> 8) * 0x1p-24f;
        next_ += static_cast<std::uint32_t>(n);
        done += n;
    }
}

// Split at the wrap-around points so that each loop is straight-line.
void UniformDraws::twist() {
    std::uint32_t i = 0;
    for (; i < kSize - kShift; ++i) state_[i] = Mix(state_[i], state_[i + 1], state_[i + kShift]);
    for (; i < kSize - 1; ++i) state_[i] = Mix(state_[i], state_[i + 1], state_[i + kShift - kSize]);
    state_[kSize - 1] = Mix(state_[kSize - 1], state_[0], state_[kShift - 1]);
    next_ = 0;
}

}  // namespace tegmora::effects

// The engine's generator. It yields exactly the sequence of a default
// std::mt19937, but produces a block of 624 words at a time so that the
// filters that need tens of millions of draws are not held up by it.
#include "engine.h"

#include <algorithm>

namespace tegmora::effects {
namespace {

class MersenneTwister {
public:
    MersenneTwister() {
        state_[0] = 5489u;
        for (std::uint32_t i = 1; i < kSize; ++i)
            state_[i] = 1812433253u * (state_[i - 1] ^ (state_[i - 1] >> 30)) + i;
    }

    void fill(std::span<float> out) {
        std::size_t done = 0;
        while (done < out.size()) {
            if (next_ == kSize) twist();
            const std::size_t n = std::min<std::size_t>(out.size() - done, kSize - next_);
            const std::uint32_t* words = state_ + next_;
            float* dest = out.data() + done;
            for (std::size_t i = 0; i < n; ++i)
                dest[i] = static_cast<float>(Temper(words[i]) >> 8) * 0x1p-24f;
            next_ += static_cast<std::uint32_t>(n);
            done += n;
        }
    }

private:
    static constexpr std::uint32_t kSize = 624;
    static constexpr std::uint32_t kShift = 397;

    static std::uint32_t Temper(std::uint32_t y) {
        y ^= y >> 11;
        y ^= (y << 7) & 0x9d2c5680u;
        y ^= (y << 15) & 0xefc60000u;
        return y ^ (y >> 18);
    }

    static std::uint32_t Mix(std::uint32_t upper, std::uint32_t lower, std::uint32_t far) {
        const std::uint32_t y = (upper & 0x80000000u) | (lower & 0x7fffffffu);
        return far ^ (y >> 1) ^ ((y & 1u) * 0x9908b0dfu);
    }

    // Split at the wrap-around points so that each loop is straight-line.
    void twist() {
        std::uint32_t i = 0;
        for (; i < kSize - kShift; ++i) state_[i] = Mix(state_[i], state_[i + 1], state_[i + kShift]);
        for (; i < kSize - 1; ++i) state_[i] = Mix(state_[i], state_[i + 1], state_[i + kShift - kSize]);
        state_[kSize - 1] = Mix(state_[kSize - 1], state_[0], state_[kShift - 1]);
        next_ = 0;
    }

    std::uint32_t state_[kSize];
    std::uint32_t next_ = kSize;
};

MersenneTwister& Generator() {
    static MersenneTwister generator;
    return generator;
}

std::function<void(std::span<float>)>& Override() {
    static std::function<void(std::span<float>)> source;
    return source;
}

}  // namespace

void DrawUniform(std::span<float> out) {
    if (Override()) {
        Override()(out);
        return;
    }
    Generator().fill(out);
}

void SetRandomSourceForTesting(std::function<void(std::span<float>)> source) {
    Override() = std::move(source);
}

}  // namespace tegmora::effects

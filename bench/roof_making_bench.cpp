// Making a roof from a picture: fitting a photo-sized picture to a roof,
// Make Seamless and hue/saturation/lightness on a large picture and on a
// roof, each on noise (every byte independent).
#include "effects.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace fx = tegmora::effects;

namespace {

std::vector<std::uint8_t> Noise(std::int64_t width, std::int64_t height) {
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(4 * width * height));
    std::mt19937 gen(42);
    for (std::uint8_t& b : bits) b = static_cast<std::uint8_t>(gen());
    return bits;
}

void BM_FitToSize(benchmark::State& state) {
    const std::vector<std::uint8_t> photo = Noise(state.range(0), state.range(1));
    const auto side = static_cast<std::int32_t>(state.range(2));
    std::vector<std::uint8_t> roof(std::size_t{4} * static_cast<std::size_t>(side * side));
    for (auto _ : state) {
        fx::FitToSize({photo.data(), static_cast<std::int32_t>(state.range(0)), static_cast<std::int32_t>(state.range(1))},
                      {roof.data(), side, side});
        benchmark::DoNotOptimize(roof.data());
    }
}

// Runs `operation` on a fresh copy of noise each time; the copy is not timed.
template <class Operation>
void TimeInPlace(benchmark::State& state, Operation operation) {
    const auto side = static_cast<std::int32_t>(state.range(0));
    const std::vector<std::uint8_t> original = Noise(side, side);
    std::vector<std::uint8_t> image;
    for (auto _ : state) {
        state.PauseTiming();
        image = original;
        state.ResumeTiming();
        operation(fx::Bitmap{image.data(), side, side});
        benchmark::ClobberMemory();
    }
}

void BM_MakeSeamless(benchmark::State& state) { TimeInPlace(state, fx::MakeSeamless); }

void BM_AdjustHueSaturationLightness(benchmark::State& state) {
    TimeInPlace(state, [](fx::Bitmap bitmap) { fx::AdjustHueSaturationLightness(bitmap, {120, 20, -10, false}); });
}

}  // namespace

BENCHMARK(BM_FitToSize)->Args({4000, 3000, 32})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MakeSeamless)->Arg(4096)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdjustHueSaturationLightness)->Arg(4096)->Arg(32)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

// Engine::applyFilter for every code on a large image and on a roof-sized texture,
// beside a plain copy of the same buffer: the memory-bound baseline that the
// targets are stated against.
#include "effects.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace fx = tegmora::effects;

namespace {

// Noise: every byte independent, the worst case for filters whose work
// depends on the values. Texture: what a roof looks like to a filter, broad
// gradients of mid-range colours with a little grain.
enum Content { kNoise, kTexture };

std::vector<std::uint8_t> MakeImage(std::int32_t width, std::int32_t height, Content content = kNoise) {
    std::vector<std::uint8_t> bits(std::size_t{4} * width * height);
    std::mt19937 gen(42);
    for (std::size_t i = 0; i < bits.size(); ++i) {
        const std::size_t x = i / 4 % static_cast<std::size_t>(width);
        const std::size_t y = i / 4 / static_cast<std::size_t>(width);
        bits[i] = static_cast<std::uint8_t>(
            content == kNoise ? gen() : 30 + (x / 32 + y / 32 + (i % 4) * 20 + gen() % 16) % 190);
    }
    return bits;
}

void SetPixelRate(benchmark::State& state, std::int32_t width, std::int32_t height) {
    state.counters["Mpixel/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * width * height / 1e6, benchmark::Counter::kIsRate);
}

void BM_Copy(benchmark::State& state) {
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    const std::vector<std::uint8_t> source = MakeImage(width, height);
    std::vector<std::uint8_t> target(source.size(), 1);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    SetPixelRate(state, width, height);
}

void BM_ApplyFilter(benchmark::State& state) {
    const fx::FilterInfo& filter = *fx::FindFilter(static_cast<std::int32_t>(state.range(0)));
    const auto width = static_cast<std::int32_t>(state.range(1));
    const auto height = static_cast<std::int32_t>(state.range(2));
    const auto content = static_cast<Content>(state.range(3));
    const std::vector<std::uint8_t> original = MakeImage(width, height, content);
    std::vector<std::uint8_t> image = original;
    std::int32_t progress = 0;
    fx::Engine engine;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(image.data(), original.data(), image.size());
        state.ResumeTiming();
        engine.applyFilter(filter.code, {image.data(), width, height}, filter.typicalAmount, progress,
                           fx::WriteBack::AsRowsFinish);
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::string(filter.name) + (content == kNoise ? ", noise" : ", texture"));
    SetPixelRate(state, width, height);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({4096, 4096})->Args({256, 128});
}

void Codes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"code", "w", "h", "texture"});
    for (const fx::FilterInfo& filter : fx::Filters()) {
        for (const Content content : {kNoise, kTexture}) {
            b->Args({filter.code, 4096, 4096, content});
            b->Args({filter.code, 256, 128, content});
        }
    }
}

}  // namespace

BENCHMARK(BM_Copy)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyFilter)->Apply(Codes)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

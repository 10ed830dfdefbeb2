// ApplyFilter for every code on a large image and on a roof-sized texture,
// beside a plain copy of the same buffer: the memory-bound baseline that the
// targets are stated against.
#include "effects.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace fx = tegmora::effects;

namespace {

// The amount each code runs with: the editor's where a button uses the code.
std::int32_t BenchAmount(std::int32_t code) {
    switch (code) {
        case 1: return 2;
        case 4: return 6;
        case 6: return 1;
        case 7: return 0x00FFFFFF;
        case 8: case 9: case 10: case 11: return 0x00404040;
        case 14: return 10;
        case 15: return 3;
        case 16: return 1;
        case 17: return 10;
        case 18: return 0x00808080;
        case 21: case 22: case 23: return 10;
        case 29: return 20;
        case 30: return 15;
        case 31: return 150;
        default: return 0;
    }
}

std::vector<std::uint8_t> RandomImage(std::int32_t width, std::int32_t height) {
    std::vector<std::uint8_t> bits(std::size_t{4} * width * height);
    std::mt19937 gen(42);
    for (auto& b : bits) b = static_cast<std::uint8_t>(gen());
    return bits;
}

void SetPixelRate(benchmark::State& state, std::int32_t width, std::int32_t height) {
    state.counters["Mpixel/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * width * height / 1e6, benchmark::Counter::kIsRate);
}

void BM_Copy(benchmark::State& state) {
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    const std::vector<std::uint8_t> source = RandomImage(width, height);
    std::vector<std::uint8_t> target(source.size(), 1);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    SetPixelRate(state, width, height);
}

void BM_ApplyFilter(benchmark::State& state) {
    const auto code = static_cast<std::int32_t>(state.range(0));
    const auto width = static_cast<std::int32_t>(state.range(1));
    const auto height = static_cast<std::int32_t>(state.range(2));
    const std::vector<std::uint8_t> original = RandomImage(width, height);
    std::vector<std::uint8_t> image = original;
    std::int32_t progress = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(image.data(), original.data(), image.size());
        state.ResumeTiming();
        fx::ApplyFilter(code, {image.data(), width, height}, BenchAmount(code), progress,
                        fx::WriteBack::AsRowsFinish);
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::string(fx::FindFilter(code)->name));
    SetPixelRate(state, width, height);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({4096, 4096})->Args({256, 128});
}

void Codes(benchmark::internal::Benchmark* b) {
    for (const fx::FilterInfo& filter : fx::Filters()) {
        b->Args({filter.code, 4096, 4096});
        b->Args({filter.code, 256, 128});
    }
}

}  // namespace

BENCHMARK(BM_Copy)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyFilter)->Apply(Codes)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

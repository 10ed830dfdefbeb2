// Writing a roof in the 8-bit form, in memory: a roof whose colours are all
// in its palette (kept as it is) and one of many colours (the quantiser).
#include "eight_bit_bitmap.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using tegmora::imageio::Dither;

enum Colours { kInPalette, kMany };

// Broad gradients with a little grain, as a roof looks: 200 colours from a
// palette, or every pixel its own shade.
QImage Roof(int width, int height, Colours colours, QImage& palettised) {
    std::mt19937 gen(42);
    palettised = QImage(width, height, QImage::Format_Indexed8);
    for (int i = 0; i < 200; ++i) palettised.setColor(i, qRgb(40 + i / 2, 30 + i % 50 * 3, 90 + i % 7 * 20));
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int grain = static_cast<int>(gen() % 16);
            palettised.setPixel(x, y, static_cast<uint>((x / 32 + y / 32 + grain) % 200));
            image.setPixel(x, y, colours == kInPalette ? palettised.pixel(x, y)
                                                       : qRgb(30 + (x + grain) % 190, 60 + (y + grain) % 150,
                                                              (x * y / 64 + grain) % 256));
        }
    return image;
}

void BM_EightBitBitmap(benchmark::State& state) {
    const auto width = static_cast<int>(state.range(0));
    const auto height = static_cast<int>(state.range(1));
    QImage palettised;
    const QImage image = Roof(width, height, static_cast<Colours>(state.range(2)), palettised);
    for (auto _ : state) {
        const std::optional<QImage> indexed = tegmora::imageio::EightBitPicture(image, palettised, Dither::None);
        benchmark::DoNotOptimize(tegmora::imageio::EightBitBitmapBytes(*indexed));
    }
}
BENCHMARK(BM_EightBitBitmap)
    ->ArgNames({"width", "height", "many_colours"})
    ->ArgsProduct({{256}, {128}, {kInPalette, kMany}})
    ->Args({1024, 1024, kInPalette})
    ->Args({1024, 1024, kMany})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

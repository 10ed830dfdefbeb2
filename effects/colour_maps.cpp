// Invert, average gray, channel swap and colour threshold: each pixel from its
// own three channels. A pixel is handled as one 32-bit word (blue in the low
// byte, the fourth byte on top) so that the loops stay branch-free and
// vectorise.
#include "engine.h"

#include <bit>
#include <cstring>

namespace tegmora::effects {
namespace {

static_assert(std::endian::native == std::endian::little,
              "pixel words assume blue in the low byte");

constexpr std::uint32_t kColourBits = 0x00FFFFFFu;
constexpr std::uint32_t kFourthByte = 0xFF000000u;

// Channel 0 (blue), 1 (green) or 2 (red) of a pixel word.
constexpr std::uint32_t ChannelOf(std::uint32_t pixel, int channel) {
    return (pixel >> (8 * channel)) & 0xFFu;
}

// Rewrites every pixel through `map` (word to word), row by row, with the
// usual progress. Reading the pixel it writes is the same as reading the
// unchanged image, so the run works in place.
template <class Map>
void MapPixels(FilterRun& run, Map map) {
    const std::size_t width = static_cast<std::size_t>(run.width());
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        std::uint8_t* const row = run.work.row(y);
        for (std::size_t x = 0; x < width; ++x) {
            std::uint32_t pixel;
            std::memcpy(&pixel, row + 4 * x, 4);
            pixel = map(pixel);
            std::memcpy(row + 4 * x, &pixel, 4);
        }
        run.rowDone(y);
    }
    run.finish();
}

// New blue, green and red taken from the channels `Blue`, `Green` and `Red`
// of the pixel (0 blue, 1 green, 2 red).
template <int Blue, int Green, int Red>
constexpr std::uint32_t Rearranged(std::uint32_t pixel) {
    return (pixel & kFourthByte) | ChannelOf(pixel, Blue) | (ChannelOf(pixel, Green) << 8) |
           (ChannelOf(pixel, Red) << 16);
}

}  // namespace

void Invert(FilterRun& run) {
    MapPixels(run, [](std::uint32_t pixel) { return pixel ^ kColourBits; });
}

void AverageGray(FilterRun& run) {
    MapPixels(run, [](std::uint32_t pixel) {
        const auto sum = static_cast<std::int32_t>(ChannelOf(pixel, 0) + ChannelOf(pixel, 1) +
                                                   ChannelOf(pixel, 2));
        return (pixel & kFourthByte) | (static_cast<std::uint32_t>(GreyLevel(sum)) * 0x010101u);
    });
}

void SwapChannels(FilterRun& run) {
    switch (run.amount) {
        case 1: return MapPixels(run, Rearranged<1, 2, 0>);
        case 2: return MapPixels(run, Rearranged<2, 0, 1>);
        case 3: return MapPixels(run, Rearranged<1, 0, 2>);
        case 4: return MapPixels(run, Rearranged<2, 1, 0>);
        case 5: return MapPixels(run, Rearranged<0, 2, 1>);
        default:
            // Any other selector writes nothing, but the run still walks every
            // row and reports it.
            for (std::int32_t y = 1; y <= run.height(); ++y) run.rowDone(y);
            run.finish();
    }
}

void ColorThreshold(FilterRun& run) {
    const SplitColour threshold = SplitColor(run.amount);
    MapPixels(run, [threshold](std::uint32_t pixel) {
        const auto below = [pixel](int channel, std::int32_t limit) -> std::uint32_t {
            return static_cast<std::int32_t>(ChannelOf(pixel, channel)) < limit;
        };
        const std::uint32_t dark =
            below(0, threshold.blue) & below(1, threshold.green) & below(2, threshold.red);
        // dark - 1 is all ones for a white pixel and zero for a black one.
        return (pixel & kFourthByte) | ((dark - 1u) & kColourBits);
    });
}

}  // namespace tegmora::effects

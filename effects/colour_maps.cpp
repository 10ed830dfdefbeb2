// Invert, average gray, channel swap and colour threshold: each pixel from its
// own three channels, row by row through the point loops.
#include "engine.h"
#include "point_loops.h"

namespace tegmora::effects {
namespace {

// Rewrites every row through `loop` (row, pixels), with the usual progress.
// Reading the pixel it writes is the same as reading the unchanged image, so
// the run works in place.
template <class Loop>
void ForEachRow(FilterRun& run, Loop loop) {
    const auto width = static_cast<std::size_t>(run.width());
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        loop(run.work.row(y), width);
        run.rowDone(y);
    }
    run.finish();
}

// New blue, green and red from the channels in `order`.
void Rearrange(FilterRun& run, ChannelOrder order) {
    ForEachRow(run, [order](std::uint8_t* row, std::size_t pixels) { RearrangeRow(row, pixels, order); });
}

}  // namespace

void Invert(FilterRun& run) { ForEachRow(run, InvertRow); }

void AverageGray(FilterRun& run) { ForEachRow(run, GreyRow); }

void SwapChannels(FilterRun& run) {
    switch (run.amount) {
        case 1: return Rearrange(run, {1, 2, 0});
        case 2: return Rearrange(run, {2, 0, 1});
        case 3: return Rearrange(run, {1, 0, 2});
        case 4: return Rearrange(run, {2, 1, 0});
        case 5: return Rearrange(run, {0, 2, 1});
        default:
            // Any other selector writes nothing, but the run still walks every
            // row and reports it.
            for (std::int32_t y = 1; y <= run.height(); ++y) run.rowDone(y);
            run.finish();
    }
}

void ColorThreshold(FilterRun& run) {
    const SplitColour limits = SplitColor(run.amount);
    ForEachRow(run, [limits](std::uint8_t* row, std::size_t pixels) { ThresholdRow(row, pixels, limits); });
}

}  // namespace tegmora::effects

// The tinted emboss filters: the difference between neighbouring pixels,
// lifted by a tint colour. The diagonal pair compares a pixel with its
// lower-right neighbour in place; the horizontal pair compares the columns
// left and right of it across three rows of the unchanged image.
#include "byte_lanes.h"
#include "engine.h"

#include <algorithm>
#include <array>
#include <vector>

namespace tegmora::effects {
namespace {

// The tint on each byte lane of a row, and which lanes are colours. Red may
// be negative for a negative amount; it enters the sum unchanged.
struct TintedLanes {
    explicit TintedLanes(const FilterRun& run) : colour(ColourLaneMask(run.width())) {
        const ColourParts split = SplitColour(run.amount);
        tint = ChannelLanes<std::int16_t>(run.width(), static_cast<std::int16_t>(split.blue),
                                          static_cast<std::int16_t>(split.green),
                                          static_cast<std::int16_t>(split.red), 0);
    }

    std::vector<std::int16_t> tint;
    std::vector<std::uint8_t> colour;
};

// Images too small to have a pixel to visit only report that they are done.
bool FinishedIfSmallerThan(FilterRun& run, std::int32_t side) {
    if (run.width() >= side && run.height() >= side) return false;
    run.finish();
    return true;
}

// v = |sign * (P(x, y) - P(x + 1, y + 1)) + t|, at most 255, over columns
// 1..W-1. Row y + 1 is not yet written, so the pixel and its neighbour are
// both the image's own.
void EmbossDiagonally(FilterRun& run, std::int32_t sign) {
    if (FinishedIfSmallerThan(run, 2)) return;
    const TintedLanes lanes(run);
    const std::int16_t* tint = lanes.tint.data();
    const std::uint8_t* colour = lanes.colour.data();
    const std::size_t count = std::size_t{4} * static_cast<std::size_t>(run.width() - 1);
    for (std::int32_t y = 1; y < run.height(); ++y) {
        std::uint8_t* row = run.work.row(y);
        const std::uint8_t* below = run.work.row(y + 1) + 4;
        for (std::size_t j = 0; j < count; ++j) {
            // Held in 16 bits (at most 510 either way) so that the loop runs
            // eight lanes a step.
            const auto v = static_cast<std::int16_t>(sign * (row[j] - below[j]) + tint[j]);
            const auto magnitude = static_cast<std::int16_t>(v < 0 ? -v : v);
            row[j] = OnColourLane(std::min<std::int16_t>(magnitude, 255), row[j], colour[j]);
        }
        run.rowDone(y);
    }
    run.finish();
}

// Three rows of the unchanged image as column differences
// sign * (S(x - 1, r) - S(x + 1, r)) on the lanes of columns 2..W-1.
// Row r + 1 is turned into differences before row r is written, so every
// difference is taken from the image as the run found it.
class ColumnDifferences {
public:
    ColumnDifferences(const PixelBuffer& image, std::int32_t sign) : image_(image), sign_(sign) {
        for (auto& row : rows_.each()) row.resize(image.stride());
    }

    void take(std::int32_t r) {
        const std::uint8_t* source = image_.row(r);
        std::int16_t* out = rows_[r].data();
        for (std::size_t j = 4; j + 4 < image_.stride(); ++j)
            out[j] = static_cast<std::int16_t>(sign_ * (source[j - 4] - source[j + 4]));
    }

    const std::int16_t* row(std::int32_t r) const { return rows_[r].data(); }

private:
    PixelBuffer image_;
    std::int32_t sign_;
    RowRing<std::vector<std::int16_t>> rows_;
};

// v = sign * (left - right) + t, limited to 0..255, over rows and columns
// 2..W-1 and 2..H-1.
void EmbossAcross(FilterRun& run, std::int32_t sign) {
    if (FinishedIfSmallerThan(run, 3)) return;
    const TintedLanes lanes(run);
    const std::int16_t* tint = lanes.tint.data();
    const std::uint8_t* colour = lanes.colour.data();
    ColumnDifferences differences(run.work, sign);
    differences.take(1);
    differences.take(2);
    const std::size_t end = run.work.stride() - 4;
    for (std::int32_t y = 2; y < run.height(); ++y) {
        differences.take(y + 1);
        const std::int16_t* above = differences.row(y - 1);
        const std::int16_t* level = differences.row(y);
        const std::int16_t* below = differences.row(y + 1);
        std::uint8_t* row = run.work.row(y);
        for (std::size_t j = 4; j < end; ++j) {
            // At most 1020 either way: 16 bits hold it.
            const auto v = static_cast<std::int16_t>(above[j] + level[j] + below[j] + tint[j]);
            row[j] = OnColourLane(std::clamp<std::int16_t>(v, 0, 255), row[j], colour[j]);
        }
        run.rowDone(y);
    }
    run.finish();
}

}  // namespace

void DiagonalEmboss(FilterRun& run) { EmbossDiagonally(run, 1); }
void ReverseDiagonalEmboss(FilterRun& run) { EmbossDiagonally(run, -1); }
void HorizontalEmboss(FilterRun& run) { EmbossAcross(run, 1); }
void ReverseHorizontalEmboss(FilterRun& run) { EmbossAcross(run, -1); }

}  // namespace tegmora::effects

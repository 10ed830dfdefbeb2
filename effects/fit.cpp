// Fitting a picture to a roof's size: a cut to the target's proportions
// around the centre, then exact area averaging. All positions are whole
// numbers of a unit small enough that every pixel edge and cut edge falls on
// one, so each overlap is an integer and the mean is a ratio of integers,
// rounded once, half up.
#include "engine.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace tegmora::effects {
namespace {

// A target pixel spans num / den source pixels on both axes: the smaller of
// the two axes' ratios, so the cut fits inside the source.
struct Scale {
    std::int64_t num;
    std::int64_t den;
};

Scale ScaleOf(ConstBitmap source, Bitmap target) {
    const bool widthLimits = std::int64_t{source.width} * target.height <= std::int64_t{source.height} * target.width;
    const std::int64_t num = widthLimits ? source.width : source.height;
    const std::int64_t den = widthLimits ? target.width : target.height;
    const std::int64_t common = std::gcd(num, den);
    return {num / common, den / common};
}

// For each target index along one axis, the source pixels it covers and how
// much of each: taps first[i] .. first[i] + count - 1, their overlaps in
// weights[offsets[i] ..]. The weights of one target pixel add up to span.
struct AxisTaps {
    std::vector<std::int32_t> first;
    std::vector<std::size_t> offsets;  // one more than target pixels
    std::vector<std::uint32_t> weights;
    std::uint32_t span = 0;

    std::size_t count(std::size_t i) const { return offsets[i + 1] - offsets[i]; }
};

// Units of 1 / (2 den) source pixel: a target pixel is 2 num units and the
// cut starts half the spare length in, S den - T num units, a whole number
// even where the spare length in pixels is odd.
AxisTaps TapsOf(std::int32_t sourceSide, std::int32_t targetSide, Scale scale) {
    const std::int64_t pixel = 2 * scale.den;
    const std::int64_t span = 2 * scale.num;
    const std::int64_t start = sourceSide * scale.den - targetSide * scale.num;
    AxisTaps taps;
    taps.span = static_cast<std::uint32_t>(span);
    taps.offsets.push_back(0);
    for (std::int64_t i = 0; i < targetSide; ++i) {
        const std::int64_t low = start + i * span;
        const std::int64_t high = low + span;
        taps.first.push_back(static_cast<std::int32_t>(low / pixel));
        for (std::int64_t k = low / pixel; k * pixel < high; ++k)
            taps.weights.push_back(static_cast<std::uint32_t>(std::min(high, (k + 1) * pixel) - std::max(low, k * pixel)));
        taps.offsets.push_back(taps.weights.size());
    }
    return taps;
}

const std::uint8_t* SourceRow(ConstBitmap source, std::int32_t y) {
    return source.bits + std::size_t{4} * static_cast<std::size_t>(source.width) * static_cast<std::size_t>(y);
}

}  // namespace

// Rows first: each target row's source rows are summed, weighted, over the
// cut's width, a loop over whole rows of bytes that vectorises; then each
// target pixel sums its columns of that. A row sum stays below span * 256,
// which fits 32 bits for sides below 2^23; the final sum below span^2 * 256.
void FitToSize(ConstBitmap source, Bitmap target) {
    const Scale scale = ScaleOf(source, target);
    const AxisTaps columns = TapsOf(source.width, target.width, scale);
    const AxisTaps rows = TapsOf(source.height, target.height, scale);
    const std::int32_t cutLeft = columns.first.front();
    const std::size_t cutBytes =
        4 * (static_cast<std::size_t>(columns.first.back()) + columns.count(columns.first.size() - 1) -
             static_cast<std::size_t>(cutLeft));
    const std::uint64_t area = std::uint64_t{columns.span} * rows.span;
    std::vector<std::uint32_t> rowSums(cutBytes);
    std::uint8_t* out = target.bits;
    for (std::size_t j = 0; j < rows.first.size(); ++j) {
        std::fill(rowSums.begin(), rowSums.end(), 0u);
        for (std::size_t t = 0; t < rows.count(j); ++t) {
            const std::uint32_t weight = rows.weights[rows.offsets[j] + t];
            const std::uint8_t* in = SourceRow(source, rows.first[j] + static_cast<std::int32_t>(t)) + 4 * cutLeft;
            for (std::size_t b = 0; b < cutBytes; ++b) rowSums[b] += weight * in[b];
        }
        for (std::size_t i = 0; i < columns.first.size(); ++i, out += 4) {
            std::uint64_t sums[4] = {0, 0, 0, 0};
            const std::uint32_t* column = rowSums.data() + 4 * static_cast<std::size_t>(columns.first[i] - cutLeft);
            for (std::size_t t = 0; t < columns.count(i); ++t, column += 4) {
                const std::uint64_t weight = columns.weights[columns.offsets[i] + t];
                for (int c = 0; c < 4; ++c) sums[c] += weight * column[c];
            }
            for (int c = 0; c < 4; ++c) out[c] = static_cast<std::uint8_t>((sums[c] + area / 2) / area);
        }
    }
}

}  // namespace tegmora::effects

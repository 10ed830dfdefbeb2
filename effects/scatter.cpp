// Diffuse, pixelize and noise: pixels moved, merged into blocks or shaken by
// random offsets rather than mixed with their neighbours.
#include "engine.h"

#include <algorithm>
#include <optional>
#include <span>
#include <vector>

namespace tegmora::effects {
namespace {

// Offsets from draws on [0, 1): draw * A - half, rounded. For every 32-bit A
// the value lies within 2^30 of 0, so it cannot overflow.
void OffsetsFromDraws(std::span<const float> draws, std::int32_t amount, double half,
                      std::span<std::int32_t> offsets) {
    for (std::size_t i = 0; i < draws.size(); ++i)
        offsets[i] = RoundHalfEven(double{draws[i]} * amount - half);
}

// from + offset, or `from` itself when that lies outside 1..limit: an offset
// that would leave the image is dropped, not clamped to the border.
std::int64_t Inside(std::int64_t from, std::int64_t offset, std::int64_t limit) {
    const std::int64_t to = from + offset;
    return to < 1 || to > limit ? from : to;
}

// Each pixel of row y takes the colour at its offsets, horizontal first, read
// from the image being written: sources above or to the left have already moved.
void DisplaceRow(const PixelBuffer& work, std::int32_t y, std::span<const std::int32_t> offsets) {
    std::uint8_t* target = work.row(y);
    for (std::int32_t x = 1; x <= work.width; ++x, target += 4) {
        const std::size_t at = 2 * static_cast<std::size_t>(x - 1);
        const auto sourceX = static_cast<std::int32_t>(Inside(x, offsets[at], work.width));
        const auto sourceY = static_cast<std::int32_t>(Inside(y, offsets[at + 1], work.height));
        const std::uint8_t* source =
            work.row(sourceY) + std::size_t{4} * static_cast<std::size_t>(sourceX - 1);
        target[0] = source[0];
        target[1] = source[1];
        target[2] = source[2];
    }
}

// Rows handled together when the sums of a block's columns are gathered in
// 16 bits: 257 * 255 = 65535.
constexpr std::int32_t kRowsPerColumnSum = 257;

// The mean sum / count of a block, rounded down, without a division per block:
// the sum times a rounded reciprocal is off by at most one, downward. The
// sum is at most 255 * count with count below 2^31, so the estimate is
// within 2^-44 of the quotient; a quotient with a fraction has one of at
// least 1 / count, far more than that, and only an exact quotient can come
// out one too low.
class MeanDivider {
public:
    explicit MeanDivider(std::uint64_t count)
        : count_(count), reciprocal_(1.0 / static_cast<double>(count)) {}

    std::uint8_t operator()(std::uint64_t sum) const {
        auto mean = static_cast<std::uint64_t>(static_cast<double>(sum) * reciprocal_);
        if ((mean + 1) * count_ <= sum) ++mean;
        return static_cast<std::uint8_t>(mean);
    }

private:
    std::uint64_t count_;
    double reciprocal_;
};

// The block means of one row of blocks, as a row of pixels to paint.
class BlockMeans {
public:
    BlockMeans(std::int32_t width, std::int32_t size)
        : columns_(std::size_t{4} * static_cast<std::size_t>(width)), means_(columns_.size()) {
        for (std::int64_t first = 1; first <= width; first += size) {
            const std::int64_t last = std::min<std::int64_t>(first + size - 1, width);
            widths_.push_back(static_cast<std::int32_t>(last - first + 1));
        }
        sums_.resize(3 * widths_.size());
    }

    // The means of the blocks whose rows are first..last.
    const std::uint8_t* compute(const PixelBuffer& image, std::int32_t first, std::int32_t last) {
        std::fill(sums_.begin(), sums_.end(), 0);
        for (std::int32_t y = first; y <= last; y += kRowsPerColumnSum) {
            std::fill(columns_.begin(), columns_.end(), 0);
            const std::int32_t end = std::min(last, y + kRowsPerColumnSum - 1);
            for (std::int32_t row = y; row <= end; ++row) {
                if (row < image.height) Prefetch(image.row(row + 1), image.stride());
                AddRow(image.row(row));
            }
            AddColumnsToBlocks();
        }
        const auto rows = static_cast<std::uint64_t>(last - first + 1);
        std::uint8_t* pixel = means_.data();
        // Every block but the last has the same count.
        const MeanDivider wholeBlock(rows * static_cast<std::uint64_t>(widths_.front()));
        const MeanDivider lastBlock(rows * static_cast<std::uint64_t>(widths_.back()));
        for (std::size_t block = 0; block < widths_.size(); ++block) {
            const MeanDivider& divide = block + 1 < widths_.size() ? wholeBlock : lastBlock;
            const std::uint64_t* sum = &sums_[3 * block];
            const std::uint8_t mean[3] = {divide(sum[0]), divide(sum[1]), divide(sum[2])};
            for (std::int32_t x = 0; x < widths_[block]; ++x, pixel += 4)
                std::copy(mean, mean + 3, pixel);
        }
        return means_.data();
    }

private:
    void AddRow(const std::uint8_t* row) {
        for (std::size_t i = 0; i < columns_.size(); ++i)
            columns_[i] = static_cast<std::uint16_t>(columns_[i] + row[i]);
    }

    void AddColumnsToBlocks() {
        const std::uint16_t* column = columns_.data();
        for (std::size_t block = 0; block < widths_.size(); ++block) {
            std::uint64_t* sum = &sums_[3 * block];
            for (std::int32_t x = 0; x < widths_[block]; ++x, column += 4) {
                sum[0] += column[0];
                sum[1] += column[1];
                sum[2] += column[2];
            }
        }
    }

    std::vector<std::int32_t> widths_;  // of each block, left to right
    std::vector<std::uint16_t> columns_;
    std::vector<std::uint64_t> sums_;  // blue, green, red of each block
    std::vector<std::uint8_t> means_;
};

// The last row of the blocks whose first row is `first`. Negative sizes
// make no blocks: the whole image is painted at once.
std::int32_t LastRowOfBlocks(std::int32_t first, std::int32_t size, std::int32_t height) {
    if (size < 0) return height;
    return static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{first} + size - 1, height));
}

// One channel of one pixel: v + r * (2A + 1) - A, rounded and clamped. The
// sum stays within +-(2^30 + 256).
inline std::uint8_t Noisy(std::uint8_t level, float draw, double span, double amount) {
    return ClampByte(RoundHalfEven(static_cast<double>(draw) * span - amount + level));
}

// 2A + 1, formed after the first pixel's blue draw: a run whose span leaves
// 32 bits still takes that one draw before it fails.
std::int32_t NoiseSpan(FilterRun& run) {
    const std::int64_t span = 2 * std::int64_t{run.amount} + 1;
    if (span != static_cast<std::int32_t>(span)) {
        float first;
        run.draw(std::span(&first, 1));
        Raise(ErrorKind::Overflow);
    }
    return static_cast<std::int32_t>(span);
}

}  // namespace

void Diffuse(FilterRun& run) {
    const double half = Nearest(run.amount / 2.0);
    const std::size_t draws = 2 * static_cast<std::size_t>(run.width());
    std::vector<float> drawn(draws);
    std::vector<std::int32_t> offsets(draws);
    ForEachRow(run, [&](std::uint8_t*, std::size_t, std::int32_t y) {
        run.draw(drawn);
        OffsetsFromDraws(drawn, run.amount, half, offsets);
        DisplaceRow(run.work, y, offsets);
    });
}

// Blocks of size x size pixels from the top-left corner; the last ones in
// each direction hold what is left. Each block row's means are taken at its
// first row, from rows not yet written.
void Pixelize(FilterRun& run) {
    const std::int32_t size = run.amount;
    if (size == 0) Raise(ErrorKind::DivisionByZero);
    const PixelBuffer& work = run.work;
    // A negative size makes every block empty: nothing is counted and every
    // pixel turns black.
    std::vector<std::uint8_t> black;
    std::optional<BlockMeans> means;
    if (size > 0) {
        means.emplace(run.width(), size);
    } else {
        black.assign(work.stride(), 0);
    }
    for (std::int32_t first = 1; first <= run.height();) {
        const std::int32_t last = LastRowOfBlocks(first, size, run.height());
        const std::uint8_t* colours = means ? means->compute(work, first, last) : black.data();
        for (std::int32_t y = first; y <= last; ++y) {
            StoreColours(work.row(y), colours, run.width());
            run.rowDone(y);
        }
        first = last + 1;
    }
    run.finish();
}

void Noise(FilterRun& run) {
    const double span = NoiseSpan(run);
    const double amount = run.amount;
    const std::size_t width = static_cast<std::size_t>(run.width());
    std::vector<float> draws(3 * width);
    ForEachRow(run, [&](std::uint8_t* row, std::size_t pixels) {
        run.draw(draws);
        for (std::size_t x = 0; x < pixels; ++x, row += 4)
            for (std::size_t c = 0; c < 3; ++c) row[c] = Noisy(row[c], draws[3 * x + c], span, amount);
    });
}

}  // namespace tegmora::effects

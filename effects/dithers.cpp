// The black-and-white dithers: black and white (sharpened grey against the
// mean, a quarter of the error carried on), a repeated 4 x 4 threshold matrix,
// and error diffusion against the image's mean grey with three kernels that
// differ only in their weights.
#include "engine.h"

#include <algorithm>
#include <array>
#include <vector>

namespace tegmora::effects {
namespace {

// Pixels are handled as whole 32-bit words, so that a pixel is one load and
// one store and the fourth byte rides along untouched.
inline std::int32_t ChannelSum(std::uint32_t pixel) {
    return static_cast<std::int32_t>(ChannelOf(pixel, 0) + ChannelOf(pixel, 1) + ChannelOf(pixel, 2));
}

// Stores the pixel black or white, keeping its fourth byte.
inline void StoreBlackOrWhite(std::uint8_t* p, std::uint32_t pixel, bool white) {
    // Arithmetic rather than a choice: a branch here would be mispredicted on
    // every other pixel of a dithered image.
    StorePixel(p, KeepFourthByte(0u - static_cast<std::uint32_t>(white), pixel));
}

// Each of the grey steps 1..16 once, so that step k whitens k cells of a tile.
constexpr std::uint8_t kDitherMatrix[4][4] = {
    {1, 13, 4, 16},
    {9, 5, 12, 8},
    {3, 15, 2, 14},
    {11, 7, 10, 6},
};

// The grey step 1..16 of a channel sum B + G + R.
constexpr std::int32_t GreyStep(std::int32_t channelSum) { return channelSum / 48 + 1; }

// The smallest channel sum whose grey step reaches `threshold`: comparing
// sums against it gives the same answer as comparing steps, and needs no
// look-up per pixel.
std::int32_t SmallestSumReaching(std::int32_t threshold) {
    std::int32_t sum = 0;
    while (sum <= 765 && GreyStep(sum) < threshold) ++sum;
    return sum;
}

// For each of the four matrix rows, the smallest white sum of every column
// of the image: the matrix repeated along a row, built once per run.
std::array<std::vector<std::int32_t>, 4> WhiteSumRows(std::int32_t width) {
    std::array<std::vector<std::int32_t>, 4> rows;
    for (std::size_t r = 0; r < 4; ++r) {
        std::int32_t phase[4];
        for (std::size_t c = 0; c < 4; ++c) phase[c] = SmallestSumReaching(kDitherMatrix[r][c]);
        rows[r].resize(static_cast<std::size_t>(width));
        for (std::size_t x = 0; x < rows[r].size(); ++x) rows[r][x] = phase[x % 4];
    }
    return rows;
}

void OrderedDitherRow(std::uint8_t* row, const std::int32_t* whiteSums, std::int32_t width) {
    for (std::int32_t x = 0; x < width; ++x) {
        std::uint8_t* p = row + std::size_t{4} * static_cast<std::size_t>(x);
        const std::uint32_t pixel = LoadPixel(p);
        StoreBlackOrWhite(p, pixel, ChannelSum(pixel) >= whiteSums[x]);
    }
}

// One target of an error-diffusion kernel: `row` 0 is the row being decided,
// `column` is relative to the pixel, `weight` is over the kernel's divisor.
struct Spread {
    std::int32_t row;
    std::int32_t column;
    std::int32_t weight;
};

// The widest reach of any kernel beside the pixel.
constexpr std::int32_t kReach = 2;

template <std::size_t N>
struct DiffusionKernel {
    std::int32_t divisor;
    std::int32_t firstProgress;  // reported once the tables are ready
    std::array<Spread, N> spreads;

    constexpr std::int32_t errorRows() const {
        std::int32_t last = 0;
        for (const Spread& s : spreads) last = std::max(last, s.row);
        return last + 1;
    }
    // Every error lies in -255..255, and a carried error is the sum of at
    // most one (weight * error) / divisor, rounded toward zero, per target
    // offset.
    constexpr std::int32_t carryBound() const {
        std::int32_t bound = 0;
        for (const Spread& s : spreads) bound += s.weight * 255 / divisor;
        return bound;
    }
    // What the decision loop relies on: the first spread goes to the next
    // pixel, any other on the same row to the one after, and the rest to at
    // most two rows below within kReach columns.
    constexpr bool fits() const {
        for (std::size_t k = 0; k < N; ++k) {
            const Spread& s = spreads[k];
            const bool sameRowFits = s.row == 0 && s.column == (k == 0 ? 1 : 2);
            const bool belowFits =
                k > 0 && s.row >= 1 && s.row <= 2 && s.column >= -kReach && s.column <= kReach;
            if (!sameRowFits && !belowFits) return false;
        }
        return carryBound() <= 255;
    }
};

constexpr DiffusionKernel<4> kFloydSteinberg{16, 2, {{{0, 1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}}}};

constexpr DiffusionKernel<7> kBurkes{
    32, 3, {{{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}}}};

constexpr DiffusionKernel<12> kStucki{42,
                                      3,
                                      {{{0, 1, 8},
                                        {0, 2, 4},
                                        {1, -2, 2},
                                        {1, -1, 4},
                                        {1, 0, 8},
                                        {1, 1, 4},
                                        {1, 2, 2},
                                        {2, -2, 1},
                                        {2, -1, 2},
                                        {2, 0, 4},
                                        {2, 1, 2},
                                        {2, 2, 1}}}};

static_assert(kFloydSteinberg.fits() && kBurkes.fits() && kStucki.fits());

// The error rows of one run. Each has kReach spare columns to the left, where
// the shares for columns left of the image go; shares for columns right of
// it or rows below it are dropped or never read.
class ErrorRows {
public:
    ErrorRows(std::int32_t count, std::int32_t width)
        : stride_(static_cast<std::size_t>(width) + kReach),
          storage_(stride_ * static_cast<std::size_t>(count), 0),
          rows_(static_cast<std::size_t>(count)) {
        for (std::size_t r = 0; r < rows_.size(); ++r) rows_[r] = storage_.data() + r * stride_ + kReach;
    }

    // Column 0 of row r (0 = the row being decided).
    std::int32_t* operator[](std::size_t r) const { return rows_[r]; }

    // Moves every row up by one and starts an empty last row.
    void advance() {
        std::rotate(rows_.begin(), rows_.begin() + 1, rows_.end());
        std::fill_n(rows_.back() - kReach, stride_, 0);
    }

private:
    std::size_t stride_;
    std::vector<std::int32_t> storage_;
    std::vector<std::int32_t*> rows_;
};

// The shares one pixel passes to the five columns x - 2 .. x + 2 of a row
// below, packed into one 64-bit word as signed 12-bit lanes (lane j for
// column x - 2 + j). A lane holds what one row passes to one cell, at most
// 255 in size, so adding packed words adds lane by lane.
constexpr int kLaneBits = 12;
static_assert((2 * kReach + 1) * kLaneBits < 64);

constexpr std::int64_t PackedShare(std::int32_t share, std::int32_t column) {
    return std::int64_t{share} * (std::int64_t{1} << (kLaneBits * (column + kReach)));
}

// Takes lane 0 off a packed window, sign extended, and moves the rest down.
inline std::int32_t TakeLowLane(std::int64_t& window) {
    const std::int64_t low =
        static_cast<std::int64_t>(static_cast<std::uint64_t>(window) << (64 - kLaneBits)) >> (64 - kLaneBits);
    window = (window - low) >> kLaneBits;
    return static_cast<std::int32_t>(low);
}

// The weighted-error table: (w * e) / divisor, rounded toward zero, for
// every error e in -255..255, the kernel's weights in order.
template <const auto& kKernel>
std::vector<std::int32_t> WeightedErrors() {
    constexpr std::size_t n = kKernel.spreads.size();
    std::vector<std::int32_t> table(511 * n);
    for (std::int32_t e = -255; e <= 255; ++e)
        for (std::size_t k = 0; k < n; ++k)
            table[static_cast<std::size_t>(e + 255) * n + k] =
                kKernel.spreads[k].weight * e / kKernel.divisor;
    return table;
}

// (10 * c) / A, rounded toward zero, for every carried error c the kernel
// can produce, so that the hot loop divides nothing. Entries are held to
// -255..255: a grey level plus any correction beyond that clamps to the same
// 0 or 255.
std::vector<std::int32_t> ScaledCarries(std::int32_t bound, std::int32_t amount) {
    std::vector<std::int32_t> table(static_cast<std::size_t>(2 * bound + 1));
    for (std::int32_t c = -bound; c <= bound; ++c)
        table[static_cast<std::size_t>(c + bound)] = std::clamp(10 * c / amount, -255, 255);
    return table;
}

// A grey level plus a correction, before the clamp: -255..510. The decision
// loop works on these sums; every table it reads is indexed by them, the
// clamp folded in.
constexpr std::int32_t kLowestSum = -255;
constexpr std::size_t kSums = 766;

inline std::int32_t Clamped(std::int32_t sum) { return std::clamp(sum, 0, 255); }

// The weighted errors rearranged by sum once the mean has decided which
// corrected greys turn white.
template <std::size_t kRowsBelow>
struct ShareTables {
    // The share for the next pixel of the row: the one look-up on the chain
    // from one pixel to the next.
    std::array<std::int32_t, kSums> nextPixel{};
    // The share for the pixel after that.
    std::array<std::int32_t, kSums> secondPixel{};
    // The packed shares for each row below.
    std::array<std::array<std::int64_t, kSums>, kRowsBelow> below{};
};

template <const auto& kKernel>
using KernelTables = ShareTables<static_cast<std::size_t>(kKernel.errorRows() - 1)>;

template <const auto& kKernel>
void ResolveShares(const std::vector<std::int32_t>& weighted, std::int32_t mean,
                   KernelTables<kKernel>& tables) {
    constexpr std::size_t n = kKernel.spreads.size();
    for (std::size_t at = 0; at < kSums; ++at) {
        const std::int32_t corrected = Clamped(static_cast<std::int32_t>(at) + kLowestSum);
        const std::int32_t error = corrected - (corrected < mean ? 0 : 255);
        const std::int32_t* shares = weighted.data() + static_cast<std::size_t>(error + 255) * n;
        tables.nextPixel[at] = shares[0];
        for (std::size_t k = 1; k < n; ++k) {
            const Spread& s = kKernel.spreads[k];
            if (s.row > 0)
                tables.below[static_cast<std::size_t>(s.row - 1)][at] += PackedShare(shares[k], s.column);
            else
                tables.secondPixel[at] = shares[k];
        }
    }
}

void GreyLevels(const std::uint8_t* row, std::int32_t width, std::int32_t* levels) {
    for (std::int32_t x = 0; x < width; ++x) {
        const auto sum = static_cast<std::uint32_t>(ChannelSum(LoadPixel(row + std::size_t{4} * x)));
        levels[x] = GreyLevel(static_cast<std::int32_t>(sum));
    }
}

void StoreDecisions(std::uint8_t* row, std::int32_t width, const std::int32_t* sums, std::int32_t mean) {
    for (std::int32_t x = 0; x < width; ++x) {
        std::uint8_t* p = row + std::size_t{4} * static_cast<std::size_t>(x);
        StoreBlackOrWhite(p, LoadPixel(p), Clamped(sums[x]) >= mean);
    }
}

template <std::size_t kRowsBelow>
struct DitherPass {
    std::int32_t mean;
    const std::int32_t* scaled;  // (10 * c) / A rounded toward zero, indexed by the carried error c
    const ShareTables<kRowsBelow>& shares;
};

// Clang before version 17 deduces no template arguments for aggregates.
template <std::size_t kRowsBelow>
DitherPass(std::int32_t, const std::int32_t*, const ShareTables<kRowsBelow>&) -> DitherPass<kRowsBelow>;

// One row while it is being decided: its grey levels, which become the
// corrected sums in place, the error it takes in and the error rows below it.
// What it passes to its own next two pixels stays in registers, so that the
// chain from pixel to pixel runs through one look-up and no memory. What it
// passes to a row below gathers in a packed window of five columns; column
// x - 2, which no later pixel reaches, leaves the window for the error row
// after each pixel.
template <std::size_t kRowsBelow>
struct RowCursor {
    RowCursor(std::int32_t* sums, const ErrorRows& errors, std::size_t row)
        : sums(sums), carriedIn(errors[row]) {
        for (std::size_t r = 0; r < kRowsBelow; ++r) below[r] = errors[row + 1 + r];
    }

    std::int32_t* sums;
    const std::int32_t* carriedIn;
    std::array<std::int32_t*, kRowsBelow> below;
    std::array<std::int64_t, kRowsBelow> window{};
    // The shares this pixel takes from the one and the two before it, and
    // what the one before passes on to the next.
    std::ptrdiff_t fromLast = 0;
    std::ptrdiff_t fromSecondLast = 0;
    std::ptrdiff_t lastToSecond = 0;
};

template <bool kUnscaled, std::size_t kRowsBelow>
inline void Decide(RowCursor<kRowsBelow>& row, std::ptrdiff_t x, const DitherPass<kRowsBelow>& pass) {
    const std::int32_t* nextPixel = pass.shares.nextPixel.data() - kLowestSum;
    const std::int32_t* secondPixel = pass.shares.secondPixel.data() - kLowestSum;
    // Summed so that only the share from the last pixel waits on it.
    const std::ptrdiff_t level = row.sums[x];
    const std::ptrdiff_t carried = row.carriedIn[x] + row.fromSecondLast;
    const std::ptrdiff_t sum =
        kUnscaled ? (level + carried) + row.fromLast : level + pass.scaled[carried + row.fromLast];
    row.sums[x] = static_cast<std::int32_t>(sum);
    row.fromLast = nextPixel[sum];
    row.fromSecondLast = row.lastToSecond;
    row.lastToSecond = secondPixel[sum];
    for (std::size_t r = 0; r < kRowsBelow; ++r) {
        row.window[r] += pass.shares.below[r][static_cast<std::size_t>(sum - kLowestSum)];
        row.below[r][x - kReach] += TakeLowLane(row.window[r]);
    }
}

// The last two columns of each row below are still in the windows.
template <std::size_t kRowsBelow>
inline void FinishRow(RowCursor<kRowsBelow>& row, std::int32_t width) {
    for (std::size_t r = 0; r < kRowsBelow; ++r)
        for (std::int32_t column = width - kReach; column < width; ++column)
            row.below[r][column] += TakeLowLane(row.window[r]);
}

template <bool kUnscaled, std::size_t kRowsBelow>
void DecideRow(RowCursor<kRowsBelow> row, std::int32_t width, const DitherPass<kRowsBelow>& pass) {
    for (std::ptrdiff_t x = 0; x < width; ++x) Decide<kUnscaled>(row, x, pass);
    FinishRow(row, width);
}

// Decides two rows together, the lower kLag pixels behind the upper, so
// that their two chains overlap in time. By then every pixel of the upper row
// that passes anything to a pixel of the lower has been decided.
constexpr std::ptrdiff_t kLag = kReach + 1;

template <bool kUnscaled, std::size_t kRowsBelow>
void DecideRowPair(RowCursor<kRowsBelow> upper, RowCursor<kRowsBelow> lower, std::int32_t width,
                   const DitherPass<kRowsBelow>& pass) {
    const std::ptrdiff_t lead = std::min<std::ptrdiff_t>(kLag, width);
    for (std::ptrdiff_t x = 0; x < lead; ++x) Decide<kUnscaled>(upper, x, pass);
    for (std::ptrdiff_t x = kLag; x < width; ++x) {
        Decide<kUnscaled>(upper, x, pass);
        Decide<kUnscaled>(lower, x - kLag, pass);
    }
    FinishRow(upper, width);
    for (std::ptrdiff_t x = width - lead; x < width; ++x) Decide<kUnscaled>(lower, x, pass);
    FinishRow(lower, width);
}

// The dither pass: grey levels in, corrected sums decided two rows at a time,
// black and white out.
template <bool kUnscaled, std::size_t kRowsBelow>
void DitherRows(FilterRun& run, ErrorRows& errors, const DitherPass<kRowsBelow>& pass) {
    const std::int32_t width = run.width();
    std::vector<std::int32_t> upper(static_cast<std::size_t>(width));
    std::vector<std::int32_t> lower(static_cast<std::size_t>(width));
    std::int32_t y = 1;
    for (; y < run.height(); y += 2) {
        GreyLevels(run.work.row(y), width, upper.data());
        GreyLevels(run.work.row(y + 1), width, lower.data());
        DecideRowPair<kUnscaled>(RowCursor<kRowsBelow>(upper.data(), errors, 0),
                                 RowCursor<kRowsBelow>(lower.data(), errors, 1), width, pass);
        StoreDecisions(run.work.row(y), width, upper.data(), pass.mean);
        StoreDecisions(run.work.row(y + 1), width, lower.data(), pass.mean);
        errors.advance();
        errors.advance();
        run.rowDone(y, 10, 90);
        run.rowDone(y + 1, 10, 90);
    }
    if (y == run.height()) {
        GreyLevels(run.work.row(y), width, upper.data());
        DecideRow<kUnscaled>(RowCursor<kRowsBelow>(upper.data(), errors, 0), width, pass);
        StoreDecisions(run.work.row(y), width, upper.data(), pass.mean);
        run.rowDone(y, 10, 90);
    }
}

template <const auto& kKernel>
void DiffuseErrors(FilterRun& run) {
    constexpr std::int32_t bound = kKernel.carryBound();
    const std::vector<std::int32_t> weighted = WeightedErrors<kKernel>();
    // The rows of a pair and the rows below the lower one.
    ErrorRows errors(kKernel.errorRows() + 1, run.width());
    run.report(kKernel.firstProgress);

    const std::int32_t mean = MeanGreyLevel(run.work);
    run.report(10);
    if (run.amount == 0) Raise(ErrorKind::DivisionByZero);
    const std::vector<std::int32_t> scaled = ScaledCarries(bound, run.amount);
    KernelTables<kKernel> tables;
    ResolveShares<kKernel>(weighted, mean, tables);
    const DitherPass pass{mean, scaled.data() + bound, tables};
    // Ten tenths of the carried error is the error itself.
    if (run.amount == 10)
        DitherRows<true>(run, errors, pass);
    else
        DitherRows<false>(run, errors, pass);
    run.finish();
}

// The grey level of the pixel at byte offset `i` of `row`.
std::uint8_t OwnLevel(const std::uint8_t* row, std::size_t i) {
    return static_cast<std::uint8_t>(GreyLevel(row[i] + row[i + 1] + row[i + 2]));
}

// Sharpened grey levels of a row: each channel becomes 10 times itself minus
// its 8 neighbours, halved and clamped, and the level is the truncated mean
// of the three. The sum of each column of three is formed once and shared by
// the three pixels that read it; all four bytes of a pixel are computed so
// that the loops run over contiguous bytes and vectorise.
class RowSharpener {
public:
    explicit RowSharpener(std::size_t width) : columns_(4 * width), sharp_(4 * width) {}

    // The levels of pixels 2..W-1 of the middle row into levels[1..W-2];
    // the ends of the row are not sharpened.
    void interior(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down,
                  std::span<std::uint8_t> levels) {
        const std::size_t bytes = columns_.size();
        for (std::size_t i = 0; i < bytes; ++i)
            columns_[i] = static_cast<std::int16_t>(up[i] + mid[i] + down[i]);
        // Ten times the centre less its eight neighbours is eleven times it
        // less its column and the two beside. 16-bit lanes throughout (the
        // values lie within -2295..2805), which doubles the bytes per
        // instruction.
        for (std::size_t i = 4; i + 4 < bytes; ++i) {
            const std::int16_t centre = mid[i];
            const auto sum = static_cast<std::int16_t>(11 * centre - columns_[i - 4] - columns_[i] -
                                                       columns_[i + 4]);
            // A negative sum clamps to 0 however it is halved, so a shift
            // serves for the truncating division.
            const auto half = static_cast<std::int16_t>(sum >> 1);
            sharp_[i] = static_cast<std::uint8_t>(std::clamp<std::int16_t>(half, 0, 255));
        }
        for (std::size_t x = 1; x + 1 < levels.size(); ++x)
            levels[x] = OwnLevel(sharp_.data(), 4 * x);
    }

private:
    std::vector<std::int16_t> columns_;
    std::vector<std::uint8_t> sharp_;
};

// The grey level of every pixel of row y after sharpening; the one-pixel
// frame of the image is not sharpened.
void SharpenedLevels(const SourceRows& source, std::int32_t y, std::int32_t height,
                     RowSharpener& sharpener, std::span<std::uint8_t> levels) {
    const std::size_t width = levels.size();
    const std::uint8_t* const mid = source.row(y);
    if (y == 1 || y == height || width < 3) {
        for (std::size_t x = 0; x < width; ++x) levels[x] = OwnLevel(mid, 4 * x);
        return;
    }
    sharpener.interior(source.row(y - 1), mid, source.row(y + 1), levels);
    levels[0] = OwnLevel(mid, 0);
    levels[width - 1] = OwnLevel(mid, 4 * (width - 1));
}

// Black where the level plus the carried error falls below the mean, white
// elsewhere; a quarter of what that choice got wrong, truncated, goes on to
// the next pixel, across row ends too. The error stays within +-63, so both
// outcomes are tabulated over level + error once per run. The error chains
// every pixel to the one before, so the loop runs at the speed of that
// chain: each level has its own pointers into the tables, which leaves one
// load, indexed by the previous error, between one error and the next.
class ErrorDiffusion {
public:
    explicit ErrorDiffusion(std::int32_t mean) {
        for (std::int32_t u = kLowest; u <= kHighest; ++u) {
            const std::int32_t t = std::clamp(u, 0, 255);
            const std::int32_t out = t >= mean ? 255 : 0;
            colour_[Index(u)] = static_cast<std::uint8_t>(out);
            carried_[Index(u)] = static_cast<std::int8_t>((t - out) / 4);
        }
        for (std::int32_t level = 0; level < 256; ++level)
            steps_[level] = {colour_.data() + Index(level), carried_.data() + Index(level)};
    }

    // The steps point into the object itself.
    ErrorDiffusion(const ErrorDiffusion&) = delete;
    ErrorDiffusion& operator=(const ErrorDiffusion&) = delete;

    void row(std::uint8_t* pixels, std::span<const std::uint8_t> levels) {
        // A local copy: the pixel stores could alias the member and would
        // keep it out of a register.
        std::ptrdiff_t error = error_;
        for (const std::uint8_t level : levels) {
            const Step& step = steps_[level];
            pixels[0] = pixels[1] = pixels[2] = step.colour[error];
            error = step.carried[error];
            pixels += 4;
        }
        error_ = static_cast<std::int32_t>(error);
    }

private:
    static constexpr std::int32_t kLargestError = 63;  // 255 / 4, rounded down
    static constexpr std::int32_t kLowest = -kLargestError;
    static constexpr std::int32_t kHighest = 255 + kLargestError;
    static std::size_t Index(std::int32_t u) { return static_cast<std::size_t>(u - kLowest); }

    // Where a level's outcomes start, indexed by the error it receives.
    struct Step {
        const std::uint8_t* colour;
        const std::int8_t* carried;
    };

    std::array<std::uint8_t, kHighest - kLowest + 1> colour_;
    std::array<std::int8_t, kHighest - kLowest + 1> carried_;
    std::array<Step, 256> steps_;
    std::int32_t error_ = 0;  // set once for the whole run
};

}  // namespace

void OrderedDither(FilterRun& run) {
    const std::array<std::vector<std::int32_t>, 4> whiteSums = WhiteSumRows(run.width());
    ForEachRow(run, [&](std::uint8_t* row, std::size_t, std::int32_t y) {
        OrderedDitherRow(row, whiteSums[static_cast<std::size_t>((y - 1) % 4)].data(), run.width());
    });
}

void FloydSteinbergDither(FilterRun& run) { DiffuseErrors<kFloydSteinberg>(run); }
void BurkesDither(FilterRun& run) { DiffuseErrors<kBurkes>(run); }
void StuckiDither(FilterRun& run) { DiffuseErrors<kStucki>(run); }

void BlackAndWhite(FilterRun& run) {
    const std::int32_t mean = MeanGreyLevel(run.work);
    run.report(5);
    SourceRows source(run);
    const auto width = static_cast<std::size_t>(run.width());
    RowSharpener sharpener(width);
    std::vector<std::uint8_t> levels(width);
    ErrorDiffusion threshold(mean);
    ForEachRow(
        run,
        [&](std::uint8_t* row, std::size_t, std::int32_t y) {
            source.enter(y);
            SharpenedLevels(source, y, run.height(), sharpener, levels);
            threshold.row(row, levels);
        },
        5, 95);
}

}  // namespace tegmora::effects

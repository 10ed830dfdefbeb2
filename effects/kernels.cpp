// The six 3 x 3 kernel filters. Each kernel is a row of data; one routine
// runs the four that read their own results in place, another the two that
// read the unchanged image. Rows 1 and H and columns 1 and W are only read.
#include "engine.h"
#include "point_loops.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace tegmora::effects {
namespace {

enum class Reads {
    InPlace,   // WorkBits: the results above and to the left are already in
    Snapshot,  // SourceBits: the image as the run found it
};

struct Kernel {
    // Rows dy = -1, 0, +1; within a row dx = -1, 0, +1.
    std::array<std::int32_t, 9> weights;
    std::int32_t divisor = 1;
    // The centre weight and the divisor are the amount plus the values above.
    bool addsAmount = false;
    Reads reads = Reads::InPlace;
    bool clamps = false;
    // Added after the division; Contour adds the amount's colour instead.
    std::int32_t offset = 0;
    bool offsetIsColour = false;
};

constexpr int kLeft = 3;
constexpr int kCentre = 4;

constexpr Kernel kSharpen{.weights = {-2, -2, -2, -2, 24, -2, -2, -2, -2},
                          .divisor = 8, .addsAmount = true, .clamps = true};
constexpr Kernel kBlur{.weights = {1, 1, 1, 1, 0, 1, 1, 1, 1}, .divisor = 8};
constexpr Kernel kSmooth{.weights = {0, 1, 0, 1, 1, 1, 0, 1, 0}, .divisor = 5};
constexpr Kernel kEdgeEnhance{.weights = {-1, -1, -1, -1, 9, -1, -1, -1, -1},
                              .divisor = 1, .addsAmount = true, .clamps = true};
constexpr Kernel kContour{.weights = {-1, -1, -1, -1, 8, -1, -1, -1, -1},
                          .reads = Reads::Snapshot, .clamps = true, .offsetIsColour = true};
constexpr Kernel kRelief{.weights = {2, 1, 0, 1, 1, -1, 0, -1, -2},
                         .divisor = 2, .reads = Reads::Snapshot, .clamps = true, .offset = 50};

// A kernel without a clamp must keep every result in 0..255 by itself.
constexpr bool StaysInByte(const Kernel& k) {
    std::int32_t positive = 0;
    for (const std::int32_t w : k.weights) {
        if (w < 0) return false;
        positive += w;
    }
    return k.offset == 0 && !k.offsetIsColour && positive <= k.divisor;
}

// What the amount decides, computed once before the first row.
struct RunValues {
    std::int32_t centre;
    std::int32_t divisor;
    std::array<std::int32_t, 4> offsets;  // blue, green, red; none for the fourth byte
};

RunValues Prepare(const Kernel& k, std::int32_t amount) {
    RunValues v{k.weights[kCentre], k.divisor, {k.offset, k.offset, k.offset, 0}};
    if (k.addsAmount) {
        v.centre = CheckedAdd(amount, k.weights[kCentre]);
        v.divisor = CheckedAdd(amount, k.divisor);
    }
    if (k.offsetIsColour) {
        const ColourParts colour = SplitColour(amount);
        v.offsets = {colour.blue, colour.green, colour.red, 0};
    }
    return v;
}

// The new value of a channel whose weighted sum is `sum`.
template <const Kernel& K, typename Sum>
std::uint8_t Result(Sum sum, Sum divisor, Sum offset) {
    const auto value = static_cast<Sum>(sum / divisor + offset);
    if constexpr (K.clamps) {
        return static_cast<std::uint8_t>(std::clamp<Sum>(value, 0, 255));
    } else {
        static_assert(StaysInByte(K));
        return static_cast<std::uint8_t>(value);
    }
}

// Every weighted sum a kernel can reach over bytes, its centre weight given.
struct Range {
    std::int64_t low = 0;
    std::int64_t high = 0;
};

constexpr Range SumRange(const Kernel& k, std::int64_t centre) {
    Range r;
    for (int t = 0; t < 9; ++t) {
        const std::int64_t w = t == kCentre ? centre : k.weights[static_cast<std::size_t>(t)];
        (w < 0 ? r.low : r.high) += w * 255;
    }
    return r;
}

constexpr bool FitsInt32(std::int64_t v) {
    return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
}

bool MayOverflow(const Kernel& k, std::int32_t amount) {
    const Range r = SumRange(k, std::int64_t{amount} + k.weights[kCentre]);
    return !FitsInt32(r.low) || !FitsInt32(r.high);
}

// The three rows around row y, top to bottom.
using Rows = std::array<const std::uint8_t*, 3>;

constexpr std::int32_t Weight(const Kernel& k, int t) { return k.weights[static_cast<std::size_t>(t)]; }

// The byte under tap t (0..8) of the kernel centred on byte i of the middle row.
inline std::uint8_t Tap(const Rows& rows, int t, std::size_t i) {
    return rows[static_cast<std::size_t>(t / 3)][i + 4 * static_cast<std::size_t>(t % 3) - 4];
}

// The weighted sum at byte i of the middle row, leaving out the taps in
// `skipped`, modulo 2^16: the callers keep only sums that fit 16 bits, and
// 16-bit lanes are twice as many to a vector register as 32-bit ones.
template <const Kernel& K, int... skipped>
std::uint16_t LowSum(const Rows& rows, std::size_t i, std::uint16_t centre) {
    std::uint16_t sum = 0;
    for (int t = 0; t < 9; ++t) {
        const bool isSkipped = ((t == skipped) || ...);
        if (isSkipped) continue;
        const auto w = t == kCentre ? centre : static_cast<std::uint16_t>(Weight(K, t));
        sum = static_cast<std::uint16_t>(sum + w * Tap(rows, t, i));
    }
    return sum;
}

// The in-place kernels chain each pixel to its left neighbour's new value.
// When every reachable sum fits a small table, the chain is one addition and
// one load: the rest of the sum is gathered ahead of it, as an index into a
// table of results. The table runs downward when the left weight is
// negative, so that the left value always adds to the index.
constexpr std::int64_t kMaxTableSize = std::int64_t{1} << 15;

template <const Kernel& K>
class ResultTable {
public:
    ResultTable(const RunValues& v, Range r) : low_(r.low), high_(r.high), results_(Size(r)) {
        for (std::size_t i = 0; i < results_.size(); ++i) {
            const std::int64_t sum = kUpward ? r.low + static_cast<std::int64_t>(i)
                                             : r.high - static_cast<std::int64_t>(i);
            results_[i] = Result<K>(sum, std::int64_t{v.divisor}, std::int64_t{0});
        }
    }

    static constexpr bool Fits(Range r) { return r.high - r.low < kMaxTableSize; }

    // Row indices without the left neighbour, bytes [begin, end).
    void gather(const Rows& rows, std::size_t begin, std::size_t end, std::int32_t centre,
                std::uint16_t* index) const {
        const auto low = static_cast<std::uint16_t>(low_);
        const auto high = static_cast<std::uint16_t>(high_);
        const auto c = static_cast<std::uint16_t>(centre);
        for (std::size_t i = begin; i < end; ++i) {
            const std::uint16_t sum = LowSum<K, kLeft>(rows, i, c);
            index[i] = static_cast<std::uint16_t>(kUpward ? sum - low : high - sum);
        }
    }

    std::uint8_t next(std::uint16_t index, std::uint8_t left) const {
        return results_[index + kLeftStep * std::size_t{left}];
    }

private:
    static constexpr bool kUpward = K.weights[kLeft] >= 0;
    static constexpr std::size_t kLeftStep =
        static_cast<std::size_t>(kUpward ? K.weights[kLeft] : -K.weights[kLeft]);

    static std::size_t Size(Range r) { return static_cast<std::size_t>(r.high - r.low + 1); }

    std::int64_t low_;
    std::int64_t high_;
    std::vector<std::uint8_t> results_;
};

// The chain of a row leaves the processor mostly waiting on loads, so the
// next row's indices are gathered in between, a stretch at a time, as soon
// as the row above them is final there: byte j needs that row up to j + 4.
constexpr std::size_t kStretch = 64;

template <const Kernel& K>
void InPlaceByTable(FilterRun& run, const RunValues& v, Range range) {
    const ResultTable<K> table(v, range);
    const PixelBuffer& work = run.work;
    const std::int32_t lastRow = run.height() - 1;
    const std::size_t end = work.stride() - 4;
    const auto around = [&work](std::int32_t y) {
        return Rows{work.row(y - 1), work.row(y), work.row(y + 1)};
    };
    std::vector<std::uint16_t> index(work.stride());
    std::vector<std::uint16_t> nextIndex(work.stride());
    if (lastRow >= 2) table.gather(around(2), 4, end, v.centre, index.data());
    for (std::int32_t y = 2; y <= lastRow; ++y) {
        std::uint8_t* here = work.row(y);
        if (y + 2 <= run.height()) Prefetch(work.row(y + 2), work.stride());
        const bool hasNext = y < lastRow;
        const Rows next = hasNext ? around(y + 1) : Rows{};
        std::size_t gathered = 4;
        std::uint8_t left[3] = {here[0], here[1], here[2]};
        for (std::size_t stretch = 4; stretch < end; stretch += kStretch) {
            const std::size_t stop = std::min(stretch + kStretch, end);
            for (std::size_t i = stretch; i < stop; i += 4) {
                for (std::size_t c = 0; c < 3; ++c) {
                    left[c] = table.next(index[i + c], left[c]);
                    here[i + c] = left[c];
                }
            }
            if (hasNext && stop - 4 > gathered) {
                table.gather(next, gathered, stop - 4, v.centre, nextIndex.data());
                gathered = stop - 4;
            }
        }
        if (hasNext) table.gather(next, gathered, end, v.centre, nextIndex.data());
        std::swap(index, nextIndex);
        run.rowDone(y);
    }
}

// Any amount: the sums in 64 bits, each checked where the 32-bit product
// and the sum after it would overflow. A zero divisor only gets here when
// there is no pixel to divide for.
template <const Kernel& K>
void InPlaceChecked(FilterRun& run, const RunValues& v) {
    const PixelBuffer& work = run.work;
    const std::size_t end = work.stride() - 4;
    for (std::int32_t y = 2; y <= run.height() - 1; ++y) {
        const Rows rows{work.row(y - 1), work.row(y), work.row(y + 1)};
        std::uint8_t* here = work.row(y);
        for (std::size_t i = 4; i < end; i += 4) {
            for (std::size_t c = 0; c < 3; ++c) {
                const std::int64_t product = std::int64_t{v.centre} * here[i + c];
                std::int64_t sum = product;
                for (int t = 0; t < 9; ++t)
                    if (t != kCentre) sum += std::int64_t{Weight(K, t)} * Tap(rows, t, i + c);
                if (!FitsInt32(product) || !FitsInt32(sum)) Raise(ErrorKind::Overflow);
                here[i + c] = Result<K>(sum, std::int64_t{v.divisor}, std::int64_t{0});
            }
        }
        run.rowDone(y);
    }
}

template <const Kernel& K>
void InPlace(FilterRun& run, const RunValues& v) {
    static_assert(K.offset == 0 && !K.offsetIsColour, "the result table serves all channels");
    static_assert(K.addsAmount || (K.divisor != 0 && ResultTable<K>::Fits(SumRange(K, K.weights[kCentre]))),
                  "a kernel fixed for every run always has its table");
    const Range range = SumRange(K, v.centre);
    if (v.divisor != 0 && ResultTable<K>::Fits(range)) {
        InPlaceByTable<K>(run, v, range);
    } else if constexpr (K.addsAmount) {
        InPlaceChecked<K>(run, v);
    }
}

// Bytes 4..end of a row of the unchanged image's `rows`, built in `out` and
// stored as colours into `target`.
template <const Kernel& K>
[[gnu::always_inline]] inline void SnapshotRow(Rows rows, const std::int16_t* offsets, std::uint8_t* out,
                                               std::size_t end, std::uint8_t* target, std::int32_t width) {
    for (std::size_t i = 4; i < end; ++i) {
        const auto sum = static_cast<std::int16_t>(LowSum<K>(rows, i, std::uint16_t{K.weights[kCentre]}));
        out[i] = Result<K, std::int16_t>(sum, std::int16_t{K.divisor}, offsets[i]);
    }
    StoreColours(target + 4, out + 4, width - 2);
}

// No chain here: every byte of the row is computed independently, the fourth
// byte too, and the colours stored together.
template <const Kernel& K>
void FromSnapshot(FilterRun& run, const RunValues& v) {
    static_assert(!K.addsAmount);
    constexpr Range range = SumRange(K, K.weights[kCentre]);
    static_assert(range.low >= INT16_MIN && range.high <= INT16_MAX);
    SourceRows source(run);
    const PixelBuffer& work = run.work;
    const std::size_t end = work.stride() - 4;
    // The offsets byte by byte, so that one loop runs over all channels.
    std::vector<std::int16_t> offsets(work.stride());
    for (std::size_t i = 0; i < offsets.size(); ++i)
        offsets[i] = static_cast<std::int16_t>(v.offsets[i % 4]);
    std::vector<std::uint8_t> out(work.stride());
    for (std::int32_t y = 2; y <= run.height() - 1; ++y) {
        source.enter(y);
        if (y + 2 <= run.height()) Prefetch(work.row(y + 2), work.stride());
        const Rows rows{source.row(y - 1), source.row(y), source.row(y + 1)};
        RunActiveVersion<SnapshotRow<K>>(rows, offsets.data(), out.data(), end, work.row(y), run.width());
        run.rowDone(y);
    }
}

template <const Kernel& K>
void RunKernel(FilterRun& run) {
    const RunValues v = Prepare(K, run.amount);
    const bool visitsAPixel = run.width() >= 3 && run.height() >= 3;
    if (visitsAPixel && v.divisor == 0) Raise(ErrorKind::DivisionByZero);
    if constexpr (K.reads == Reads::InPlace) {
        InPlace<K>(run, v);
    } else {
        FromSnapshot<K>(run, v);
    }
    run.finish();
}

}  // namespace

bool SharpenMayFailMidRun(std::int32_t amount) { return MayOverflow(kSharpen, amount); }
bool EdgeEnhanceMayFailMidRun(std::int32_t amount) { return MayOverflow(kEdgeEnhance, amount); }

void Sharpen(FilterRun& run) { RunKernel<kSharpen>(run); }
void Blur(FilterRun& run) { RunKernel<kBlur>(run); }
void Smooth(FilterRun& run) { RunKernel<kSmooth>(run); }
void EdgeEnhance(FilterRun& run) { RunKernel<kEdgeEnhance>(run); }
void Contour(FilterRun& run) { RunKernel<kContour>(run); }
void Relief(FilterRun& run) { RunKernel<kRelief>(run); }

}  // namespace tegmora::effects

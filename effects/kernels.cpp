// The six 3 x 3 kernel filters. Each kernel is a row of data; one routine
// runs the four that read their own results in place, another the two that
// read the unchanged image. Rows 1 and H and columns 1 and W are only read.
#include "byte_lanes.h"
#include "engine.h"
#include "point_loops.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tegmora::effects {
namespace {

enum class Reads {
    InPlace,   // the image being written: the results above and to the left are already in
    Snapshot,  // the image as the run found it
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

// The chain again, several rows at a time: row r + 1 needs row r only up to
// one pixel to its right, so each row runs two pixels behind the one above,
// and a step takes one pixel of each of sixteen rows: four rows to an AVX2
// vector, each pixel's three colours and its fourth byte in 16-bit lanes.
// Vector j holds rows j, j + 4, j + 8 and j + 12, so that the row above each
// of its rows is in the same place of vector j - 1, or one place back in
// vector 3: the chains of four vectors overlap, and only one vector in four
// is shuffled to line up with the rows below it.
// What does not depend on the chain (the pixel, its right neighbour and the
// row below; the row above for a batch's first row; the unchanged border
// pixels beside the first and last) is summed ahead, row by row; a step adds
// the left neighbour and the three above from the last three steps' results
// and divides. The border pixels' own sums are far out of range on the side
// that clamps to 0, so that their results add nothing to their neighbours.

// sum / divisor, truncated and clamped to 0..255, as
// (|sum| * multiplier) >> (16 + shift) with the sign put back: taken only
// where it gives every result of the run's table.
struct ChainDivision {
    std::uint16_t multiplier;
    int shift;
    bool negative;

    template <const Kernel& K>
    static std::optional<ChainDivision> Find(const RunValues& v, Range r) {
        if (r.low < -kChainLimit || r.high > kChainLimit) return std::nullopt;
        const std::int32_t magnitude = v.divisor < 0 ? -v.divisor : v.divisor;
        int shift = 0;
        while (shift < 15 && (std::int64_t{1} << (17 + shift)) / magnitude < 65535) ++shift;
        const ChainDivision d{
            static_cast<std::uint16_t>(((std::int64_t{1} << (16 + shift)) + magnitude - 1) / magnitude), shift,
            v.divisor < 0};
        for (std::int64_t sum = r.low; sum <= r.high; ++sum)
            if (d.at(static_cast<std::int32_t>(sum)) != Result<K>(sum, std::int64_t{v.divisor}, std::int64_t{0}))
                return std::nullopt;
        return d;
    }

    std::int32_t at(std::int32_t sum) const {
        const std::int32_t q = ((sum < 0 ? -sum : sum) * std::int32_t{multiplier}) >> (16 + shift);
        return std::clamp((sum < 0) != negative ? -q : q, 0, 255);
    }

    // A border pixel's sum: with whatever the chain adds to it (ChainReach)
    // it stays in 16 bits and divides to 0 or less.
    std::int16_t borderSum() const { return negative ? kBorderSum : -kBorderSum; }

    static constexpr std::int32_t kChainLimit = 12000;
    static constexpr std::int16_t kBorderSum = 20000;
};

#if defined(__x86_64__)
constexpr int kBatch = 16;     // rows a batch
constexpr int kVectors = 4;    // vectors of four rows a step
constexpr int kStepsAtOnce = 4;
// Steps a chunk: a batch runs a chunk of steps at a time, so that its sums
// and results (12 KiB each) stay in the first-level cache beside the rows
// read; on Smooth 96 ran faster than 64, 128 and 256.
constexpr std::int32_t kChunk = 96;
static_assert(kChunk % kStepsAtOnce == 0);

// Sums ahead or results of one chunk of steps: row r's pixel at step
// t0 + q lies at lanes 4 * q of its row (pixel t0 + q - 2r).
class ChunkRows {
public:
    ChunkRows() : lanes_(kBatch * kPitch) {}

    std::int16_t* row(int r) { return lanes_.data() + static_cast<std::size_t>(r) * kPitch; }

private:
    static constexpr std::size_t kPitch = 4 * kChunk;
    std::vector<std::int16_t> lanes_;
};

// Four vectors of four 64-bit pixels, rows into columns.
[[gnu::target("avx2")]] inline void Transpose(__m256i (&v)[4]) {
    const __m256i t0 = _mm256_unpacklo_epi64(v[0], v[1]);
    const __m256i t1 = _mm256_unpackhi_epi64(v[0], v[1]);
    const __m256i t2 = _mm256_unpacklo_epi64(v[2], v[3]);
    const __m256i t3 = _mm256_unpackhi_epi64(v[2], v[3]);
    v[0] = _mm256_permute2x128_si256(t0, t2, 0x20);
    v[1] = _mm256_permute2x128_si256(t1, t3, 0x20);
    v[2] = _mm256_permute2x128_si256(t0, t2, 0x31);
    v[3] = _mm256_permute2x128_si256(t1, t3, 0x31);
}

// Each pixel moved one place on, the first place left 0.
[[gnu::target("avx2")]] inline __m256i OnePlaceOn(__m256i v) {
    return _mm256_blend_epi32(_mm256_permute4x64_epi64(v, _MM_SHUFFLE(2, 1, 0, 3)), _mm256_setzero_si256(), 0x03);
}

template <std::int32_t W>
[[gnu::target("avx2")]] inline __m256i AddTimes(__m256i sum, __m256i v) {
    if constexpr (W == 0) return sum;
    if constexpr (W == 1) return _mm256_add_epi16(sum, v);
    if constexpr (W == -1) return _mm256_sub_epi16(sum, v);
    if constexpr (W > 1) return _mm256_add_epi16(sum, _mm256_mullo_epi16(v, _mm256_set1_epi16(W)));
    if constexpr (W < -1) return _mm256_sub_epi16(sum, _mm256_mullo_epi16(v, _mm256_set1_epi16(-W)));
}

class VectorDivision {
public:
    [[gnu::target("avx2")]] explicit VectorDivision(const ChainDivision& d)
        : multiplier_(_mm256_set1_epi16(static_cast<std::int16_t>(d.multiplier))),
          negative_(_mm256_set1_epi16(d.negative ? -1 : 0)),
          shift_(_mm_cvtsi32_si128(d.shift)) {}

    // A kernel of no negative weight and a fixed divisor sums to 0 or more,
    // but at the border pixels: there the sign is left out.
    template <bool kNonNegative>
    [[gnu::target("avx2")]] __m256i at(__m256i sum) const {
        if constexpr (kNonNegative) {
            const __m256i q = _mm256_srl_epi16(_mm256_mulhi_epu16(_mm256_max_epi16(sum, _mm256_setzero_si256()), multiplier_), shift_);
            return _mm256_min_epi16(q, _mm256_set1_epi16(255));
        }
        const __m256i q = _mm256_srl_epi16(_mm256_mulhi_epu16(_mm256_abs_epi16(sum), multiplier_), shift_);
        const __m256i sign = _mm256_xor_si256(_mm256_srai_epi16(sum, 15), negative_);
        const __m256i signedQ = _mm256_sub_epi16(_mm256_xor_si256(q, sign), sign);
        return _mm256_min_epi16(_mm256_max_epi16(signedQ, _mm256_setzero_si256()), _mm256_set1_epi16(255));
    }

private:
    __m256i multiplier_;
    __m256i negative_;
    __m128i shift_;
};

// The steps t0..t0 + kChunk - 1 of a batch over its sums ahead, into its
// results; `state` carries on from the chunk before. Meanwhile the
// `upcoming` bytes, the rows the next batch reads first, are asked for a
// line a step.
struct ChainState {
    // The last step's results; the rows above as they were one, two and
    // three steps ago: above-right, above and above-left of this step.
    __m256i left[kVectors];
    __m256i aboveRight[kVectors];
    __m256i above[kVectors];
    __m256i aboveLeft[kVectors];
};

template <const Kernel& K>
[[gnu::target("avx2")]] void RunChunk(ChunkRows& sums, ChunkRows& results, std::int32_t t0, std::int32_t steps,
                                      const VectorDivision& divide, ChainState& state,
                                      std::span<const std::uint8_t> upcoming) {
    ChainState c = state;
    for (std::int32_t q = 0; q < kChunk && t0 + q < steps; q += kStepsAtOnce) {
        const auto line = 64 * static_cast<std::size_t>(t0 + q);
        if (line < upcoming.size()) Prefetch(upcoming.data() + line, 64 * kStepsAtOnce);
        __m256i ahead[kVectors][kStepsAtOnce];
        for (int j = 0; j < kVectors; ++j) {
            for (int k = 0; k < 4; ++k)
                ahead[j][k] = Load(sums.row(j + 4 * k) + 4 * q);
            Transpose(ahead[j]);
        }
        __m256i out[kVectors][kStepsAtOnce];
        for (int s = 0; s < kStepsAtOnce; ++s) {
            for (int j = 0; j < kVectors; ++j) {
                const __m256i early =
                    AddTimes<K.weights[0]>(AddTimes<K.weights[1]>(ahead[j][s], c.above[j]), c.aboveLeft[j]);
                const __m256i sum =
                    AddTimes<K.weights[2]>(AddTimes<K.weights[kLeft]>(early, c.left[j]), c.aboveRight[j]);
                out[j][s] = divide.at<StaysInByte(K)>(sum);
            }
            for (int j = 0; j < kVectors; ++j) {
                // Smooth has no corner weights: one vector fewer to carry.
                if constexpr (K.weights[0] != 0) c.aboveLeft[j] = c.above[j];
                c.above[j] = c.aboveRight[j];
                c.aboveRight[j] = j == 0 ? OnePlaceOn(out[kVectors - 1][s]) : out[j - 1][s];
                c.left[j] = out[j][s];
            }
        }
        for (int j = 0; j < kVectors; ++j) {
            Transpose(out[j]);
            for (int k = 0; k < 4; ++k)
                Store(results.row(j + 4 * k) + 4 * q, out[j][k]);
        }
    }
    state = c;
}

// Bytes [begin, end) of a row's sums ahead, the fourth lanes 0, from lane
// `shift` of `out`.
template <const Kernel& K, int... skipped>
[[gnu::always_inline]] inline void SumAhead(const Rows& rows, std::size_t begin, std::size_t end, std::size_t shift,
                                            std::uint16_t centre, const std::uint16_t* colourLanes,
                                            std::int16_t* out) {
    // A centre weight known here saves a multiply.
    const auto c = K.addsAmount ? centre : static_cast<std::uint16_t>(K.weights[kCentre]);
    for (std::size_t i = begin; i < end; ++i)
        out[i - shift] = static_cast<std::int16_t>(LowSum<K, skipped...>(rows, i, c) & colourLanes[i]);
}

[[gnu::always_inline]] inline void WriteBack(const std::int16_t* results, std::size_t begin, std::size_t end,
                                             std::size_t shift, const std::uint8_t* colourMask, std::uint8_t* row) {
    for (std::size_t i = begin; i < end; ++i) row[i] = OnColourLane(results[i - shift], row[i], colourMask[i]);
}

// One row of a batch within one chunk: pixels first..last - 1 of the image,
// pixel p at lane 4 * (p - origin) of its chunk rows.
struct ChunkSpan {
    std::int32_t first;
    std::int32_t last;
    std::int32_t origin;

    bool holds(std::int32_t p) const { return p >= first && p < last; }
    std::size_t shift() const { return std::size_t{4} * static_cast<std::size_t>(origin); }
};

// The border pixels' sums, and what they give their neighbours, where the
// span holds them. `above` is null on a batch's first row, whose sums have
// the row above already.
template <const Kernel& K>
void AddBorders(const std::uint8_t* row, const std::uint8_t* above, std::int32_t width, const ChunkSpan& span,
                std::int16_t border, std::int16_t* out) {
    const auto lane = [&](std::int32_t p, std::size_t c) -> std::int16_t& {
        return out[std::size_t{4} * static_cast<std::size_t>(p - span.origin) + c];
    };
    const std::size_t end = std::size_t{4} * static_cast<std::size_t>(width - 1);
    for (std::size_t c = 0; c < 3; ++c) {
        if (span.holds(0)) lane(0, c) = border;
        if (span.holds(width - 1)) lane(width - 1, c) = border;
        if (span.holds(1)) {
            const std::int32_t aboveLeft = above != nullptr ? Weight(K, 0) * above[c] : 0;
            lane(1, c) = static_cast<std::int16_t>(lane(1, c) + Weight(K, kLeft) * row[c] + aboveLeft);
        }
        if (span.holds(width - 2) && above != nullptr)
            lane(width - 2, c) = static_cast<std::int16_t>(lane(width - 2, c) + Weight(K, 2) * above[end + c]);
    }
}

// What the left neighbour and the row above add to a sum at most, either way.
constexpr std::int32_t ChainReach(const Kernel& k) {
    std::int32_t reach = 0;
    for (const int t : {0, 1, 2, kLeft}) reach += 255 * (k.weights[static_cast<std::size_t>(t)] < 0 ? -Weight(k, t) : Weight(k, t));
    return reach;
}

template <const Kernel& K>
[[gnu::target("avx2")]] void InPlaceByWaves(FilterRun& run, const RunValues& v, const ChainDivision& d) {
    static_assert(ChainDivision::kBorderSum + ChainReach(K) <= INT16_MAX &&
                      ChainDivision::kBorderSum - ChainReach(K) > 0,
                  "a border pixel's sum keeps its sign in 16 bits");
    const PixelBuffer& work = run.work;
    const std::int32_t width = run.width();
    ChunkRows sums;
    ChunkRows results;
    const std::vector<std::uint16_t> colourLanes = ChannelLanes<std::uint16_t>(width, 0xFFFF, 0xFFFF, 0xFFFF, 0);
    const std::vector<std::uint8_t> colourMask = ColourLaneMask(width);
    const VectorDivision divide(d);
    const auto centre = static_cast<std::uint16_t>(v.centre);
    const std::int32_t steps = width + 2 * (kBatch - 1);
    for (std::int32_t first = 2; first <= run.height() - 1; first += kBatch) {
        const std::int32_t rows = std::min(kBatch, run.height() - first);
        const std::int32_t next = first + kBatch + 1;
        const std::span<const std::uint8_t> upcoming =
            next > run.height() ? std::span<const std::uint8_t>{}
                                : std::span<const std::uint8_t>(work.row(next), work.stride() * static_cast<std::size_t>(
                                                                    std::min(kBatch, run.height() + 1 - next)));
        ChainState state;
        for (int j = 0; j < kVectors; ++j)
            state.left[j] = state.aboveRight[j] = state.above[j] = state.aboveLeft[j] = _mm256_setzero_si256();
        for (std::int32_t t0 = 0; t0 < steps; t0 += kChunk) {
            const auto spanOf = [&](std::int32_t r) {
                const std::int32_t origin = t0 - 2 * r;
                return ChunkSpan{std::max(origin, 0), std::min(origin + kChunk, width), origin};
            };
            for (std::int32_t r = 0; r < rows; ++r) {
                const std::int32_t y = first + r;
                const Rows around{work.row(y - 1), work.row(y), work.row(y + 1)};
                const ChunkSpan span = spanOf(r);
                if (span.first >= span.last) continue;
                const auto begin = std::size_t{4} * static_cast<std::size_t>(std::max(span.first, 1));
                const auto end = std::size_t{4} * static_cast<std::size_t>(std::min(span.last, width - 1));
                if (r == 0) {
                    SumAhead<K, kLeft>(around, begin, end, span.shift(), centre, colourLanes.data(), sums.row(r));
                } else {
                    SumAhead<K, 0, 1, 2, kLeft>(around, begin, end, span.shift(), centre, colourLanes.data(),
                                                sums.row(r));
                }
                AddBorders<K>(work.row(y), r == 0 ? nullptr : work.row(y - 1), width, span, d.borderSum(),
                              sums.row(r));
            }
            RunChunk<K>(sums, results, t0, steps, divide, state, upcoming);
            for (std::int32_t r = 0; r < rows; ++r) {
                const ChunkSpan span = spanOf(r);
                const auto begin = std::size_t{4} * static_cast<std::size_t>(std::max(span.first, 1));
                const auto end = std::size_t{4} * static_cast<std::size_t>(std::min(span.last, width - 1));
                if (begin < end)
                    WriteBack(results.row(r), begin, end, span.shift(), colourMask.data(), work.row(first + r));
            }
        }
        for (std::int32_t r = 0; r < rows; ++r) run.rowDone(first + r);
    }
}
#endif

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
#if defined(__x86_64__)
        if (UseAvx2())
            if (const std::optional<ChainDivision> d = ChainDivision::Find<K>(v, range))
                return InPlaceByWaves<K>(run, v, *d);
#endif
        InPlaceByTable<K>(run, v, range);
    } else if constexpr (K.addsAmount) {
        InPlaceChecked<K>(run, v);
    }
}

// Bytes 4..end of a row of the unchanged image's `rows`, built in `out` and
// stored as colours into `target`. Built for AVX2 as well, this loop ran
// less than 1.5 times as fast.
template <const Kernel& K>
void SnapshotRow(Rows rows, const std::int16_t* offsets, std::uint8_t* out,
                                               std::size_t end, std::uint8_t* target, std::int32_t width) {
    for (std::size_t i = 4; i < end; ++i) {
        const auto sum = static_cast<std::int16_t>(LowSum<K>(rows, i, std::uint16_t{K.weights[kCentre]}));
        out[i] = Result<K, std::int16_t>(sum, std::int16_t{K.divisor}, offsets[i]);
    }
    StoreColours(target + 4, out + 4, width - 2);
}

// A kernel whose eight neighbours weigh the same (Contour) sums to that
// weight times the 3 x 3 box sum plus the rest of the centre's weight times
// the centre; the box is a row of three column sums, each shared by three
// results.
constexpr bool WeighsABox(const Kernel& k) {
    for (int t = 0; t < 9; ++t)
        if (t != kCentre && k.weights[static_cast<std::size_t>(t)] != k.weights[0]) return false;
    return k.divisor == 1;
}

// What a box row reads: the three rows and, lane by lane, what the kernel
// adds. On the fourth lanes the column sums are 0 and the centre weighs 1,
// so that the fourth byte comes out as it was.
struct BoxSource {
    const std::uint8_t* above;
    const std::uint8_t* middle;
    const std::uint8_t* below;
    const std::int16_t* centreRest;  // the centre's weight less a neighbour's
    const std::int16_t* offsets;
    const std::int16_t* columnMask;
};

// Results for bytes [begin, end) of the middle row: a pass of column sums
// and what each result needs besides its left and right columns, then a pass
// of results. The baseline's loop, and the AVX2 loop's ends. The scratch
// rows alias nothing (__restrict), which spares the vectorised loops a check
// of them against every other pointer.
template <std::int16_t kSide>
[[gnu::always_inline]] inline void BoxRow(BoxSource s, std::int16_t* __restrict columns,
                                          std::int16_t* __restrict partial, std::size_t begin, std::size_t end,
                                          std::uint8_t* target) {
    for (std::size_t i = begin - 4; i < end + 4; ++i) {
        const auto column = static_cast<std::int16_t>((s.above[i] + s.middle[i] + s.below[i]) & s.columnMask[i]);
        columns[i] = column;
        partial[i] = static_cast<std::int16_t>(kSide * column + s.centreRest[i] * s.middle[i] + s.offsets[i]);
    }
    for (std::size_t i = begin; i < end; ++i) {
        const auto sum = static_cast<std::int16_t>(partial[i] + kSide * (columns[i - 4] + columns[i + 4]));
        target[i] = static_cast<std::uint8_t>(std::clamp<std::int16_t>(sum, 0, 255));
    }
}

#if defined(__x86_64__)
// Sixteen bytes from p, one to a 16-bit lane.
[[gnu::target("avx2")]] inline __m256i Widened(const std::uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}


// A block of sixteen lanes: the middle row's bytes and the column sums.
struct BoxBlock {
    __m256i middle;
    __m256i columns;
};

[[gnu::target("avx2")]] inline BoxBlock BlockAt(const BoxSource& s, std::size_t i) {
    const __m256i middle = Widened(s.middle + i);
    const __m256i sum = _mm256_add_epi16(_mm256_add_epi16(Widened(s.above + i), middle), Widened(s.below + i));
    return {middle, _mm256_and_si256(sum, Load(s.columnMask + i))};
}

// The results of block b at byte i beside the blocks before and after it:
// its left columns are the last pixel of before and the first three of b,
// its right ones the last three of b and the first of after.
template <std::int16_t kSide>
[[gnu::target("avx2")]] inline __m256i BoxResultsAt(const BoxSource& s, std::size_t i, __m256i before,
                                                    const BoxBlock& b, __m256i after) {
    const __m256i centre = _mm256_mullo_epi16(b.middle, Load(s.centreRest + i));
    const __m256i own = AddTimes<kSide>(_mm256_add_epi16(centre, Load(s.offsets + i)), b.columns);
    const __m256i left = _mm256_alignr_epi8(b.columns, _mm256_permute2x128_si256(before, b.columns, 0x21), 8);
    const __m256i right = _mm256_alignr_epi8(_mm256_permute2x128_si256(b.columns, after, 0x21), b.columns, 8);
    return AddTimes<kSide>(AddTimes<kSide>(own, left), right);
}

// The box row in one pass, blocks of sixteen lanes (four pixels): each
// block's column sums are made once and shifted a pixel either way for the
// blocks beside it, and the saturating pack to bytes is the clamp. The first
// three pixels and the last few take the plain loop.
template <std::int16_t kSide>
[[gnu::target("avx2")]] void BoxRowAvx2(BoxSource s, std::int16_t* columns, std::int16_t* partial,
                                        std::size_t bytes, std::uint8_t* target) {
    std::size_t i = 16;
    if (bytes >= 48) {
        __m256i before = BlockAt(s, 0).columns;
        BoxBlock block = BlockAt(s, 16);
        for (; i + 48 <= bytes; i += 32) {
            const BoxBlock next = BlockAt(s, i + 16);
            const BoxBlock afterNext = BlockAt(s, i + 32);
            const __m256i packed = _mm256_packus_epi16(BoxResultsAt<kSide>(s, i, before, block, next.columns),
                                                       BoxResultsAt<kSide>(s, i + 16, block.columns, next,
                                                                           afterNext.columns));
            Store(target + i, _mm256_permute4x64_epi64(packed, 0xD8));
            before = next.columns;
            block = afterNext;
        }
    }
    BoxRow<kSide>(s, columns, partial, 4, std::min<std::size_t>(16, bytes - 4), target);
    if (i < bytes - 4) BoxRow<kSide>(s, columns, partial, i, bytes - 4, target);
}
#endif

// Rows 2..H - 1 of the unchanged image through `rowLoop(rows, target)`.
template <class RowLoop>
void ForEachSnapshotRow(FilterRun& run, RowLoop&& rowLoop) {
    SourceRows source(run);
    const PixelBuffer& work = run.work;
    for (std::int32_t y = 2; y <= run.height() - 1; ++y) {
        source.enter(y);
        if (y + 2 <= run.height()) Prefetch(work.row(y + 2), work.stride());
        rowLoop(Rows{source.row(y - 1), source.row(y), source.row(y + 1)}, work.row(y));
        run.rowDone(y);
    }
}

template <const Kernel& K>
void BoxFromSnapshot(FilterRun& run, const std::vector<std::int16_t>& offsets) {
    constexpr auto kSide = static_cast<std::int16_t>(K.weights[0]);
    constexpr auto kRest = static_cast<std::int16_t>(K.weights[kCentre] - kSide);
    const std::vector<std::int16_t> centreRest = ChannelLanes<std::int16_t>(run.width(), kRest, kRest, kRest, 1);
    const std::vector<std::int16_t> columnMask = ChannelLanes<std::int16_t>(run.width(), -1, -1, -1, 0);
    const std::size_t bytes = run.work.stride();
    std::vector<std::int16_t> columns(bytes);
    std::vector<std::int16_t> partial(bytes);
    ForEachSnapshotRow(run, [&](const Rows& rows, std::uint8_t* target) {
        const BoxSource s{rows[0], rows[1], rows[2], centreRest.data(), offsets.data(), columnMask.data()};
#if defined(__x86_64__)
        if (UseAvx2()) return BoxRowAvx2<kSide>(s, columns.data(), partial.data(), bytes, target);
#endif
        BoxRow<kSide>(s, columns.data(), partial.data(), 4, bytes - 4, target);
    });
}

// No chain here: every byte of the row is computed independently, the fourth
// byte too, on every channel alike.
template <const Kernel& K>
void FromSnapshot(FilterRun& run, const RunValues& v) {
    static_assert(!K.addsAmount);
    constexpr Range range = SumRange(K, K.weights[kCentre]);
    static_assert(range.low >= INT16_MIN && range.high <= INT16_MAX);
    const std::vector<std::int16_t> offsets = ChannelLanes<std::int16_t>(
        run.width(), static_cast<std::int16_t>(v.offsets[0]), static_cast<std::int16_t>(v.offsets[1]),
        static_cast<std::int16_t>(v.offsets[2]), 0);
    if constexpr (WeighsABox(K)) {
        BoxFromSnapshot<K>(run, offsets);
    } else {
        std::vector<std::uint8_t> out(run.work.stride());
        const std::size_t end = run.work.stride() - 4;
        ForEachSnapshotRow(run, [&](const Rows& rows, std::uint8_t* target) {
            SnapshotRow<K>(rows, offsets.data(), out.data(), end, target, run.width());
        });
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

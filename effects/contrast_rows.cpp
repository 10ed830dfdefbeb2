#include "contrast_rows.h"

#include "engine.h"
#include "line_lanes.h"

#include <algorithm>
#include <limits>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tegmora::effects {
namespace {

// Half of what a value lies beyond 0..255, truncated toward zero: what the
// spreading moves onto each of the other two channels. Branch-free, since
// the pixels that need spreading come in no predictable order.
std::int32_t HalfExcess(std::int32_t v) {
    const std::int32_t excess = std::min(v, 0) + (std::max(v, 255) - 255);
    return (excess + static_cast<std::int32_t>(static_cast<std::uint32_t>(excess) >> 31)) >> 1;
}

bool AllBytes(std::int32_t b, std::int32_t g, std::int32_t r) { return ((b | g | r) & ~255) == 0; }

// One channel's turn in a spreading pass.
void Settle(std::int32_t& v, std::int32_t& p, std::int32_t& q) {
    const std::int32_t half = HalfExcess(v);
    v = std::clamp(v, 0, 255);
    p = CheckedAdd(p, half);
    q = CheckedAdd(q, half);
}

// A pixel whose mapped channels left 0..255: half of each excess moves onto
// the other two channels, pass after pass.
void SpreadOverflow(std::int32_t (&v)[3]) {
    std::int32_t& b = v[0];
    std::int32_t& g = v[1];
    std::int32_t& r = v[2];
    while (!AllBytes(b, g, r)) {
        if (std::max({b, g, r}) <= 0) {
            b = g = r = 0;
        } else if (std::min({b, g, r}) >= 255) {
            b = g = r = 255;
        } else {
            Settle(b, g, r);
            Settle(g, b, r);
            Settle(r, b, g);
        }
    }
}

void SpreadPixel(std::uint8_t* p, const Levels& levels) {
    std::int32_t v[3] = {levels[p[0]], levels[p[1]], levels[p[2]]};
    SpreadOverflow(v);
    p[0] = static_cast<std::uint8_t>(v[0]);
    p[1] = static_cast<std::uint8_t>(v[1]);
    p[2] = static_cast<std::uint8_t>(v[2]);
}

// The largest excess for which the AVX2 loop's 16-bit lanes hold every
// value the spreading reaches. A step moves half of one channel's excess
// onto each other channel, so the sum of the three excesses never grows:
// no value strays further than three times the table's largest excess.
constexpr std::int32_t kNarrowExcess = 10'000;
static_assert(255 + 3 * kNarrowExcess <= std::numeric_limits<std::int16_t>::max());

// The baseline's first pass in two additions: each channel's entry holds,
// in 16-bit lanes, the channel's own value clamped to 0..255, the half
// excess it passes to each of the other two, and whether it was out of
// range. Summing the three entries of a pixel gives the result of the first
// spreading pass whenever at most one channel was out of range and nothing it
// passed on overflowed in turn, which the lanes show; every other pixel takes
// SpreadOverflow. Each entry adds kBias to every lane, so lanes never go
// negative and never carry into each other; a settled lane reads
// 3 * kBias + 0..255.
constexpr std::int32_t kReach = 1000;
constexpr std::int32_t kBias = 2048;
constexpr std::uint64_t kHighBytes = 0x0000'FF00'FF00'FF00u;
constexpr std::uint64_t kSettled = 0x0000'1800'1800'1800u;
static_assert(3 * kBias == 0x1800 && 3 * kBias + 255 + 2 * kReach < 0x10000 && 3 * kBias - 2 * kReach >= 0);

std::uint64_t LaneEntry(std::int32_t v, int channel) {
    std::uint64_t entry = std::uint64_t{AllBytes(v, 0, 0) ? 0u : 1u} << 48;
    for (int lane = 0; lane < 3; ++lane)
        entry |= static_cast<std::uint64_t>((lane == channel ? ClampByte(v) : HalfExcess(v)) + kBias) << (16 * lane);
    return entry;
}

// True when every colour byte of the row lies in the interval: then the
// clamped table alone is the result and no pixel spreads.
bool RowInRange(const std::uint8_t* row, std::size_t pixels, ContrastRows::InRange range) {
    return range.first <= range.last && RowWithin(row, pixels, static_cast<std::uint8_t>(range.first),
                                                  static_cast<std::uint8_t>(range.last));
}

namespace baseline {

void SpreadRow(std::uint8_t* row, std::size_t pixels, const Levels& levels) {
    std::uint8_t* const end = row + 4 * pixels;
    for (std::uint8_t* p = row; p != end; p += 4) SpreadPixel(p, levels);
}

void LanesRow(std::uint8_t* row, std::size_t pixels, const std::array<std::uint64_t, 256>* entries,
              const Levels& levels) {
    std::uint8_t* const end = row + 4 * pixels;
    for (std::uint8_t* p = row; p != end; p += 4) {
        const std::uint32_t pixel = LoadPixel(p);
        const std::uint64_t sum = entries[0][pixel & 0xFF] + entries[1][(pixel >> 8) & 0xFF] +
                                  entries[2][(pixel >> 16) & 0xFF];
        if ((sum & kHighBytes) == kSettled && (sum >> 48) <= 1) {
            const auto colour = static_cast<std::uint32_t>((sum & 0xFF) | ((sum >> 8) & 0xFF00) |
                                                           ((sum >> 16) & 0xFF'0000));
            StorePixel(p, KeepFourthByte(colour, pixel));
        } else {
            SpreadPixel(p, levels);
        }
    }
}

void Map(std::uint8_t* row, std::size_t pixels, const ContrastRows& rows) {
    if (RowInRange(row, pixels, rows.inRange()))
        LookUpRow(row, pixels, rows.clamped());
    else if (rows.lanes() != nullptr)
        LanesRow(row, pixels, rows.lanes(), rows.levels());
    else
        SpreadRow(row, pixels, rows.levels());
}

}  // namespace baseline

#if defined(__x86_64__)
namespace avx2 {

// Sixteen pixels a step, each in one 16-bit lane of three vectors (blue,
// green, red). Packing two vectors of eight pixel words puts pixels 0-3,
// 8-11, 4-7 and 12-15 into the lanes; unpacking restores that order.
constexpr std::size_t kStep = 16;

struct Channels {
    __m256i blue;
    __m256i green;
    __m256i red;
};

// The levels of the sixteen pixels read from the table, eight at a time.
class GatheredLevels {
public:
    explicit GatheredLevels(const Levels& levels) : levels_(levels.data()) {}

    [[gnu::target("avx2")]] Channels operator()(__m256i first, __m256i second) const {
        return {Channel(first, second, 0), Channel(first, second, 8), Channel(first, second, 16)};
    }

private:
    [[gnu::target("avx2")]] __m256i Channel(__m256i first, __m256i second, int shift) const {
        const __m256i lowByte = _mm256_set1_epi32(0xFF);
        const __m256i a = _mm256_and_si256(_mm256_srli_epi32(first, shift), lowByte);
        const __m256i b = _mm256_and_si256(_mm256_srli_epi32(second, shift), lowByte);
        return _mm256_packs_epi32(_mm256_i32gather_epi32(levels_, a, 4), _mm256_i32gather_epi32(levels_, b, 4));
    }

    const std::int32_t* levels_;
};

// The levels of the sixteen pixels computed on ContrastRows's line.
class LineLevels {
public:
    [[gnu::target("avx2")]] explicit LineLevels(const Line& line) : lanes_(line) {}

    [[gnu::target("avx2")]] Channels operator()(__m256i first, __m256i second) const {
        const __m256i blueGreen = _mm256_packus_epi32(_mm256_and_si256(first, _mm256_set1_epi32(0xFFFF)),
                                                      _mm256_and_si256(second, _mm256_set1_epi32(0xFFFF)));
        const __m256i red = _mm256_packus_epi32(_mm256_srli_epi32(first, 16), _mm256_srli_epi32(second, 16));
        const __m256i lowByte = _mm256_set1_epi16(0xFF);
        return {lanes_(_mm256_and_si256(blueGreen, lowByte)), lanes_(_mm256_srli_epi16(blueGreen, 8)),
                lanes_(_mm256_and_si256(red, lowByte))};
    }

private:
    LineLanes lanes_;
};

[[gnu::target("avx2")]] bool AllBytes(__m256i b, __m256i g, __m256i r) {
    return _mm256_testz_si256(_mm256_or_si256(_mm256_or_si256(b, g), r), _mm256_set1_epi16(-256)) != 0;
}

[[gnu::target("avx2")]] void Settle(__m256i& v, __m256i& p, __m256i& q) {
    const __m256i clamped = _mm256_min_epi16(_mm256_max_epi16(v, _mm256_setzero_si256()), _mm256_set1_epi16(255));
    const __m256i excess = _mm256_sub_epi16(v, clamped);
    const __m256i half = _mm256_srai_epi16(_mm256_add_epi16(excess, _mm256_srli_epi16(excess, 15)), 1);
    v = clamped;
    p = _mm256_add_epi16(p, half);
    q = _mm256_add_epi16(q, half);
}

// A pixel whose values all lie at or below 0, or all at or above 255, ends
// on that bound: clamping gives it. Every other pixel comes through
// unchanged.
[[gnu::target("avx2")]] void EndAtBounds(__m256i& b, __m256i& g, __m256i& r) {
    const __m256i highest = _mm256_max_epi16(b, _mm256_max_epi16(g, r));
    const __m256i lowest = _mm256_min_epi16(b, _mm256_min_epi16(g, r));
    const __m256i floor = _mm256_and_si256(_mm256_cmpgt_epi16(highest, _mm256_setzero_si256()),
                                           _mm256_set1_epi16(std::numeric_limits<std::int16_t>::min()));
    const __m256i ceiling = _mm256_blendv_epi8(_mm256_set1_epi16(std::numeric_limits<std::int16_t>::max()),
                                               _mm256_set1_epi16(255),
                                               _mm256_cmpgt_epi16(lowest, _mm256_set1_epi16(254)));
    b = _mm256_min_epi16(_mm256_max_epi16(b, floor), ceiling);
    g = _mm256_min_epi16(_mm256_max_epi16(g, floor), ceiling);
    r = _mm256_min_epi16(_mm256_max_epi16(r, floor), ceiling);
}

// The three settling steps of one spreading pass.
[[gnu::target("avx2"), gnu::always_inline]] inline void SettleEach(Channels& c) {
    Settle(c.blue, c.green, c.red);
    Settle(c.green, c.blue, c.red);
    Settle(c.red, c.blue, c.green);
}

// One spreading pass of SpreadOverflow on every lane, looking for a bound
// after the pass rather than before: a pixel with all its values at or
// beyond one bound keeps them there through a pass and ends on that bound
// either way. Pixels in range come through unchanged, so a pass more than a
// block needs changes nothing.
[[gnu::target("avx2"), gnu::always_inline]] inline void SpreadOnce(Channels& c) {
    SettleEach(c);
    EndAtBounds(c.blue, c.green, c.red);
}

[[gnu::target("avx2"), gnu::always_inline]] inline bool Settled(const Channels& c) {
    return AllBytes(c.blue, c.green, c.red);
}

// Back to pixel words, keeping the fourth bytes at p: blue and green in the
// low half of each 32-bit lane, red and the fourth byte in the high half.
[[gnu::target("avx2"), gnu::always_inline]] inline void StoreBlock(std::uint8_t* p, const Channels& c) {
    const __m256i first = Load(p);
    const __m256i second = Load(p + 32);
    const __m256i high = _mm256_packus_epi32(_mm256_srli_epi32(first, 16), _mm256_srli_epi32(second, 16));
    const __m256i low = _mm256_or_si256(c.blue, _mm256_slli_epi16(c.green, 8));
    const __m256i redAndFourth = _mm256_or_si256(c.red, _mm256_and_si256(high, _mm256_set1_epi16(-256)));
    Store(p, _mm256_unpacklo_epi16(low, redAndFourth));
    Store(p + 32, _mm256_unpackhi_epi16(low, redAndFourth));
}

// A block the first settling steps left unsettled, and where it goes.
struct Unsettled {
    Channels channels;
    std::uint8_t* at;
};

// Most blocks of a busy image settle in their first pass, the rest in two or
// three more, in no predictable order. So the first pass's settling steps
// run on every block without a branch on their outcome, and the unsettled
// blocks are finished together afterwards, where their passes overlap
// instead of waiting on a mispredicted loop exit. The first pass's look for
// a bound waits for the finish too: it changes no block that has settled.
constexpr std::size_t kBatch = 64;

[[gnu::target("avx2"), gnu::always_inline]] inline void Finish(Unsettled* blocks, std::size_t count) {
    for (Unsettled* u = blocks; u != blocks + count; ++u) {
        EndAtBounds(u->channels.blue, u->channels.green, u->channels.red);
        SpreadOnce(u->channels);
        SpreadOnce(u->channels);
        while (!Settled(u->channels)) SpreadOnce(u->channels);
        StoreBlock(u->at, u->channels);
    }
}

template <class Map>
[[gnu::target("avx2"), gnu::always_inline]] inline std::size_t SpreadBlocks(std::uint8_t* row, std::size_t pixels,
                                                                            const Map& map) {
    Unsettled unsettled[kBatch];
    std::size_t x = 0;
    while (x + kStep <= pixels) {
        std::size_t count = 0;
        for (std::size_t b = 0; b < kBatch && x + kStep <= pixels; ++b, x += kStep) {
            std::uint8_t* const p = row + 4 * x;
            Channels c = map(Load(p), Load(p + 32));
            // Follows the image's content, so it predicts well.
            if (!Settled(c)) {
                SettleEach(c);
                unsettled[count] = {c, p};
                count += Settled(c) ? 0 : 1;
            }
            StoreBlock(p, c);
        }
        Finish(unsettled, count);
    }
    return x;
}

[[gnu::target("avx2")]] void Map(std::uint8_t* row, std::size_t pixels, const ContrastRows& rows) {
    if (!rows.narrow()) return baseline::Map(row, pixels, rows);
    std::size_t done = 0;
    // The line settles rows in range as fast as the clamped table does, so
    // it needs no look at the row first.
    if (rows.line() != nullptr)
        done = SpreadBlocks(row, pixels, LineLevels(*rows.line()));
    else if (RowInRange(row, pixels, rows.inRange()))
        return LookUpRow(row, pixels, rows.clamped());
    else
        done = SpreadBlocks(row, pixels, GatheredLevels(rows.levels()));
    baseline::Map(row + 4 * done, pixels - done, rows);
}

}  // namespace avx2
#else
namespace avx2 = baseline;
#endif

ContrastRows::InRange FindInRange(const Levels& levels) {
    ContrastRows::InRange range;
    for (std::int32_t k = 0; k < 256; ++k) {
        if (levels[k] < 0 || levels[k] > 255) continue;
        range.first = std::min(range.first, k);
        range.last = k;
    }
    return range;
}

ByteTable Clamped(const Levels& levels) {
    ByteTable clamped;
    for (std::size_t k = 0; k < 256; ++k) clamped[k] = ClampByte(levels[k]);
    return clamped;
}

}  // namespace

ContrastRows::ContrastRows(const Levels& levels, double factor, std::int32_t mean)
    : levels_(levels),
      clamped_(Clamped(levels), factor, mean),
      inRange_(FindInRange(levels)),
      line_(Line::Find(factor, mean, [&levels](const Line& line, std::int32_t k) {
          return line.at(k) == levels[static_cast<std::size_t>(k)];
      })) {
    for (const std::int32_t v : levels) {
        const std::int32_t excess = v - std::clamp(v, 0, 255);
        narrow_ = narrow_ && excess >= -kNarrowExcess && excess <= kNarrowExcess;
        laned_ = laned_ && HalfExcess(v) >= -kReach && HalfExcess(v) <= kReach;
    }
    if (!laned_) return;
    for (std::size_t k = 0; k < 256; ++k)
        for (std::size_t c = 0; c < 3; ++c) lanes_[c][k] = LaneEntry(levels[k], static_cast<int>(c));
}

void ContrastRows::map(std::uint8_t* row, std::size_t pixels) const {
    ActiveInstructionSet() == InstructionSet::Avx2 ? avx2::Map(row, pixels, *this) : baseline::Map(row, pixels, *this);
}

}  // namespace tegmora::effects

#include "point_loops.h"

#include "line_lanes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tegmora::effects {
namespace {

// The fourth byte of a pixel word, which every loop keeps.
constexpr std::uint32_t kFourthByte = ~kColourBits;

// Word-to-word maps, one pixel at a time, for the baseline loops, which
// also finish the rows the vector loops leave a few pixels short.
constexpr std::uint32_t Inverted(std::uint32_t pixel) { return pixel ^ kColourBits; }

constexpr std::uint32_t Greyed(std::uint32_t pixel) {
    const auto sum = static_cast<std::int32_t>(ChannelOf(pixel, 0) + ChannelOf(pixel, 1) + ChannelOf(pixel, 2));
    return KeepFourthByte(static_cast<std::uint32_t>(GreyLevel(sum)) * 0x010101u, pixel);
}

constexpr std::uint32_t Rearranged(std::uint32_t pixel, ChannelOrder order) {
    return KeepFourthByte(
        ChannelOf(pixel, order.blue) | (ChannelOf(pixel, order.green) << 8) | (ChannelOf(pixel, order.red) << 16),
        pixel);
}

constexpr std::uint32_t Thresholded(std::uint32_t pixel, ColourParts limits) {
    const auto below = [pixel](int channel, std::int32_t limit) -> std::uint32_t {
        return static_cast<std::int32_t>(ChannelOf(pixel, channel)) < limit;
    };
    const std::uint32_t dark = below(0, limits.blue) & below(1, limits.green) & below(2, limits.red);
    // dark - 1 is all ones for a white pixel and zero for a black one.
    return KeepFourthByte(dark - 1u, pixel);
}

// Every pixel of the row through `map`, in place.
template <class Map>
void MapWords(std::uint8_t* row, std::size_t pixels, Map map) {
    for (std::size_t x = 0; x < pixels; ++x) StorePixel(row + 4 * x, map(LoadPixel(row + 4 * x)));
}

namespace baseline {

void InvertRow(std::uint8_t* row, std::size_t pixels) { MapWords(row, pixels, Inverted); }

void GreyRow(std::uint8_t* row, std::size_t pixels) { MapWords(row, pixels, Greyed); }

void RearrangeRow(std::uint8_t* row, std::size_t pixels, ChannelOrder order) {
    MapWords(row, pixels, [order](std::uint32_t pixel) { return Rearranged(pixel, order); });
}

void ThresholdRow(std::uint8_t* row, std::size_t pixels, ColourParts limits) {
    MapWords(row, pixels, [limits](std::uint32_t pixel) { return Thresholded(pixel, limits); });
}

void LookUpRow(std::uint8_t* row, std::size_t pixels, const RowTable& rowTable) {
    const ByteTable& table = rowTable.table();
    MapRow(row, pixels, {table, table, table});
}

bool RowWithin(const std::uint8_t* row, std::size_t pixels, std::uint8_t first, std::uint8_t last) {
    using Bytes = std::uint8_t __attribute__((vector_size(16)));
    const auto span = static_cast<std::uint8_t>(last - first);
    const Bytes colours = {255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0};
    const std::size_t bytes = 4 * pixels;
    Bytes outside = {};
    std::size_t i = 0;
    for (; i + 16 <= bytes; i += 16) {
        Bytes v;
        std::memcpy(&v, row + i, sizeof v);
        outside |= (Bytes)((Bytes)(v - first) > span) & colours;
    }
    std::uint8_t any = 0;
    for (int b = 0; b < 16; ++b) any |= outside[b];
    for (; i < bytes; ++i)
        if (i % 4 != 3) any |= static_cast<std::uint8_t>(row[i] - first) > span;
    return any == 0;
}

}  // namespace baseline

#if defined(__x86_64__)
namespace avx2 {

// Eight pixels a step; the rest of the row goes one pixel at a time.
constexpr std::size_t kStep = 8;

// A pshufb pattern giving every pixel its own bytes b, g, r and `fourth` (or
// zero, for 0x80), each index offset by the pixel's place in its 16-byte lane.
[[gnu::target("avx2")]] __m256i PerPixelShuffle(std::uint8_t b, std::uint8_t g, std::uint8_t r, std::uint8_t fourth) {
    alignas(32) std::uint8_t pattern[32];
    for (int i = 0; i < 32; i += 4) {
        const auto base = static_cast<std::uint8_t>(i % 16);
        pattern[i] = static_cast<std::uint8_t>(b | base);
        pattern[i + 1] = static_cast<std::uint8_t>(g | base);
        pattern[i + 2] = static_cast<std::uint8_t>(r | base);
        pattern[i + 3] = fourth == 0x80 ? 0x80 : static_cast<std::uint8_t>(fourth | base);
    }
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(pattern));
}

[[gnu::target("avx2")]] void InvertRow(std::uint8_t* row, std::size_t pixels) {
    const __m256i colours = _mm256_set1_epi32(static_cast<int>(kColourBits));
    std::size_t x = 0;
    for (; x + kStep <= pixels; x += kStep) Store(row + 4 * x, _mm256_xor_si256(Load(row + 4 * x), colours));
    baseline::InvertRow(row + 4 * x, pixels - x);
}

[[gnu::target("avx2")]] void GreyRow(std::uint8_t* row, std::size_t pixels) {
    const __m256i lowByte = _mm256_set1_epi32(0xFF);
    const __m256i fourth = _mm256_set1_epi32(static_cast<int>(kFourthByte));
    const __m256i third = _mm256_set1_epi32(static_cast<int>(kThird));
    // The level, in each pixel's low byte, copied to its three colour bytes.
    const __m256i spread = PerPixelShuffle(0, 0, 0, 0x80);
    std::size_t x = 0;
    for (; x + kStep <= pixels; x += kStep) {
        const __m256i v = Load(row + 4 * x);
        const __m256i sum = _mm256_add_epi32(
            _mm256_add_epi32(_mm256_and_si256(v, lowByte), _mm256_and_si256(_mm256_srli_epi32(v, 8), lowByte)),
            _mm256_and_si256(_mm256_srli_epi32(v, 16), lowByte));
        // The sum fills the low 16 bits of each word, so the high halves
        // multiply to zero.
        const __m256i level = _mm256_mulhi_epu16(sum, third);
        Store(row + 4 * x, _mm256_or_si256(_mm256_and_si256(v, fourth), _mm256_shuffle_epi8(level, spread)));
    }
    baseline::GreyRow(row + 4 * x, pixels - x);
}

[[gnu::target("avx2")]] void RearrangeRow(std::uint8_t* row, std::size_t pixels, ChannelOrder order) {
    const __m256i shuffle = PerPixelShuffle(static_cast<std::uint8_t>(order.blue),
                                            static_cast<std::uint8_t>(order.green),
                                            static_cast<std::uint8_t>(order.red), 3);
    std::size_t x = 0;
    for (; x + kStep <= pixels; x += kStep)
        Store(row + 4 * x, _mm256_shuffle_epi8(Load(row + 4 * x), shuffle));
    baseline::RearrangeRow(row + 4 * x, pixels - x, order);
}

[[gnu::target("avx2")]] void ThresholdRow(std::uint8_t* row, std::size_t pixels, ColourParts limits) {
    // A channel lies below its limit exactly when the limit, clamped to a
    // byte, minus the channel stays above zero in saturating arithmetic.
    const __m256i limit = _mm256_set1_epi32(static_cast<int>(
        ClampByte(limits.blue) | (ClampByte(limits.green) << 8) | (ClampByte(limits.red) << 16)));
    const __m256i colours = _mm256_set1_epi32(static_cast<int>(kColourBits));
    const __m256i fourth = _mm256_set1_epi32(static_cast<int>(kFourthByte));
    const __m256i zero = _mm256_setzero_si256();
    std::size_t x = 0;
    for (; x + kStep <= pixels; x += kStep) {
        const __m256i v = Load(row + 4 * x);
        const __m256i notBelow = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_subs_epu8(limit, v), zero), colours);
        const __m256i dark = _mm256_cmpeq_epi32(notBelow, zero);
        Store(row + 4 * x, _mm256_or_si256(_mm256_and_si256(v, fourth), _mm256_andnot_si256(dark, colours)));
    }
    baseline::ThresholdRow(row + 4 * x, pixels - x, limits);
}

// A 256-byte table as sixteen pshufb lookups. Entry i lies in sixteenth
// i / 16; lookup k reads index i - 16k, which pshufb turns into 0 once it is
// negative (saturated, so that it stays negative), and the tables hold the
// difference of each sixteenth from the one before, so the XOR of the
// lookups that hit telescopes to the entry. The upper half runs the same
// way on i - 128, and each half yields 0 for the other's indices.
class VectorTable {
public:
    [[gnu::target("avx2")]] explicit VectorTable(const ByteTable& table) {
        for (int k = 0; k < 16; ++k) {
            const __m128i part = _mm_loadu_si128(reinterpret_cast<const __m128i*>(table.data() + 16 * k));
            const __m128i before = k % 8 == 0 ? _mm_setzero_si128()
                                              : _mm_loadu_si128(reinterpret_cast<const __m128i*>(table.data() + 16 * (k - 1)));
            Store(steps_[k], _mm256_broadcastsi128_si256(_mm_xor_si128(part, before)));
        }
    }

    [[gnu::target("avx2")]] __m256i operator()(__m256i v) const {
        return _mm256_xor_si256(Half(v, 0), Half(_mm256_xor_si256(v, _mm256_set1_epi8(-128)), 8));
    }

private:
    [[gnu::target("avx2")]] __m256i Half(__m256i index, int first) const {
        const __m256i sixteen = _mm256_set1_epi8(16);
        __m256i result = _mm256_shuffle_epi8(Load(steps_[first]), index);
        for (int k = first + 1; k < first + 8; ++k) {
            index = _mm256_subs_epi8(index, sixteen);
            result = _mm256_xor_si256(result, _mm256_shuffle_epi8(Load(steps_[k]), index));
        }
        return result;
    }

    alignas(32) std::uint8_t steps_[16][32];
};

// RowTable's line on 32 bytes, clamped to 0..255.
class VectorLine {
public:
    [[gnu::target("avx2")]] explicit VectorLine(const Line& line) : lanes_(line) {}

    [[gnu::target("avx2")]] __m256i operator()(__m256i v) const {
        const __m256i zero = _mm256_setzero_si256();
        return _mm256_packus_epi16(lanes_(_mm256_unpacklo_epi8(v, zero)), lanes_(_mm256_unpackhi_epi8(v, zero)));
    }

private:
    LineLanes lanes_;
};

template <class Map>
[[gnu::target("avx2"), gnu::always_inline]] inline void MapColourBytes(std::uint8_t* row, std::size_t pixels,
                                                                        const Map& map) {
    const __m256i fourth = _mm256_set1_epi32(static_cast<int>(kFourthByte));
    for (std::size_t x = 0; x < pixels; x += kStep) {
        const __m256i v = Load(row + 4 * x);
        Store(row + 4 * x, _mm256_blendv_epi8(map(v), v, fourth));
    }
}

// The 96 colour bytes of 32 pixels packed into three vectors rather than
// four, so that a costly map runs three times, not four. Each 16-byte lane of
// the first three vectors keeps its own twelve colour bytes in front and
// takes four of the fourth vector's, lane for lane, where its fourth bytes
// were.
class PackedColourBytes {
public:
    static constexpr std::size_t kPixels = 32;

    [[gnu::target("avx2")]] PackedColourBytes() {
        front_ = LanePattern([](int slot) { return slot < 12 ? Place(slot) : kZero; });
        back_ = LanePattern([](int place) { return place % 4 == 3 ? kZero : Colour(place); });
        for (int v = 0; v < 3; ++v) {
            spill_[v] = LanePattern([v](int slot) { return slot < 12 ? kZero : Place(4 * v + slot - 12); });
            return_[v] = LanePattern([v](int place) {
                return place % 4 == 3 || Colour(place) / 4 != v ? kZero : 12 + Colour(place) % 4;
            });
        }
    }

    template <class Map>
    [[gnu::target("avx2"), gnu::always_inline]] void map(std::uint8_t* p, const Map& map) const {
        const __m256i v[4] = {Load(p), Load(p + 32), Load(p + 64), Load(p + 96)};
        __m256i mapped[3];
        for (int i = 0; i < 3; ++i)
            mapped[i] = map(_mm256_or_si256(_mm256_shuffle_epi8(v[i], front_), _mm256_shuffle_epi8(v[3], spill_[i])));
        const __m256i fourth = _mm256_set1_epi32(static_cast<int>(kFourthByte));
        __m256i last = _mm256_and_si256(v[3], fourth);
        for (int i = 0; i < 3; ++i) {
            Store(p + 32 * i, _mm256_or_si256(_mm256_shuffle_epi8(mapped[i], back_), _mm256_and_si256(v[i], fourth)));
            last = _mm256_or_si256(last, _mm256_shuffle_epi8(mapped[i], return_[i]));
        }
        Store(p + 96, last);
    }

private:
    static constexpr int kZero = 0x80;
    // Where a lane's colour byte j lies, and which colour byte lies at a place.
    static int Place(int j) { return j + j / 3; }
    static int Colour(int place) { return place - place / 4; }

    template <class Pick>
    [[gnu::target("avx2")]] static __m256i LanePattern(Pick pick) {
        alignas(32) std::uint8_t pattern[32];
        for (int i = 0; i < 32; ++i) pattern[i] = static_cast<std::uint8_t>(pick(i % 16));
        return _mm256_load_si256(reinterpret_cast<const __m256i*>(pattern));
    }

    __m256i front_;
    __m256i back_;
    __m256i spill_[3];
    __m256i return_[3];
};

[[gnu::target("avx2")]] void LookUpRow(std::uint8_t* row, std::size_t pixels, const RowTable& table) {
    const std::size_t whole = pixels / kStep * kStep;
    if (table.line() != nullptr) {
        MapColourBytes(row, whole, VectorLine(*table.line()));
    } else {
        const VectorTable lookUp(table.table());
        const PackedColourBytes packed;
        std::size_t x = 0;
        for (; x + PackedColourBytes::kPixels <= whole; x += PackedColourBytes::kPixels) packed.map(row + 4 * x, lookUp);
        MapColourBytes(row + 4 * x, whole - x, lookUp);
    }
    baseline::LookUpRow(row + 4 * whole, pixels - whole, table);
}

[[gnu::target("avx2")]] bool RowWithin(const std::uint8_t* row, std::size_t pixels, std::uint8_t first,
                                       std::uint8_t last) {
    const __m256i low = _mm256_set1_epi8(static_cast<char>(first));
    const __m256i span = _mm256_set1_epi8(static_cast<char>(last - first));
    // All ones on every byte that lies inside, and on the fourth bytes.
    __m256i inside = _mm256_set1_epi32(static_cast<int>(kFourthByte));
    const __m256i fourth = inside;
    __m256i all = _mm256_set1_epi8(-1);
    std::size_t x = 0;
    for (; x + kStep <= pixels; x += kStep) {
        const __m256i offset = _mm256_sub_epi8(Load(row + 4 * x), low);
        inside = _mm256_or_si256(fourth, _mm256_cmpeq_epi8(_mm256_max_epu8(offset, span), span));
        all = _mm256_and_si256(all, inside);
    }
    return _mm256_movemask_epi8(all) == -1 && baseline::RowWithin(row + 4 * x, pixels - x, first, last);
}

}  // namespace avx2
#else
// Elsewhere the baseline loops are the only ones.
namespace avx2 = baseline;
#endif

InstructionSet Choose() {
    const char* asked = std::getenv("TEGMORA_ISA");
    if (asked != nullptr && std::string_view(asked) == "baseline") return InstructionSet::Baseline;
    return Supports(InstructionSet::Avx2) ? InstructionSet::Avx2 : InstructionSet::Baseline;
}

}  // namespace

RowTable::RowTable(const ByteTable& table, double slope, std::int32_t centre)
    : table_(table), line_(Line::Find(slope, centre, [&table](const Line& line, std::int32_t k) {
          return ClampByte(line.at(k)) == table[static_cast<std::size_t>(k)];
      })) {}

bool Supports(InstructionSet set) {
#if defined(__x86_64__)
    if (set == InstructionSet::Avx2) {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2");
    }
#endif
    return set == InstructionSet::Baseline;
}

InstructionSet ActiveInstructionSet() {
    static const InstructionSet active = Choose();
    return active;
}

void InvertRow(std::uint8_t* row, std::size_t pixels) {
    UseAvx2() ? avx2::InvertRow(row, pixels) : baseline::InvertRow(row, pixels);
}

void GreyRow(std::uint8_t* row, std::size_t pixels) {
    UseAvx2() ? avx2::GreyRow(row, pixels) : baseline::GreyRow(row, pixels);
}

void RearrangeRow(std::uint8_t* row, std::size_t pixels, ChannelOrder order) {
    UseAvx2() ? avx2::RearrangeRow(row, pixels, order) : baseline::RearrangeRow(row, pixels, order);
}

void ThresholdRow(std::uint8_t* row, std::size_t pixels, ColourParts limits) {
    UseAvx2() ? avx2::ThresholdRow(row, pixels, limits) : baseline::ThresholdRow(row, pixels, limits);
}

void LookUpRow(std::uint8_t* row, std::size_t pixels, const RowTable& table) {
    UseAvx2() ? avx2::LookUpRow(row, pixels, table) : baseline::LookUpRow(row, pixels, table);
}

bool RowWithin(const std::uint8_t* row, std::size_t pixels, std::uint8_t first, std::uint8_t last) {
    return UseAvx2() ? avx2::RowWithin(row, pixels, first, last) : baseline::RowWithin(row, pixels, first, last);
}

}  // namespace tegmora::effects

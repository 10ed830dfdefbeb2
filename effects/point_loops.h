// Row loops of the filters that map each pixel from its own channels, in
// one version for the x86-64 baseline and one for AVX2. The version is picked
// once per process, so one binary runs on any x86-64 and uses the wider
// vectors where the processor has them. Every version writes the same bytes;
// every loop keeps each pixel's fourth byte.
#pragma once

#include "engine.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tegmora::effects {

enum class InstructionSet { Baseline, Avx2 };

// Whether this processor runs `set`'s loops.
bool Supports(InstructionSet set);

// The loops in use: the widest set the processor runs, unless the
// environment variable TEGMORA_ISA names another (`baseline` or `avx2`; a set
// the processor lacks is ignored). Read once, on first use.
InstructionSet ActiveInstructionSet();

inline bool UseAvx2() { return ActiveInstructionSet() == InstructionSet::Avx2; }

// A row loop written once in plain C++ runs in both versions: `Loop`, a
// function marked always_inline, is either called as it is or inlined into a
// function built for AVX2, where the compiler vectorises it 32 bytes wide.
// It takes what it reads as arguments: byte stores may alias anything held in
// memory, which the compiler would then reload on every step.
#if defined(__x86_64__)
template <auto Loop, class... Arguments>
[[gnu::target("avx2")]] void RunBuiltForAvx2(Arguments... arguments) {
    Loop(arguments...);
}

#if defined(__x86_64__)
// 32 bytes from or to p, which need not be aligned.
[[gnu::target("avx2")]] inline __m256i Load(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}
[[gnu::target("avx2")]] inline void Store(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
#endif
#endif

template <auto Loop, class... Arguments>
void RunActiveVersion(Arguments... arguments) {
#if defined(__x86_64__)
    if (UseAvx2()) return RunBuiltForAvx2<Loop>(arguments...);
#endif
    Loop(arguments...);
}

// Blue, green and red turned into 255 minus themselves.
void InvertRow(std::uint8_t* row, std::size_t pixels);

// Blue, green and red all set to the pixel's grey level (B + G + R) / 3, rounded down.
void GreyRow(std::uint8_t* row, std::size_t pixels);

// New blue, green and red taken from the channels named (0 blue, 1 green,
// 2 red).
struct ChannelOrder {
    int blue;
    int green;
    int red;
};
void RearrangeRow(std::uint8_t* row, std::size_t pixels, ChannelOrder order);

// Black where every channel lies below its limit, white elsewhere.
void ThresholdRow(std::uint8_t* row, std::size_t pixels, ColourParts limits);

// A table that is a rounded straight line through (centre, centre): level k
// maps to centre + ((k - centre) * multiplier + 2^(shift - 1)) >> shift, as
// 16-bit lanes compute it. The vector loops compute such a table rather than
// look it up, but only where that gives every one of the 256 entries.
struct Line {
    std::int16_t multiplier;
    std::int16_t centre;
    int shift;

    std::int32_t at(std::int32_t k) const {
        return centre + (((k - centre) * multiplier + (1 << (shift - 1))) >> shift);
    }

    // The line through every level k for which matches(line, k) holds, with
    // the finest shift the multiplier allows, if there is one. A near tie in
    // the table rounds the way the slope's own rounding error leans, which the
    // multiplier can follow only by erring the same way: one of the two
    // neighbours of slope * 2^shift may do, or neither.
    template <class Matches>
    static std::optional<Line> Find(double slope, std::int32_t centre, Matches matches) {
        int shift = 14;
        while (shift > kCoarsest && !(std::fabs(std::ldexp(slope, shift)) < 32767.0)) --shift;
        const double scaled = std::ldexp(slope, shift);
        if (!(std::fabs(scaled) < 32767.0) || centre < 0 || centre > 255) return std::nullopt;
        for (const double multiplier : {std::floor(scaled), std::ceil(scaled)}) {
            const Line line{static_cast<std::int16_t>(multiplier), static_cast<std::int16_t>(centre), shift};
            std::int32_t k = 0;
            while (k < 256 && matches(line, k)) ++k;
            if (k == 256) return line;
        }
        return std::nullopt;
    }

    // Below it a centred level times 2^(15 - shift), which the lanes form,
    // would not fit 16 bits.
    static constexpr int kCoarsest = 8;
};

// A byte table for LookUpRow, prepared once per run.
class RowTable {
public:
    explicit RowTable(const ByteTable& table) : table_(table) {}
    // table[k] should be the byte nearest to slope * (k - centre) + centre
    // (brightness, contrast): then the loops may compute it as a Line,
    // clamped to 0..255.
    RowTable(const ByteTable& table, double slope, std::int32_t centre);

    const ByteTable& table() const { return table_; }
    const Line* line() const { return line_ ? &*line_ : nullptr; }

private:
    ByteTable table_;
    std::optional<Line> line_;
};

// Blue, green and red each mapped through the same table.
void LookUpRow(std::uint8_t* row, std::size_t pixels, const RowTable& table);

// True when every blue, green and red byte of the row lies in first..last.
bool RowWithin(const std::uint8_t* row, std::size_t pixels, std::uint8_t first, std::uint8_t last);

}  // namespace tegmora::effects

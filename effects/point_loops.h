// Row loops of the filters that map each pixel from its own channels, in
// one version for the x86-64 baseline and one for AVX2. The version is picked
// once per process, so one binary runs on any x86-64 and uses the wider
// vectors where the processor has them. Every version writes the same bytes;
// every loop keeps each pixel's fourth byte.
#pragma once

#include "engine.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tegmora::effects {

enum class InstructionSet { Baseline, Avx2 };

// Whether this processor runs `set`'s loops.
bool Supports(InstructionSet set);

// The loops in use: the widest set the processor runs, unless the
// environment variable TEGMORA_ISA names another (`baseline` or `avx2`; a set
// the processor lacks is ignored). Read once, on first use.
InstructionSet ActiveInstructionSet();

// Blue, green and red turned into 255 minus themselves.
void InvertRow(std::uint8_t* row, std::size_t pixels);

// Blue, green and red all set to the pixel's grey level (B + G + R) \ 3.
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

// A byte table for LookUpRow, prepared once per run. A table that is a
// straight line through (fixed, fixed), rounded and clamped to 0..255
// (brightness, contrast), may say so: the loops then compute the line rather
// than look it up, but only where that computation gives every one of the
// 256 entries exactly.
class RowTable {
public:
    explicit RowTable(const ByteTable& table) : table_(table) {}
    // table[k] should be the byte nearest to slope * (k - fixed) + fixed.
    RowTable(const ByteTable& table, double slope, std::int32_t fixed);

    const ByteTable& table() const { return table_; }

    // The line as 32-bit lanes compute it: fixed plus
    // ((k - fixed) * multiplier + 2^(kShift - 1)) >> kShift, with the sum
    // saturated to 16 bits and then to a byte.
    struct Line {
        std::int16_t multiplier;
        std::int16_t fixed;
    };
    static constexpr int kShift = 14;
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

// An input of the image fuzz target: the bytes of an image file followed by
// a six-byte trailer that picks the amount every filter is run with and the
// random draws the noisy filters get. The seed program writes inputs in this
// form, so both sides read and write it here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <vector>

namespace tegmora::fuzz {

// Amounts worth trying often: the ones that fail some filter, those next to
// them, the editor's presets and the ends of the 32-bit range.
inline constexpr std::int32_t kAmounts[] = {
    0,           1,           -1,          2,           -2,          3,           6,
    8,           -8,          -9,          9,           10,          -10,         12,
    15,          -20,         100,         -100,        -101,        255,         256,
    65535,       16777215,    -16777216,   8421480,     8421481,     -8421512,    -8421513,
    8421495,     8421496,     -8421505,    -8421506,    249999900,   250000000,   -250000100,
    -250000101,  842150350,   842150351,   -842150550,  -842150551,  1073741823,  1073741824,
    -1073741824, -1073741825, 1263200000,  1263200001,  -1263200000, -1263200001, 2147483623,
    2147483624,  2147483639,  2147483640,  2147483646,  2147483647,  -2147483647 - 1, -2147483647,
};

struct FilterChoice {
    std::uint8_t amountPick = 0;  // below the size of kAmounts: that amount; otherwise rawAmount
    std::int32_t rawAmount = 0;
    std::uint8_t randomSeed = 0;  // 0: every draw 0; 255: every draw just below 1
};

inline constexpr std::size_t kTrailerSize = 6;

struct ImageInput {
    std::span<const std::uint8_t> file;
    FilterChoice choice;
};

inline std::int32_t AmountOf(const FilterChoice& choice) {
    return choice.amountPick < std::size(kAmounts) ? kAmounts[choice.amountPick] : choice.rawAmount;
}

// An input shorter than the trailer is all file, with the first amount.
inline ImageInput SplitImageInput(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kTrailerSize) return {bytes, {}};
    const std::uint8_t* trailer = bytes.data() + bytes.size() - kTrailerSize;
    FilterChoice choice;
    choice.amountPick = trailer[0];
    std::uint32_t raw = 0;
    for (int i = 3; i >= 0; --i) raw = raw << 8 | trailer[1 + i];
    choice.rawAmount = static_cast<std::int32_t>(raw);
    choice.randomSeed = trailer[5];
    return {bytes.first(bytes.size() - kTrailerSize), choice};
}

inline std::vector<std::uint8_t> JoinImageInput(std::span<const std::uint8_t> file, const FilterChoice& choice) {
    std::vector<std::uint8_t> bytes(file.begin(), file.end());
    bytes.push_back(choice.amountPick);
    const auto raw = static_cast<std::uint32_t>(choice.rawAmount);
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(raw >> shift));
    bytes.push_back(choice.randomSeed);
    return bytes;
}

}  // namespace tegmora::fuzz

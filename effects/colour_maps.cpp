// The colour filters: invert, average gray, channel swap, colour threshold,
// saturation and auto levels. Each pixel's new colour comes from its own
// three channels (auto levels also from each channel's range over the image).
// Invert, average gray, swap and threshold run row by row through the point
// loops.
#include "engine.h"
#include "point_loops.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace tegmora::effects {
namespace {

// These filters read only the pixel they write, which is the same as reading
// the unchanged image, so they run in place.

// New blue, green and red from the channels in `order`.
void Rearrange(FilterRun& run, ChannelOrder order) {
    ForEachRow(run, [order](std::uint8_t* row, std::size_t pixels) { RearrangeRow(row, pixels, order); });
}

// The darkest and brightest value of each channel over the rows it has seen.
// Sixteen pixels are kept side by side, one lane per byte, so that the scan
// vectorises; the lanes are folded per channel only when asked.
class ChannelRanges {
public:
    void scan(const std::uint8_t* row, std::size_t bytes) {
        // Local lanes: the row's bytes could alias the members, which would
        // keep the compiler from holding them in registers.
        Lanes lo = lo_;
        Lanes hi = hi_;
        std::size_t i = 0;
        for (; i + kLanes <= bytes; i += kLanes)
            for (std::size_t lane = 0; lane < kLanes; ++lane) Widen(lo, hi, lane, row[i + lane]);
        for (std::size_t lane = 0; i < bytes; ++i, ++lane) Widen(lo, hi, lane, row[i]);
        lo_ = lo;
        hi_ = hi;
    }

    // Channel 0 (blue), 1 (green) or 2 (red).
    std::uint8_t lowest(std::size_t channel) const {
        return Fold(lo_, channel, [](std::uint8_t a, std::uint8_t b) { return std::min(a, b); });
    }
    std::uint8_t highest(std::size_t channel) const {
        return Fold(hi_, channel, [](std::uint8_t a, std::uint8_t b) { return std::max(a, b); });
    }

private:
    static constexpr std::size_t kLanes = 64;  // a multiple of 4: lane % 4 is the channel
    using Lanes = std::array<std::uint8_t, kLanes>;

    // By value and with plain comparisons, which the compiler turns into
    // byte-wise minimum and maximum instructions.
    static void Widen(Lanes& lo, Lanes& hi, std::size_t lane, std::uint8_t v) {
        lo[lane] = v < lo[lane] ? v : lo[lane];
        hi[lane] = v > hi[lane] ? v : hi[lane];
    }

    template <class Pick>
    static std::uint8_t Fold(const Lanes& lanes, std::size_t channel, Pick pick) {
        std::uint8_t result = lanes[channel];
        for (std::size_t lane = channel + 4; lane < kLanes; lane += 4)
            result = pick(result, lanes[lane]);
        return result;
    }

    static Lanes Filled(std::uint8_t v) {
        Lanes lanes;
        lanes.fill(v);
        return lanes;
    }

    Lanes lo_ = Filled(255);
    Lanes hi_ = Filled(0);
};

// Stretches lo..hi onto 0..255. A channel that has one value over the whole
// image has nothing to stretch and keeps its values.
ByteTable StretchTable(std::int32_t lo, std::int32_t hi) {
    ByteTable table;
    for (std::int32_t v = 0; v < 256; ++v) table[v] = static_cast<std::uint8_t>(v);
    if (lo == hi) return table;
    for (std::int32_t v = lo; v <= hi; ++v)
        table[v] =
            static_cast<std::uint8_t>(Nearest((v - lo) * 255 / static_cast<double>(hi - lo)));
    return table;
}

// |c - grey| never exceeds 170: a channel of 255 beside two of 0 has grey 85,
// a channel of 0 beside two of 255 has grey 170.
constexpr std::int32_t kMaxDistance = 170;

// A / 100 held in single precision.
double Strength(std::int32_t amount) { return Single(amount / 100.0); }

// Rewrites every pixel's three channels through `saturate(c, grey)`, in place:
// a pixel is read before it is written, as if from the unchanged image.
template <class Saturate>
void SaturateRows(FilterRun& run, Saturate saturate) {
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        std::uint8_t* p = run.work.row(y);
        std::uint8_t* const end = p + run.work.stride();
        for (; p != end; p += 4) {
            const std::int32_t grey = GreyLevel(p[0] + p[1] + p[2]);
            p[0] = saturate(p[0], grey);
            p[1] = saturate(p[1], grey);
            p[2] = saturate(p[2], grey);
        }
        run.rowDone(y);
    }
    run.finish();
}

// nearest(S * d + c) - c for every distance d = c - grey: S * d + c is exact
// in double, so only a tie can make that depend on c, and half to even
// decides a tie by the parity of the integer part, which shifting by an even
// number keeps. So one shift for even c and one for odd c per distance.
class DistanceShifts {
public:
    explicit DistanceShifts(double strength) {
        for (std::int32_t d = -kMaxDistance; d <= kMaxDistance; ++d)
            for (std::int32_t parity = 0; parity < 2; ++parity)
                shifts_[Index(d, parity)] = Nearest(strength * d + parity) - parity;
    }

    std::int32_t operator()(std::int32_t distance, std::int32_t parity) const {
        return shifts_[Index(distance, parity)];
    }

private:
    static std::size_t Index(std::int32_t distance, std::int32_t parity) {
        return static_cast<std::size_t>(2 * (distance + kMaxDistance) + parity);
    }

    std::array<std::int32_t, 2 * (2 * kMaxDistance + 1)> shifts_;
};

// Every (grey level, channel) pair mapped once per run, so that a pixel
// costs three byte loads: a few hundred roundings, not 65536.
class SaturationMap {
public:
    explicit SaturationMap(const DistanceShifts& shifts) : map_(256 * 256) {
        // Pairs further apart than any pixel can hold are left at 0.
        for (std::int32_t grey = 0; grey < 256; ++grey) {
            const std::int32_t last = std::min(255, grey + kMaxDistance);
            for (std::int32_t c = std::max(0, grey - kMaxDistance); c <= last; ++c)
                map_[Index(c, grey)] = ClampByte(c + shifts(c - grey, c & 1));
        }
    }

    std::uint8_t operator()(std::int32_t c, std::int32_t grey) const {
        return map_[Index(c, grey)];
    }

private:
    static std::size_t Index(std::int32_t c, std::int32_t grey) {
        return static_cast<std::size_t>(grey) * 256 + static_cast<std::size_t>(c);
    }

    std::vector<std::uint8_t> map_;
};

// The shifts as one rounded product (d * multiplier + 2^(shift - 1)) >> shift,
// which loops over whole rows compute eight or sixteen pixels a step. There
// is one unless a tie makes the shift depend on the parity (S = 0.5 at an odd
// distance), or S is too large for 32-bit lanes; only a multiplier that gives
// every shift is taken.
struct ShiftLine {
    std::int32_t multiplier;
    int shift;

    std::int32_t at(std::int32_t distance) const {
        return (distance * multiplier + (1 << (shift - 1))) >> shift;
    }

    static std::optional<ShiftLine> Find(double strength, const DistanceShifts& shifts) {
        constexpr int kShift = 16;
        const double scaled = std::ldexp(strength, kShift);
        if (!(std::fabs(scaled) < 0x1p22)) return std::nullopt;
        for (const double multiplier : {std::floor(scaled), std::ceil(scaled)}) {
            const ShiftLine line{static_cast<std::int32_t>(multiplier), kShift};
            bool matches = true;
            for (std::int32_t d = -kMaxDistance; d <= kMaxDistance && matches; ++d)
                matches = line.at(d) == shifts(d, 0) && line.at(d) == shifts(d, 1);
            if (matches) return line;
        }
        return std::nullopt;
    }
};

// A row through a ShiftLine, one pixel word at a time, which vectorises.
[[gnu::always_inline]] inline void SaturateRowByLine(std::uint8_t* row, std::size_t pixels, ShiftLine line) {
    for (std::size_t x = 0; x < pixels; ++x) {
        const std::uint32_t pixel = LoadPixel(row + 4 * x);
        const auto channel = [pixel](int c) { return static_cast<std::int32_t>(ChannelOf(pixel, c)); };
        const std::int32_t grey = GreyLevel(channel(0) + channel(1) + channel(2));
        const auto saturated = [&](int c) {
            return static_cast<std::uint32_t>(ClampByte(channel(c) + line.at(channel(c) - grey))) << (8 * c);
        };
        StorePixel(row + 4 * x, KeepFourthByte(saturated(0) | saturated(1) | saturated(2), pixel));
    }
}

}  // namespace

void Invert(FilterRun& run) { ForEachRow(run, InvertRow); }

void AverageGray(FilterRun& run) { ForEachRow(run, GreyRow); }

void SwapChannels(FilterRun& run) {
    switch (run.amount) {
        case 1: return Rearrange(run, {1, 2, 0});
        case 2: return Rearrange(run, {2, 0, 1});
        case 3: return Rearrange(run, {1, 0, 2});
        case 4: return Rearrange(run, {2, 1, 0});
        case 5: return Rearrange(run, {0, 2, 1});
        default:
            // Any other selector writes nothing, but the run still walks every
            // row and reports it.
            ForEachRow(run, [](std::uint8_t*, std::size_t) {});
    }
}

void ColorThreshold(FilterRun& run) {
    const ColourParts limits = SplitColour(run.amount);
    ForEachRow(run, [limits](std::uint8_t* row, std::size_t pixels) { ThresholdRow(row, pixels, limits); });
}

void AutoLevels(FilterRun& run) {
    ChannelRanges ranges;
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        ranges.scan(run.work.row(y), run.work.stride());
        run.rowDone(y, 0, 10);
    }
    run.report(10);
    const ByteTable blue = StretchTable(ranges.lowest(0), ranges.highest(0));
    const ByteTable green = StretchTable(ranges.lowest(1), ranges.highest(1));
    const ByteTable red = StretchTable(ranges.lowest(2), ranges.highest(2));
    const ChannelTables tables{blue, green, red};
    ForEachRow(run, [&tables](std::uint8_t* row, std::size_t pixels) { MapRow(row, pixels, tables); }, 10, 90);
}

bool SaturationMayFailMidRun(std::int32_t amount) {
    // S * (c - grey) + c must round into 32 bits before it is clamped; past
    // this strength some pixel's value may not.
    return std::fabs(Strength(amount)) * kMaxDistance + 255.0 >= 2147483647.0;
}

void Saturation(FilterRun& run) {
    const double strength = Strength(run.amount);
    if (SaturationMayFailMidRun(run.amount)) {
        SaturateRows(run, [strength](std::int32_t c, std::int32_t grey) {
            return ClampByte(Nearest(strength * (c - grey) + c));
        });
        return;
    }
    const DistanceShifts shifts(strength);
    // Only where the loop is built for AVX2: the baseline lacks 32-bit
    // multiplies and clamps, and its map of lookups is faster.
    const std::optional<ShiftLine> line = UseAvx2() ? ShiftLine::Find(strength, shifts) : std::nullopt;
    if (line) {
        ForEachRow(run, [line = *line](std::uint8_t* row, std::size_t width) {
            RunActiveVersion<SaturateRowByLine>(row, width, line);
        });
        return;
    }
    SaturateRows(run, SaturationMap(shifts));
}

}  // namespace tegmora::effects

// Auto levels, gamma and noise: the three colour channels treated apart.
// The two tone curves are byte tables built once per run; noise adds a
// random offset to every channel, drawn a row at a time.
#include "engine.h"
#include "point_loops.h"

#include <algorithm>
#include <bit>
#include <optional>

namespace tegmora::effects {
namespace {

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

// What a level becomes under the power curve, or the error its conversion
// to a byte raises: with a negative exponent 0 has no finite power, and a
// level below 255 that the curve lifts to 255.5 or more leaves the byte range.
struct CurvePoint {
    std::uint8_t value = 0;
    std::optional<ErrorKind> fault;
};

CurvePoint PowerCurvePoint(std::int32_t level, double exponent) {
    const double v = std::pow(level / 255.0, exponent) * 255.0;
    if (!std::isfinite(v)) return {0, ErrorKind::InvalidFloatingPoint};
    if (v >= 255.5) return {0, ErrorKind::Overflow};
    return {static_cast<std::uint8_t>(Nearest(v)), std::nullopt};
}

// Raises the error of the first channel, in scan order, whose level the
// curve cannot convert.
void RaiseAtFirstFault(const std::uint8_t* row, std::int32_t width,
                       const std::array<CurvePoint, 256>& curve) {
    const std::uint8_t* const end = row + std::size_t{4} * static_cast<std::size_t>(width);
    for (const std::uint8_t* p = row; p != end; p += 4)
        for (int c = 0; c < 3; ++c)
            if (curve[p[c]].fault) Raise(*curve[p[c]].fault);
}

// Rounds half to even, as nearbyint does in the default rounding mode, for
// |v| < 2^31: adding 1.5 * 2^52 leaves no fraction bits, so the addition
// itself rounds, and the integer lands in the low bits of the sum. No library
// call and no conversion instruction on the hot path.
inline std::int32_t RoundHalfEven(double v) {
    const double shifted = v + 0x1.8p52;
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(shifted)));
}

// One channel of one pixel: v + r * (2A + 1) - A, rounded and clamped. The
// sum stays within +-(2^30 + 256).
inline std::uint8_t Noisy(std::uint8_t level, float draw, double span, double amount) {
    return ClampByte(RoundHalfEven(static_cast<double>(draw) * span - amount + level));
}

// 2A + 1, formed after the first pixel's blue draw: a run whose span leaves
// 32 bits still takes that one draw before it fails.
std::int32_t NoiseSpan(std::int32_t amount) {
    const std::int64_t span = 2 * std::int64_t{amount} + 1;
    if (span != static_cast<std::int32_t>(span)) {
        float first;
        DrawUniform(std::span(&first, 1));
        Raise(ErrorKind::Overflow);
    }
    return static_cast<std::int32_t>(span);
}

}  // namespace

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
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        MapRow(run.work.row(y), run.width(), tables);
        run.rowDone(y, 10, 90);
    }
    run.finish();
}

bool GammaMayFailMidRun(std::int32_t amount) {
    // A negative exponent fails at the first level it cannot convert, which
    // may lie rows into the image.
    return amount < 0;
}

void Gamma(FilterRun& run) {
    const double gamma = Single(run.amount / 100.0);
    if (gamma == 0.0) Raise(ErrorKind::DivisionByZero);
    const double exponent = 1.0 / gamma;
    std::array<CurvePoint, 256> curve;
    ByteTable map;
    bool mayFault = false;
    for (std::int32_t level = 0; level < 256; ++level) {
        curve[level] = PowerCurvePoint(level, exponent);
        map[level] = curve[level].value;
        mayFault = mayFault || curve[level].fault.has_value();
    }
    const RowTable table(map);
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        if (mayFault) RaiseAtFirstFault(run.work.row(y), run.width(), curve);
        LookUpRow(run.work.row(y), static_cast<std::size_t>(run.width()), table);
        run.rowDone(y);
    }
    run.finish();
}

void Noise(FilterRun& run) {
    const double span = NoiseSpan(run.amount);
    const double amount = run.amount;
    const std::size_t width = static_cast<std::size_t>(run.width());
    std::vector<float> draws(3 * width);
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        DrawUniform(draws);
        std::uint8_t* p = run.work.row(y);
        for (std::size_t x = 0; x < width; ++x, p += 4)
            for (std::size_t c = 0; c < 3; ++c) p[c] = Noisy(p[c], draws[3 * x + c], span, amount);
        run.rowDone(y);
    }
    run.finish();
}

}  // namespace tegmora::effects

// The tone curves: brightness, contrast and gamma. Each builds a byte table
// once per run from its amount and maps every channel through it.
#include "engine.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cmath>
#include <optional>

namespace tegmora::effects {
namespace {

// Contrast's table before the clamp: what each level maps to, which may lie
// outside 0..255.
using Levels = std::array<std::int32_t, 256>;

// (A + 100) / 100 held in single precision.
double ScaleFactor(std::int32_t amount) { return Single(CheckedAdd(amount, 100) / 100.0); }

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

// Contrast's treatment of a pixel whose mapped channels left 0..255: half of
// each excess moves onto the other two channels, pass after pass.
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

}  // namespace

void Brightness(FilterRun& run) {
    const double factor = ScaleFactor(run.amount);
    ByteTable map;
    for (std::int32_t i = 0; i < 256; ++i) map[i] = ClampByte(Nearest(factor * i));
    const ChannelTables tables{map, map, map};
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        MapRow(run.work.row(y), run.width(), tables);
        run.rowDone(y);
    }
    run.finish();
}

bool ContrastMayFailMidRun(std::int32_t amount) {
    // Beyond this the table's entries are large enough for the spreading to
    // leave 32 bits on some pixels.
    return std::llabs(std::int64_t{amount} + 100) > 250'000'000;
}

namespace {

void SpreadPixel(std::uint8_t* p, const Levels& levels) {
    std::int32_t v[3] = {levels[p[0]], levels[p[1]], levels[p[2]]};
    SpreadOverflow(v);
    p[0] = static_cast<std::uint8_t>(v[0]);
    p[1] = static_cast<std::uint8_t>(v[1]);
    p[2] = static_cast<std::uint8_t>(v[2]);
}

// Contrast's table in a form that settles most pixels with two additions:
// each channel's entry holds, in 16-bit lanes, the channel's own value
// clamped to 0..255, the half excess it passes to each of the other two, and
// whether it was out of range. Summing the three entries of a pixel gives the
// result of the first spreading pass whenever at most one channel was out of
// range and nothing it passed on overflowed in turn, which the lanes show;
// every other pixel takes SpreadOverflow.
class SpreadLanes {
public:
    // False when the table's excesses are too large for the lanes.
    bool build(const Levels& levels) {
        for (std::int32_t k = 0; k < 256; ++k) {
            const std::int32_t v = levels[k];
            const std::int32_t half = HalfExcess(v);
            if (half < -kReach || half > kReach) return false;
            const std::uint64_t out = AllBytes(v, 0, 0) ? 0 : 1;
            for (int c = 0; c < 3; ++c) {
                std::uint64_t entry = out << 48;
                for (int lane = 0; lane < 3; ++lane)
                    entry |= static_cast<std::uint64_t>((lane == c ? ClampByte(v) : half) + kBias) << (16 * lane);
                entries_[c][k] = entry;
            }
        }
        return true;
    }

    void mapRow(std::uint8_t* row, std::int32_t width, const Levels& levels) const {
        std::uint8_t* const end = row + std::size_t{4} * static_cast<std::size_t>(width);
        for (std::uint8_t* p = row; p != end; p += 4) {
            const std::uint32_t pixel = LoadPixel(p);
            const std::uint64_t sum = entries_[0][pixel & 0xFF] + entries_[1][(pixel >> 8) & 0xFF] +
                                      entries_[2][(pixel >> 16) & 0xFF];
            if ((sum & kHighBytes) == kSettled && (sum >> 48) <= 1) {
                const auto colour = static_cast<std::uint32_t>((sum & 0xFF) | ((sum >> 8) & 0xFF00) |
                                                               ((sum >> 16) & 0xFF'0000));
                StorePixel(p, KeepFourthByte(colour, pixel));
            } else {
                SpreadPixel(p, levels);
            }
        }
    }

private:
    // Each entry adds kBias to every lane, so lanes never go negative and
    // never carry into each other; a settled lane reads 3 * kBias + 0..255.
    static constexpr std::int32_t kReach = 1000;
    static constexpr std::int32_t kBias = 2048;
    static constexpr std::uint64_t kHighBytes = 0x0000'FF00'FF00'FF00u;
    static constexpr std::uint64_t kSettled = 0x0000'1800'1800'1800u;
    static_assert(3 * kBias == 0x1800 && 3 * kBias + 255 + 2 * kReach < 0x10000 && 3 * kBias - 2 * kReach >= 0);

    std::uint64_t entries_[3][256];
};

// The levels k whose table entries lie in 0..255. The table is monotonic in
// k, so they form one interval; empty when first > last.
struct InRangeLevels {
    std::int32_t first = 256;
    std::int32_t last = -1;
};

InRangeLevels FindInRangeLevels(const Levels& levels) {
    InRangeLevels range;
    for (std::int32_t k = 0; k < 256; ++k) {
        if (!AllBytes(levels[k], 0, 0)) continue;
        range.first = std::min(range.first, k);
        range.last = k;
    }
    return range;
}

// True when every colour byte of the row lies in the interval: then the
// clamped table alone is the result and no pixel spreads. Sixteen bytes at a
// time, so that it costs little beside the mapping.
bool RowWithin(const std::uint8_t* row, std::int32_t width, InRangeLevels range) {
    if (range.first > range.last) return false;
    using Bytes = std::uint8_t __attribute__((vector_size(16)));
    const auto first = static_cast<std::uint8_t>(range.first);
    const auto span = static_cast<std::uint8_t>(range.last - range.first);
    const Bytes colours = {255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0};
    const std::size_t bytes = std::size_t{4} * static_cast<std::size_t>(width);
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

void SpreadRow(std::uint8_t* row, std::int32_t width, const Levels& levels) {
    std::uint8_t* const end = row + std::size_t{4} * static_cast<std::size_t>(width);
    for (std::uint8_t* p = row; p != end; p += 4) SpreadPixel(p, levels);
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

}  // namespace

void Contrast(FilterRun& run) {
    const std::int32_t mean = MeanGreyLevel(run.work);
    run.report(5);
    const double factor = ScaleFactor(run.amount);
    Levels levels;
    for (std::int32_t k = 0; k < 256; ++k) levels[k] = Nearest(factor * (k - mean) + mean);
    ByteTable clamped;
    for (std::int32_t k = 0; k < 256; ++k) clamped[k] = ClampByte(levels[k]);
    const ChannelTables plain{clamped, clamped, clamped};
    const InRangeLevels inRange = FindInRangeLevels(levels);
    SpreadLanes lanes;
    const bool laned = lanes.build(levels);
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        std::uint8_t* const row = run.work.row(y);
        if (RowWithin(row, run.width(), inRange))
            MapRow(row, run.width(), plain);
        else if (laned)
            lanes.mapRow(row, run.width(), levels);
        else
            SpreadRow(row, run.width(), levels);
        run.rowDone(y, 5, 95);
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
    const ChannelTables tables{map, map, map};
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        if (mayFault) RaiseAtFirstFault(run.work.row(y), run.width(), curve);
        MapRow(run.work.row(y), run.width(), tables);
        run.rowDone(y);
    }
    run.finish();
}

}  // namespace tegmora::effects

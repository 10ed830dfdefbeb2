// Brightness and contrast: a factor from the amount, a table built once per
// run, every channel mapped through it.
#include "engine.h"
#include "point_loops.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tegmora::effects {
namespace {

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

}  // namespace

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

void Brightness(FilterRun& run) {
    const double factor = ScaleFactor(run.amount);
    Levels& levels = LevelTable();
    ByteTable map;
    for (std::int32_t i = 0; i < 256; ++i) {
        levels[i] = ClampByte(Nearest(factor * i));
        map[i] = static_cast<std::uint8_t>(levels[i]);
    }
    const RowTable table(map, factor, 0);
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        LookUpRow(run.work.row(y), static_cast<std::size_t>(run.width()), table);
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
            std::uint32_t pixel;
            std::memcpy(&pixel, p, sizeof pixel);
            const std::uint64_t sum = entries_[0][pixel & 0xFF] + entries_[1][(pixel >> 8) & 0xFF] +
                                      entries_[2][(pixel >> 16) & 0xFF];
            if ((sum & kHighBytes) == kSettled && (sum >> 48) <= 1) {
                pixel = (pixel & 0xFF00'0000u) | static_cast<std::uint32_t>(sum & 0xFF) |
                        static_cast<std::uint32_t>((sum >> 8) & 0xFF00) |
                        static_cast<std::uint32_t>((sum >> 16) & 0xFF'0000);
                std::memcpy(p, &pixel, sizeof pixel);
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
// clamped table alone is the result and no pixel spreads.
bool RowInRange(const std::uint8_t* row, std::int32_t width, InRangeLevels range) {
    return range.first <= range.last &&
           RowWithin(row, static_cast<std::size_t>(width), static_cast<std::uint8_t>(range.first),
                     static_cast<std::uint8_t>(range.last));
}

void SpreadRow(std::uint8_t* row, std::int32_t width, const Levels& levels) {
    std::uint8_t* const end = row + std::size_t{4} * static_cast<std::size_t>(width);
    for (std::uint8_t* p = row; p != end; p += 4) SpreadPixel(p, levels);
}

}  // namespace

void Contrast(FilterRun& run) {
    const std::int32_t mean = MeanGreyLevel(run.work);
    run.report(5);
    const double factor = ScaleFactor(run.amount);
    Levels& levels = LevelTable();
    for (std::int32_t k = 0; k < 256; ++k) levels[k] = Nearest(factor * (k - mean) + mean);
    ByteTable clamped;
    for (std::int32_t k = 0; k < 256; ++k) clamped[k] = ClampByte(levels[k]);
    const RowTable plain(clamped, factor, mean);
    const InRangeLevels inRange = FindInRangeLevels(levels);
    SpreadLanes lanes;
    const bool laned = lanes.build(levels);
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        std::uint8_t* const row = run.work.row(y);
        if (RowInRange(row, run.width(), inRange))
            LookUpRow(row, static_cast<std::size_t>(run.width()), plain);
        else if (laned)
            lanes.mapRow(row, run.width(), levels);
        else
            SpreadRow(row, run.width(), levels);
        run.rowDone(y, 5, 95);
    }
    run.finish();
}

}  // namespace tegmora::effects

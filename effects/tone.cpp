// Brightness and contrast: a factor from the amount, a table built once per
// run, every channel mapped through it.
#include "engine.h"

#include <cstdlib>

namespace tegmora::effects {
namespace {

// (A + 100) / 100 held in single precision.
double ScaleFactor(std::int32_t amount) { return Single(CheckedAdd(amount, 100) / 100.0); }

// Moves what lies outside 0..255 onto the other two channels, half at a time,
// until all three fit. Only reached for pixels the table pushed out of range.
void SpreadOverflow(std::int32_t (&v)[3]) {
    for (;;) {
        const bool inRange = (v[0] >= 0 && v[0] <= 255) && (v[1] >= 0 && v[1] <= 255) &&
                             (v[2] >= 0 && v[2] <= 255);
        if (inRange) return;
        if (v[0] <= 0 && v[1] <= 0 && v[2] <= 0) {
            v[0] = v[1] = v[2] = 0;
            continue;
        }
        if (v[0] >= 255 && v[1] >= 255 && v[2] >= 255) {
            v[0] = v[1] = v[2] = 255;
            continue;
        }
        for (int c = 0; c < 3; ++c) {
            std::int32_t half;
            if (v[c] < 0) {
                half = v[c] / 2;
                v[c] = 0;
            } else if (v[c] > 255) {
                half = (v[c] - 255) / 2;
                v[c] = 255;
            } else {
                continue;
            }
            std::int32_t& p = v[(c + 1) % 3];
            std::int32_t& q = v[(c + 2) % 3];
            p = CheckedAdd(p, half);
            q = CheckedAdd(q, half);
        }
    }
}

}  // namespace

void Brightness(FilterRun& run) {
    const double factor = ScaleFactor(run.amount);
    Levels& levels = LevelTable();
    ByteTable map;
    for (std::int32_t i = 0; i < 256; ++i) {
        levels[i] = ClampByte(Nearest(factor * i));
        map[i] = static_cast<std::uint8_t>(levels[i]);
    }
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

void Contrast(FilterRun& run) {
    const std::int32_t mean = MeanGreyLevel(run.work);
    run.report(5);
    const double factor = ScaleFactor(run.amount);
    Levels& levels = LevelTable();
    bool stays[256];
    for (std::int32_t k = 0; k < 256; ++k) {
        levels[k] = Nearest(factor * (k - mean) + mean);
        stays[k] = levels[k] >= 0 && levels[k] <= 255;
    }
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        std::uint8_t* p = run.work.row(y);
        std::uint8_t* const end = p + run.work.stride();
        for (; p != end; p += 4) {
            std::int32_t v[3] = {levels[p[0]], levels[p[1]], levels[p[2]]};
            if (!(stays[p[0]] && stays[p[1]] && stays[p[2]])) SpreadOverflow(v);
            p[0] = static_cast<std::uint8_t>(v[0]);
            p[1] = static_cast<std::uint8_t>(v[1]);
            p[2] = static_cast<std::uint8_t>(v[2]);
        }
        run.rowDone(y, 5, 95);
    }
    run.finish();
}

}  // namespace tegmora::effects

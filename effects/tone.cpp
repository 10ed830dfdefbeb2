// The tone curves: brightness, contrast and gamma. Each builds a byte table
// once per run from its amount and maps every channel through it.
#include "contrast_rows.h"
#include "engine.h"
#include "point_loops.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cmath>
#include <optional>

namespace tegmora::effects {
namespace {

// (A + 100) / 100 held in single precision.
double ScaleFactor(std::int32_t amount) { return Single(CheckedAdd(amount, 100) / 100.0); }

}  // namespace

void Brightness(FilterRun& run) {
    const double factor = ScaleFactor(run.amount);
    ByteTable map;
    for (std::int32_t i = 0; i < 256; ++i) map[i] = ClampByte(Nearest(factor * i));
    const RowTable table(map, factor, 0);
    ForEachRow(run, [&table](std::uint8_t* row, std::size_t pixels) { LookUpRow(row, pixels, table); });
}

bool ContrastMayFailMidRun(std::int32_t amount) {
    // Beyond this the table's entries are large enough for the spreading to
    // leave 32 bits on some pixels.
    return std::llabs(std::int64_t{amount} + 100) > 250'000'000;
}

namespace {

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
    const ContrastRows rows(levels, factor, mean);
    ForEachRow(run, [&rows](std::uint8_t* row, std::size_t pixels) { rows.map(row, pixels); }, 5, 95);
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
    ForEachRow(run, [&](std::uint8_t* row, std::size_t pixels) {
        if (mayFault) RaiseAtFirstFault(row, run.width(), curve);
        LookUpRow(row, pixels, table);
    });
}

}  // namespace tegmora::effects

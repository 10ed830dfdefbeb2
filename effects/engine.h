// What the filter routines share: the pixel buffer, the run they belong to,
// the snapshot rows, pixel words, the random generator and the arithmetic
// rules (32-bit overflow, half-to-even rounding). Private to the engine.
#pragma once

#include "effects.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <span>
#include <type_traits>
#include <vector>

namespace tegmora::effects {

// Raised inside a filter; the dispatcher turns it into a FilterError that
// names the filter.
struct Fault {
    ErrorKind kind;
};

[[noreturn]] inline void Raise(ErrorKind kind) { throw Fault{kind}; }

// 32-bit arithmetic that raises the overflow error, for per-run values.
inline std::int32_t CheckedAdd(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_add_overflow(a, b, &r)) Raise(ErrorKind::Overflow);
    return r;
}
inline std::int32_t CheckedMul(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_mul_overflow(a, b, &r)) Raise(ErrorKind::Overflow);
    return r;
}

// Rounds to the nearest integer, ties to even; a result outside 32 bits is
// the overflow error, a NaN the invalid-operation error.
inline std::int32_t Nearest(double v) {
    if (std::isnan(v)) Raise(ErrorKind::InvalidFloatingPoint);
    const double r = std::nearbyint(v);
    if (r < -2147483648.0 || r > 2147483647.0) Raise(ErrorKind::Overflow);
    return static_cast<std::int32_t>(r);
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

// A factor derived from an amount, held in single precision as the results
// require: Single(110 / 100.0) is 1.10000002384185791015625.
inline double Single(double v) { return static_cast<double>(static_cast<float>(v)); }

inline std::uint8_t ClampByte(std::int32_t v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// The image being written, or as the run found it: 4 bytes a pixel, rows of 4 * width bytes, top
// row first; row(y) takes the 1-based row, and loops walk it.
struct PixelBuffer {
    std::uint8_t* data = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;

    std::size_t stride() const { return std::size_t{4} * static_cast<std::size_t>(width); }
    std::uint8_t* row(std::int32_t y) const {
        return data + static_cast<std::size_t>(y - 1) * stride();
    }
};

// One call of a filter routine.
class FilterRun {
public:
    FilterRun(PixelBuffer work, const std::uint8_t* pristine, std::int32_t amount,
              std::int32_t& progress, const YieldHook& yield, Engine& engine)
        : work(work), pristine(pristine), amount(amount), progress_(progress), yield_(yield), engine_(engine) {}

    PixelBuffer work;                // the image being written
    const std::uint8_t* pristine;    // the image as the run found it, or null when the
                                     // run writes into the caller's bitmap (see SourceRows)
    std::int32_t amount;

    std::int32_t width() const { return work.width; }
    std::int32_t height() const { return work.height; }

    // Progress after row y of a loop over rows 1..H: y * 100 / H rounded down, then a yield.
    void rowDone(std::int32_t y) { report(Percent(y, 100, 0)); }
    // Progress for passes that own only part of the range:
    // start + y * span / H, rounded down.
    void rowDone(std::int32_t y, std::int32_t start, std::int32_t span) {
        report(Percent(y, span, start));
    }
    void report(std::int32_t percent) {
        progress_ = percent;
        if (yield_) yield_();
    }
    void finish() { report(100); }

    // The engine's next uniform draws, for the filters that scatter at random.
    void draw(std::span<float> out) { engine_.draw(out); }

private:
    // Kept in 64 bits so that a very tall image cannot fail on its progress.
    std::int32_t Percent(std::int32_t y, std::int32_t span, std::int32_t start) const {
        return start + static_cast<std::int32_t>(std::int64_t{y} * span / work.height);
    }

    std::int32_t& progress_;
    const YieldHook& yield_;
    Engine& engine_;
};

// Rewrites rows 1..H of the image top to bottom through `loop`, called as
// loop(row, pixels) or loop(row, pixels, y), with progress start + y * span
// / H after each row, then 100.
template <class Loop>
void ForEachRow(FilterRun& run, Loop&& loop, std::int32_t start = 0, std::int32_t span = 100) {
    const auto width = static_cast<std::size_t>(run.width());
    for (std::int32_t y = 1; y <= run.height(); ++y) {
        if constexpr (std::is_invocable_v<Loop&, std::uint8_t*, std::size_t, std::int32_t>) {
            loop(run.work.row(y), width, y);
        } else {
            loop(run.work.row(y), width);
        }
        run.rowDone(y, start, span);
    }
    run.finish();
}

// The last N rows of something a filter works out per image row: row y
// lives in slot y % N, so the rows a 3 x 3 window needs stay at hand while
// the window moves down.
template <class Row, std::size_t N = 3>
class RowRing {
public:
    Row& operator[](std::int32_t y) { return rows_[static_cast<std::size_t>(y) % N]; }
    const Row& operator[](std::int32_t y) const { return rows_[static_cast<std::size_t>(y) % N]; }
    std::array<Row, N>& each() { return rows_; }

private:
    std::array<Row, N> rows_;
};

// The image as the run found it, for filters that read the rows above, at
// and below the one they write. When the run works on a copy the unchanged
// image is at hand; when it writes into the caller's bitmap, each row is
// saved just before it is overwritten. The row below is read from the image
// being written, which the run has not written yet.
class SourceRows {
public:
    explicit SourceRows(const FilterRun& run);

    // Call before writing the first pixel of row y; rows in increasing order.
    void enter(std::int32_t y);
    // Row y (1-based) of the image as the run found it; y at most one row
    // above the last entered row.
    const std::uint8_t* row(std::int32_t y) const;

private:
    PixelBuffer work_;
    const std::uint8_t* pristine_;
    std::int32_t first_ = 0;    // first entered row, 0 before any
    std::int32_t current_ = 0;  // last entered row
    RowRing<std::vector<std::uint8_t>, 2> saved_;
};

// A byte-to-byte map for one channel, and the loop that applies one map per
// channel to a row: the tone filters build tables once per run and share this.
using ByteTable = std::array<std::uint8_t, 256>;
struct ChannelTables {
    const ByteTable& blue;
    const ByteTable& green;
    const ByteTable& red;
};
inline void MapRow(std::uint8_t* row, std::size_t pixels, const ChannelTables& tables) {
    std::uint8_t* const end = row + 4 * pixels;
    for (std::uint8_t* p = row; p != end; p += 4) {
        p[0] = tables.blue[p[0]];
        p[1] = tables.green[p[1]];
        p[2] = tables.red[p[2]];
    }
}

// A pixel as one 32-bit word: blue in the low byte, the fourth byte on top.
// Filters that handle whole pixels load, store and keep the fourth byte
// with these; loops over byte lanes use byte_lanes.h instead.
static_assert(std::endian::native == std::endian::little, "the fourth byte is the top byte");
constexpr std::uint32_t kColourBits = 0x00FFFFFFu;

inline std::uint32_t LoadPixel(const std::uint8_t* p) {
    std::uint32_t pixel;
    std::memcpy(&pixel, p, 4);
    return pixel;
}
inline void StorePixel(std::uint8_t* p, std::uint32_t pixel) { std::memcpy(p, &pixel, 4); }

// Blue, green and red of `colour` with the fourth byte of `kept`.
constexpr std::uint32_t KeepFourthByte(std::uint32_t colour, std::uint32_t kept) {
    return (colour & kColourBits) | (kept & ~kColourBits);
}

// Channel 0 (blue), 1 (green) or 2 (red) of a pixel word.
constexpr std::uint32_t ChannelOf(std::uint32_t pixel, int channel) {
    return (pixel >> (8 * channel)) & 0xFFu;
}

// Channels 1 to 3 of `pixels` pixels from `source` to `target`; the target
// keeps its fourth bytes. Filters that build a row's result aside store it
// with this: whole pixels at a time, which vectorises where byte stores do not.
inline void StoreColours(std::uint8_t* target, const std::uint8_t* source, std::int32_t pixels) {
    for (std::int32_t x = 0; x < pixels; ++x) {
        std::uint8_t* const p = target + std::size_t{4} * static_cast<std::size_t>(x);
        StorePixel(p, KeepFourthByte(LoadPixel(source + std::size_t{4} * static_cast<std::size_t>(x)), LoadPixel(p)));
    }
}

// Splits a packed colour red + 256 * green + 65536 * blue. Red keeps the sign
// of the colour (-255..255); green and blue are its second and third bytes.
struct ColourParts {
    std::int32_t red;
    std::int32_t green;
    std::int32_t blue;
};
constexpr ColourParts SplitColour(std::int32_t colour) {
    return {colour % 256, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF};
}

// Asks the memory system for the `count` bytes at `bytes`, which a loop will
// read soon. The hardware does not fetch ahead across pages, so filters that
// stream down a large image ask for the row after the ones they read.
inline void Prefetch(const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; i += 64) __builtin_prefetch(bytes + i);
}

// The grey level (B + G + R) / 3, rounded down, for a sum of three channels
// (0..765), without a division: (sum * kThird) >> 16, exact over that range,
// as checked below. The vector loops take the same product's high 16 bits.
inline constexpr std::uint16_t kThird = 21846;

constexpr std::int32_t GreyLevel(std::int32_t channelSum) { return (channelSum * kThird) >> 16; }

constexpr bool GreyLevelIsExact() {
    for (std::int32_t sum = 0; sum <= 765; ++sum)
        if (GreyLevel(sum) != sum / 3) return false;
    return true;
}
static_assert(GreyLevelIsExact());

// The mean, rounded down, of the grey levels (B + G + R) / 3, each rounded
// down, of every pixel of the unchanged image, summed in 64 bits.
std::int32_t MeanGreyLevel(const PixelBuffer& image);

// An engine's generator: the sequence of a std::mt19937 of the same seed,
// each draw (next() >> 8) * 2^-24 held in single precision, made a block of
// 624 words at a time so that filters needing tens of millions of draws are
// not held up by it.
class UniformDraws {
public:
    static constexpr std::uint32_t kDefaultSeed = 5489u;

    explicit UniformDraws(std::uint32_t seed = kDefaultSeed);

    // Fills `out` with the next out.size() draws in order.
    void fill(std::span<float> out);

private:
    static constexpr std::uint32_t kSize = 624;

    void twist();

    std::uint32_t state_[kSize];
    std::uint32_t next_ = kSize;
};

// Amounts for which a filter may fail after it has begun writing rows.
bool ContrastMayFailMidRun(std::int32_t amount);
bool SaturationMayFailMidRun(std::int32_t amount);
bool GammaMayFailMidRun(std::int32_t amount);
bool SharpenMayFailMidRun(std::int32_t amount);
bool EdgeEnhanceMayFailMidRun(std::int32_t amount);

// Filter routines, one family per source file: kernels.cpp, colour_maps.cpp,
// tone.cpp, scatter.cpp, emboss.cpp, morphology.cpp, dithers.cpp, kuwahara.cpp.
void Sharpen(FilterRun&);
void Invert(FilterRun&);
void Blur(FilterRun&);
void Diffuse(FilterRun&);
void Smooth(FilterRun&);
void EdgeEnhance(FilterRun&);
void Contour(FilterRun&);
void DiagonalEmboss(FilterRun&);
void HorizontalEmboss(FilterRun&);
void ReverseDiagonalEmboss(FilterRun&);
void ReverseHorizontalEmboss(FilterRun&);
void AverageGray(FilterRun&);
void Relief(FilterRun&);
void Brightness(FilterRun&);
void Pixelize(FilterRun&);
void SwapChannels(FilterRun&);
void Contrast(FilterRun&);
void ColorThreshold(FilterRun&);
void BlackAndWhite(FilterRun&);
void OrderedDither(FilterRun&);
void FloydSteinbergDither(FilterRun&);
void BurkesDither(FilterRun&);
void StuckiDither(FilterRun&);
void Kuwahara(FilterRun&);
void Dilate(FilterRun&);
void Erode(FilterRun&);
void InnerEdge(FilterRun&);
void AutoLevels(FilterRun&);
void Noise(FilterRun&);
void Saturation(FilterRun&);
void Gamma(FilterRun&);

}  // namespace tegmora::effects

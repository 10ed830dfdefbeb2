// Make Seamless and the seam ratio that measures it.
//
// Along each axis of n pixels the picture is blended with a copy of itself
// shifted by s, so the copy's first and last pixels are the original's
// neighbours s and s - 1. The copy's weight is (m - d) / m at distance d from
// the nearer edge, where m = n / 4 rounded down, and nothing from d = m on:
// the whole copy at the two edge pixels, none on the pixels that touch the
// middle half. A side under 4 pixels has no pixel outside the middle half and
// is left alone.
//
// The pair (s - 1, s) becomes the wrap, so s is chosen rather than fixed at
// n / 2 rounded down: a picture whose middle is an edge (a sheet of tiles, a
// mortar gap) would bring that edge to the wrap. s runs from m + 1 to
// n - 1 - m, where the copy's own seam, at n - s, has no weight on either
// side; of these the pair that differs least wins (the sum of its colour
// differences over the rows), ties going to the shift nearest n / 2 rounded
// down, then to the smaller. The down pass measures its pairs on the across
// pass's exact result.
//
// The across pass and the down pass are computed exactly, as one ratio of
// integers per byte (all four bytes), and rounded once, half up.
#include "engine.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace tegmora::effects {
namespace {

// The copy's weights along one axis, `repeat` times each (4 for the bytes of
// a pixel, 1 for a row), and what they are out of.
struct Ramp {
    std::vector<double> copyWeight;  // 0..scale
    double scale = 1;                // m, or 1 for a side under 4 pixels
};

Ramp RampOf(std::int32_t side, int repeat) {
    const std::int32_t m = side / 4;
    Ramp ramp;
    ramp.scale = std::max(m, 1);
    for (std::int32_t i = 0; i < side; ++i)
        ramp.copyWeight.insert(ramp.copyWeight.end(), static_cast<std::size_t>(repeat), std::max(m - std::min(i, side - 1 - i), 0));
    return ramp;
}

// The across pass of one row, as numerators over across.scale. The copy's
// byte b is the row's byte b + shift, wrapped: two straight runs that
// vectorise. Exact in double, as is everything below, for sides under 2^20.
void BlendAcross(const std::uint8_t* row, const Ramp& across, std::size_t shift, double* out) {
    const std::size_t bytes = across.copyWeight.size();
    const double* copy = across.copyWeight.data();
    for (std::size_t b = 0; b < bytes - shift; ++b) out[b] = (across.scale - copy[b]) * row[b] + copy[b] * row[b + shift];
    for (std::size_t b = bytes - shift; b < bytes; ++b)
        out[b] = (across.scale - copy[b]) * row[b] + copy[b] * row[b + shift - bytes];
}

// Blue, green and red; bytes or the passes' exact numerators.
template <class T>
auto ColourDifference(const T* a, const T* b) {
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

// The shift along a side whose wrap pair differs least, from `difference[s]`
// for the pair (s - 1, s); ties to the shift nearest side / 2, then the smaller.
std::int32_t LeastDifferentShift(const std::vector<double>& difference, std::int32_t side) {
    const std::int32_t middle = side / 2;
    std::int32_t best = middle;
    for (std::int32_t s = side / 4 + 1; s < side - side / 4; ++s) {
        const auto d = static_cast<std::size_t>(s), b = static_cast<std::size_t>(best);
        if (difference[d] < difference[b] || (difference[d] == difference[b] && std::abs(s - middle) < std::abs(best - middle)))
            best = s;
    }
    return best;
}

// Each column pair's difference summed over the rows, for the pairs a shift
// may bring to the wrap.
std::vector<double> ColumnPairDifferences(const PixelBuffer& image) {
    const std::int32_t m = image.width / 4;
    std::vector<double> difference(static_cast<std::size_t>(image.width), 0.0);
    for (std::int32_t y = 1; y <= image.height; ++y) {
        const std::uint8_t* row = image.row(y);
        for (std::int32_t s = m + 1; s < image.width - m; ++s)
            difference[static_cast<std::size_t>(s)] += ColourDifference(row + 4 * (s - 1), row + 4 * s);
    }
    return difference;
}

}  // namespace

void MakeSeamless(Bitmap bitmap) {
    const PixelBuffer image{bitmap.bits, bitmap.width, bitmap.height};
    const Ramp across = RampOf(bitmap.width, 4);
    const Ramp down = RampOf(bitmap.height, 1);
    const std::size_t shift = 4 * static_cast<std::size_t>(LeastDifferentShift(ColumnPairDifferences(image), bitmap.width));
    const std::vector<std::uint8_t> original(image.data, image.data + image.stride() * static_cast<std::size_t>(image.height));
    const auto originalRow = [&](std::int32_t y) { return original.data() + image.stride() * static_cast<std::size_t>(y); };
    // Half up is floor((2 n + d) / 2d) for the numerator n over d. The
    // product with the rounded reciprocal is within 2^-43 of the quotient at
    // most 256; a quotient that is not whole lies at least 1 / 2d, far more
    // than 2^-40, below the next integer. So adding 2^-40 and truncating is
    // exact, without a division a byte.
    const double denominator = across.scale * down.scale;
    const double reciprocal = 1 / (2 * denominator);
    const auto write = [&](std::int32_t y, const double* own, const double* shifted) {
        const double copy = down.copyWeight[static_cast<std::size_t>(y)];
        const double keep = down.scale - copy;
        std::uint8_t* out = image.row(y + 1);
        for (std::size_t b = 0; b < image.stride(); ++b)
            out[b] = static_cast<std::uint8_t>((2 * (keep * own[b] + copy * shifted[b]) + denominator) * reciprocal + 0x1p-40);
    };
    // The rows the down copy does not reach need only the across pass; their
    // pairs are the ones the down shift may bring to the wrap.
    const std::int32_t m = image.height / 4;
    std::vector<double> own(image.stride()), above(image.stride()), shifted(image.stride());
    std::vector<double> rowPairDifference(static_cast<std::size_t>(image.height), 0.0);
    for (std::int32_t y = m; y < image.height - m; ++y) {
        BlendAcross(originalRow(y), across, shift, own.data());
        write(y, own.data(), own.data());
        if (y > m)
            for (std::size_t b = 0; b < image.stride(); b += 4)
                rowPairDifference[static_cast<std::size_t>(y)] += ColourDifference(above.data() + b, own.data() + b);
        std::swap(own, above);
    }
    const std::int32_t downShift = LeastDifferentShift(rowPairDifference, image.height);
    const auto blendDown = [&](std::int32_t y) {
        BlendAcross(originalRow(y), across, shift, own.data());
        BlendAcross(originalRow((y + downShift) % image.height), across, shift, shifted.data());
        write(y, own.data(), shifted.data());
    };
    for (std::int32_t y = 0; y < m; ++y) blendDown(y);
    for (std::int32_t y = image.height - m; y < image.height; ++y) blendDown(y);
}

// Sums of byte differences, each divided by its number of pairs: last column
// against the first in every row and last row against the first in every
// column across the wrap; every pair of neighbours inside.
double SeamRatio(ConstBitmap bitmap) {
    const std::size_t stride = std::size_t{4} * static_cast<std::size_t>(bitmap.width);
    const auto pixel = [&](std::int32_t x, std::int32_t y) {
        return bitmap.bits + stride * static_cast<std::size_t>(y) + 4 * static_cast<std::size_t>(x);
    };
    std::int64_t wrap = 0;
    std::int64_t inside = 0;
    for (std::int32_t y = 0; y < bitmap.height; ++y) {
        wrap += ColourDifference(pixel(bitmap.width - 1, y), pixel(0, y));
        for (std::int32_t x = 0; x < bitmap.width; ++x) {
            if (x + 1 < bitmap.width) inside += ColourDifference(pixel(x, y), pixel(x + 1, y));
            if (y + 1 < bitmap.height) inside += ColourDifference(pixel(x, y), pixel(x, y + 1));
        }
    }
    for (std::int32_t x = 0; x < bitmap.width; ++x) wrap += ColourDifference(pixel(x, bitmap.height - 1), pixel(x, 0));
    // No difference inside means none across the wrap either: each wrap
    // pair's difference is at most the sum along its row or column.
    if (inside == 0) return 1;
    const double w = bitmap.width;
    const double h = bitmap.height;
    return (static_cast<double>(wrap) / (w + h)) / (static_cast<double>(inside) / ((w - 1) * h + w * (h - 1)));
}

}  // namespace tegmora::effects

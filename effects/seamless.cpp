// Make Seamless and the seam ratio that measures it.
//
// Along each axis of n pixels the picture is blended with a copy of itself
// shifted by n \ 2, so the copy's first and last pixels are neighbours of the
// original. The copy's weight is (m - d) / m at distance d from the nearer
// edge, where m = n \ 4, and nothing from d = m on: the whole copy at the two
// edge pixels, none on the pixels that touch the middle half. A side under
// 4 pixels has no pixel outside the middle half and is left alone.
//
// The across pass and the down pass are computed exactly, as one ratio of
// integers per byte (all four bytes), and rounded once, half up.
#include "engine.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace tegmora::effects {
namespace {

struct Ramp {
    std::vector<double> copyWeight;     // per pixel, 0..scale
    std::vector<std::int32_t> partner;  // the pixel the shifted copy puts there
    double scale = 1;                   // m, or 1 for a side under 4 pixels
};

Ramp RampOf(std::int32_t side) {
    const std::int32_t m = side / 4;
    Ramp ramp;
    ramp.scale = std::max(m, 1);
    for (std::int32_t i = 0; i < side; ++i) {
        const std::int32_t fromEdge = std::min(i, side - 1 - i);
        ramp.copyWeight.push_back(std::max(m - fromEdge, 0));
        ramp.partner.push_back((i + side / 2) % side);
    }
    return ramp;
}

// The across pass of one row, as numerators over across.scale: exact in
// double, as is everything below, for sides under 2^20.
void BlendAcross(const std::uint8_t* row, const Ramp& across, double* out) {
    for (std::size_t x = 0; x < across.partner.size(); ++x) {
        const double copy = across.copyWeight[x];
        const double keep = across.scale - copy;
        const std::uint8_t* own = row + 4 * x;
        const std::uint8_t* partner = row + 4 * static_cast<std::size_t>(across.partner[x]);
        for (int c = 0; c < 4; ++c) out[4 * x + c] = keep * own[c] + copy * partner[c];
    }
}

std::int64_t ColourDifference(const std::uint8_t* a, const std::uint8_t* b) {
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

}  // namespace

void MakeSeamless(Bitmap bitmap) {
    const PixelBuffer image{bitmap.bits, bitmap.width, bitmap.height};
    const Ramp across = RampOf(bitmap.width);
    const Ramp down = RampOf(bitmap.height);
    const std::vector<std::uint8_t> original(image.data, image.data + image.stride() * static_cast<std::size_t>(image.height));
    const auto originalRow = [&](std::int32_t y) { return original.data() + image.stride() * static_cast<std::size_t>(y); };
    // Half up: the quotient of (2 n + d) / 2d truncated. A quotient that is
    // not whole lies at least 1 / 2d below the next integer, far more than
    // the division's rounding can cross.
    const double denominator = across.scale * down.scale;
    std::vector<double> own(image.stride()), shifted(image.stride());
    for (std::int32_t y = 0; y < image.height; ++y) {
        const double copy = down.copyWeight[static_cast<std::size_t>(y)];
        const double keep = down.scale - copy;
        BlendAcross(originalRow(y), across, own.data());
        if (copy != 0) BlendAcross(originalRow(down.partner[static_cast<std::size_t>(y)]), across, shifted.data());
        std::uint8_t* out = image.row(y + 1);
        for (std::size_t b = 0; b < image.stride(); ++b) {
            const double numerator = keep * own[b] + (copy != 0 ? copy * shifted[b] : 0);
            out[b] = static_cast<std::uint8_t>((2 * numerator + denominator) / (2 * denominator));
        }
    }
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

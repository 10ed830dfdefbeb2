// Kuwahara smoothing: each pixel takes the truncated mean of the flattest of
// the four 3 x 3 squares it is a corner of, every channel on its own.
//
// The four squares of pixel (x, y) are the 3 x 3 boxes centred on its
// diagonal neighbours (x -/+ 1, y -/+ 1), so every box serves four pixels:
// its mean and its sum of absolute deviations from that mean are worked out
// once per box, a row of boxes at a time, and each pixel only chooses.
#include "byte_lanes.h"
#include "engine.h"

#include <algorithm>
#include <array>
#include <vector>

namespace tegmora::effects {
namespace {

// s / 9 rounded down, as the high half of a 16 x 16-bit product, exact for every box sum
// up to 9 * 255, so that the loop below runs eight lanes a step.
constexpr std::uint16_t NinthOf(std::uint16_t sum) {
    return static_cast<std::uint16_t>((std::uint32_t{sum} * 7282u) >> 16);
}

constexpr bool NinthIsExact() {
    for (std::uint16_t sum = 0; sum <= 9 * 255; ++sum)
        if (NinthOf(sum) != sum / 9) return false;
    return true;
}
static_assert(NinthIsExact());

// |a - b| of two bytes, as bytes: larger less smaller.
inline std::uint8_t Distance(std::uint8_t a, std::uint8_t b) {
    return static_cast<std::uint8_t>(std::max(a, b) - std::min(a, b));
}

// Means and variations of the boxes centred on one image row, a value per
// lane for the lanes of columns 2..W-1.
struct BoxRow {
    std::vector<std::uint8_t> mean;
    std::vector<std::int16_t> variation;  // at most 9 * 255: signed compares suffice
};

class Boxes {
public:
    explicit Boxes(const PixelBuffer& image) : image_(image), columnSums_(image.stride()) {
        for (BoxRow& row : rows_.each()) {
            row.mean.resize(image.stride());
            row.variation.resize(image.stride());
        }
    }

    // The boxes centred on row cy, read from rows cy - 1..cy + 1, which must
    // not have been written yet.
    void take(std::int32_t cy) {
        const std::uint8_t* a = image_.row(cy - 1);
        const std::uint8_t* b = image_.row(cy);
        const std::uint8_t* c = image_.row(cy + 1);
        const std::size_t lanes = image_.stride();
        std::uint16_t* sums = columnSums_.data();
        for (std::size_t j = 0; j < lanes; ++j) sums[j] = static_cast<std::uint16_t>(a[j] + b[j] + c[j]);
        std::uint8_t* means = rows_[cy].mean.data();
        std::int16_t* variations = rows_[cy].variation.data();
        for (std::size_t j = 4; j + 4 < lanes; ++j) {
            const auto boxSum = static_cast<std::uint16_t>(sums[j - 4] + sums[j] + sums[j + 4]);
            means[j] = static_cast<std::uint8_t>(NinthOf(boxSum));
        }
        for (std::size_t j = 4; j + 4 < lanes; ++j) {
            const std::uint8_t m = means[j];
            const auto deviation = [m, j](const std::uint8_t* r) {
                return Distance(r[j - 4], m) + Distance(r[j], m) + Distance(r[j + 4], m);
            };
            variations[j] = static_cast<std::int16_t>(deviation(a) + deviation(b) + deviation(c));
        }
    }

    const BoxRow& row(std::int32_t cy) const { return rows_[cy]; }

private:
    PixelBuffer image_;
    std::vector<std::uint16_t> columnSums_;
    RowRing<BoxRow> rows_;
};

// Row y from the boxes of rows y - 1 and y + 1, over columns 3..W-2. The
// order top-left, top-right, bottom-left, bottom-right and the strict
// comparison give a tie to the earlier square.
void ChooseRow(std::uint8_t* row, std::size_t stride, const BoxRow& top, const BoxRow& bottom,
               const std::uint8_t* colour) {
    // Raw pointers: the byte stores below could alias the vectors' insides.
    const std::uint8_t* topMean = top.mean.data();
    const std::int16_t* topVariation = top.variation.data();
    const std::uint8_t* bottomMean = bottom.mean.data();
    const std::int16_t* bottomVariation = bottom.variation.data();
    for (std::size_t j = 8; j + 8 < stride; ++j) {
        std::int16_t best = topVariation[j - 4];
        std::uint8_t mean = topMean[j - 4];
        const auto consider = [&](std::int16_t variation, std::uint8_t candidate) {
            const bool flatter = variation < best;
            best = flatter ? variation : best;
            mean = flatter ? candidate : mean;
        };
        consider(topVariation[j + 4], topMean[j + 4]);
        consider(bottomVariation[j - 4], bottomMean[j - 4]);
        consider(bottomVariation[j + 4], bottomMean[j + 4]);
        row[j] = OnColourLane(mean, row[j], colour[j]);
    }
}

}  // namespace

void Kuwahara(FilterRun& run) {
    if (run.width() < 5 || run.height() < 5) {
        run.finish();
        return;
    }
    const std::vector<std::uint8_t> colour = ColourLaneMask(run.width());
    Boxes boxes(run.work);
    boxes.take(2);
    boxes.take(3);
    for (std::int32_t y = 3; y <= run.height() - 2; ++y) {
        boxes.take(y + 1);
        ChooseRow(run.work.row(y), run.work.stride(), boxes.row(y - 1), boxes.row(y + 1), colour.data());
        run.rowDone(y);
    }
    run.finish();
}

}  // namespace tegmora::effects

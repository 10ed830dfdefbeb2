// Kuwahara smoothing: each pixel takes the truncated mean of the flattest of
// the four 3 x 3 squares it is a corner of, every channel on its own.
//
// The four squares of pixel (x, y) are the 3 x 3 boxes centred on its
// diagonal neighbours (x -/+ 1, y -/+ 1), so every box serves four pixels:
// its mean and its sum of absolute deviations from that mean are worked out
// once per box, a row of boxes at a time, and each pixel only chooses.
#include "byte_lanes.h"
#include "engine.h"

#include <array>
#include <cstdlib>
#include <vector>

namespace tegmora::effects {
namespace {

// s \ 9 as a multiply and shift, exact for every box sum up to 9 * 255.
constexpr std::int32_t NinthOf(std::int32_t sum) { return (sum * 7282) >> 16; }

constexpr bool NinthIsExact() {
    for (std::int32_t sum = 0; sum <= 9 * 255; ++sum)
        if (NinthOf(sum) != sum / 9) return false;
    return true;
}
static_assert(NinthIsExact());

// Means and variations of the boxes centred on one image row, a value per
// lane for the lanes of columns 2..W-1.
struct BoxRow {
    std::vector<std::int16_t> mean;
    std::vector<std::int16_t> variation;
};

class Boxes {
public:
    explicit Boxes(const PixelBuffer& image) : image_(image), columnSums_(image.stride()) {
        for (BoxRow& row : rows_) {
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
        std::int16_t* sums = columnSums_.data();
        for (std::size_t j = 0; j < lanes; ++j) sums[j] = static_cast<std::int16_t>(a[j] + b[j] + c[j]);
        std::int16_t* means = rows_[Slot(cy)].mean.data();
        std::int16_t* variations = rows_[Slot(cy)].variation.data();
        for (std::size_t j = 4; j + 4 < lanes; ++j) {
            const std::int32_t m = NinthOf(sums[j - 4] + sums[j] + sums[j + 4]);
            const auto deviation = [m, j](const std::uint8_t* r) {
                return std::abs(r[j - 4] - m) + std::abs(r[j] - m) + std::abs(r[j + 4] - m);
            };
            means[j] = static_cast<std::int16_t>(m);
            variations[j] = static_cast<std::int16_t>(deviation(a) + deviation(b) + deviation(c));
        }
    }

    const BoxRow& row(std::int32_t cy) const { return rows_[Slot(cy)]; }

private:
    static std::size_t Slot(std::int32_t cy) { return static_cast<std::size_t>(cy % 3); }

    PixelBuffer image_;
    std::vector<std::int16_t> columnSums_;
    std::array<BoxRow, 3> rows_;
};

// Row y from the boxes of rows y - 1 and y + 1, over columns 3..W-2. The
// order top-left, top-right, bottom-left, bottom-right and the strict
// comparison give a tie to the earlier square.
void ChooseRow(std::uint8_t* row, std::size_t stride, const BoxRow& top, const BoxRow& bottom,
               const std::uint8_t* colour) {
    // Raw pointers: the byte stores below could alias the vectors' insides.
    const std::int16_t* topMean = top.mean.data();
    const std::int16_t* topVariation = top.variation.data();
    const std::int16_t* bottomMean = bottom.mean.data();
    const std::int16_t* bottomVariation = bottom.variation.data();
    for (std::size_t j = 8; j + 8 < stride; ++j) {
        std::int16_t best = topVariation[j - 4];
        std::int16_t mean = topMean[j - 4];
        const auto consider = [&](std::int16_t variation, std::int16_t candidate) {
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

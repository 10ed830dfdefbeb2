// Contrast's row step: each channel mapped through a table whose entries may
// leave 0..255, then the overflow of every pixel spread until its three
// channels lie in range. One version for the x86-64 baseline and one for
// AVX2, picked as the loops of point_loops.h are; both write the same bytes
// and keep each pixel's fourth byte.
#pragma once

#include "point_loops.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tegmora::effects {

// Contrast's table before the clamp: what each level maps to, which may lie
// outside 0..255.
using Levels = std::array<std::int32_t, 256>;

// The levels and what the row loops derive from them, prepared once per run.
class ContrastRows {
public:
    // levels[k] should be the integer nearest to factor * (k - mean) + mean.
    ContrastRows(const Levels& levels, double factor, std::int32_t mean);

    // Every pixel of the row mapped and spread, in place.
    void map(std::uint8_t* row, std::size_t pixels) const;

    // The levels k whose entries lie in 0..255. The table is monotonic in
    // k, so they form one interval; empty when first > last.
    struct InRange {
        std::int32_t first = 256;
        std::int32_t last = -1;
    };

    const Levels& levels() const { return levels_; }
    // The levels clamped to 0..255: the whole result for pixels in range.
    const RowTable& clamped() const { return clamped_; }
    InRange inRange() const { return inRange_; }
    // Each channel's entries for the baseline's two-addition first pass;
    // absent when the table's excesses are too large for them.
    const std::array<std::uint64_t, 256>* lanes() const { return laned_ ? lanes_.data() : nullptr; }
    // True when every value the spreading can reach fits 16 bits.
    bool narrow() const { return narrow_; }
    // Present only where a Line through (mean, mean) gives every one of the
    // 256 levels exactly.
    const Line* line() const { return line_ ? &*line_ : nullptr; }

private:
    Levels levels_;
    RowTable clamped_;
    InRange inRange_;
    std::array<std::array<std::uint64_t, 256>, 3> lanes_{};
    bool laned_ = true;
    bool narrow_ = true;
    std::optional<Line> line_;
};

}  // namespace tegmora::effects

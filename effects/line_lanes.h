// A Line computed on sixteen 16-bit lanes with AVX2, for the loops that
// compute a table rather than look it up.
#pragma once

#include "point_loops.h"

#if defined(__x86_64__)
#include <immintrin.h>

namespace tegmora::effects {

// A rounding multiply-high forms (c * 2^(15 - shift) * multiplier + 2^14) >> 15,
// which is (c * multiplier + 2^(shift - 1)) >> shift for the centred level c.
// Levels 0..255 in, the line's values out, saturated to 16 bits.
class LineLanes {
public:
    [[gnu::target("avx2")]] explicit LineLanes(const Line& line)
        : multiplier_(_mm256_set1_epi16(line.multiplier)),
          centre_(_mm256_set1_epi16(line.centre)),
          scale_(_mm_cvtsi32_si128(15 - line.shift)) {}

    [[gnu::target("avx2")]] __m256i operator()(__m256i levels) const {
        const __m256i centred = _mm256_sll_epi16(_mm256_sub_epi16(levels, centre_), scale_);
        return _mm256_adds_epi16(_mm256_mulhrs_epi16(centred, multiplier_), centre_);
    }

private:
    __m256i multiplier_;
    __m256i centre_;
    __m128i scale_;
};

}  // namespace tegmora::effects
#endif

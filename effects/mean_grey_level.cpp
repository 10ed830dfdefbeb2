// The mean grey level of an image, which contrast and the black-and-white
// filters measure before their first row.
#include "engine.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tegmora::effects {

namespace {

// The sum of the grey levels (B + G + R) \ 3 of `count` pixels; count at
// most 2^16, so that 32-bit sums cannot wrap. Eight pixels at a time, the
// grey level is a 16-bit multiply-high by 21846 / 2^16, exact up to 765.
std::uint32_t SumOfGreyLevels(const std::uint8_t* pixels, std::int32_t count) {
    std::uint32_t sum = 0;
    std::int32_t x = 0;
#if defined(__SSE2__)
    const __m128i lowByte = _mm_set1_epi32(0xFF);
    const __m128i third = _mm_set1_epi16(21846);
    const __m128i ones = _mm_set1_epi16(1);
    __m128i sums = _mm_setzero_si128();
    const auto channelSums = [&](const std::uint8_t* p) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        return _mm_add_epi32(_mm_add_epi32(_mm_and_si128(v, lowByte), _mm_and_si128(_mm_srli_epi32(v, 8), lowByte)),
                             _mm_and_si128(_mm_srli_epi32(v, 16), lowByte));
    };
    for (; x + 8 <= count; x += 8) {
        const std::uint8_t* p = pixels + std::size_t{4} * static_cast<std::size_t>(x);
        const __m128i greys = _mm_mulhi_epu16(_mm_packs_epi32(channelSums(p), channelSums(p + 16)), third);
        sums = _mm_add_epi32(sums, _mm_madd_epi16(greys, ones));
    }
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sums);
    sum = lanes[0] + lanes[1] + lanes[2] + lanes[3];
#endif
    for (; x < count; ++x) {
        const std::uint8_t* p = pixels + std::size_t{4} * static_cast<std::size_t>(x);
        sum += static_cast<std::uint32_t>(GreyLevel(p[0] + p[1] + p[2]));
    }
    return sum;
}

}  // namespace

std::int32_t MeanGreyLevel(const PixelBuffer& image) {
    std::int64_t sum = 0;
    for (std::int32_t y = 1; y <= image.height; ++y) {
        const std::uint8_t* const row = image.row(y);
        constexpr std::int32_t kRun = 1 << 16;
        for (std::int32_t start = 0; start < image.width; start += kRun)
            sum += SumOfGreyLevels(row + std::size_t{4} * static_cast<std::size_t>(start),
                                   std::min(kRun, image.width - start));
    }
    return static_cast<std::int32_t>(sum / (std::int64_t{image.width} * image.height));
}

}  // namespace tegmora::effects

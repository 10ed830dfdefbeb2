// The mean grey level of an image, which contrast and the black-and-white
// filters measure before their first row.
#include "engine.h"
#include "point_loops.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tegmora::effects {

namespace {

// The vector loops take the grey levels as 16-bit multiplies-high by kThird,
// sum them into 32-bit lanes and leave the last few pixels, whose count they
// return, to the caller.
#if defined(__SSE2__)
std::uint32_t SumOfGreyLevelsSse2(const std::uint8_t* pixels, std::int32_t count, std::int32_t& done) {
    const __m128i lowByte = _mm_set1_epi32(0xFF);
    const __m128i third = _mm_set1_epi16(static_cast<short>(kThird));
    const __m128i ones = _mm_set1_epi16(1);
    __m128i sums = _mm_setzero_si128();
    const auto channelSums = [&](const std::uint8_t* p) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        return _mm_add_epi32(_mm_add_epi32(_mm_and_si128(v, lowByte), _mm_and_si128(_mm_srli_epi32(v, 8), lowByte)),
                             _mm_and_si128(_mm_srli_epi32(v, 16), lowByte));
    };
    for (; done + 8 <= count; done += 8) {
        const std::uint8_t* p = pixels + std::size_t{4} * static_cast<std::size_t>(done);
        const __m128i greys = _mm_mulhi_epu16(_mm_packs_epi32(channelSums(p), channelSums(p + 16)), third);
        sums = _mm_add_epi32(sums, _mm_madd_epi16(greys, ones));
    }
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sums);
    return lanes[0] + lanes[1] + lanes[2] + lanes[3];
}
#endif

#if defined(__x86_64__)
// Sixteen pixels a step: a multiply-add of bytes puts blue + green and red
// into each pixel's two 16-bit halves, and a second one adds them.
[[gnu::target("avx2")]] std::uint32_t SumOfGreyLevelsAvx2(const std::uint8_t* pixels, std::int32_t count,
                                                          std::int32_t& done) {
    const __m256i colours = _mm256_set1_epi32(0x00010101);
    const __m256i third = _mm256_set1_epi16(static_cast<short>(kThird));
    const __m256i ones = _mm256_set1_epi16(1);
    __m256i sums = _mm256_setzero_si256();
    for (; done + 16 <= count; done += 16) {
        const std::uint8_t* p = pixels + std::size_t{4} * static_cast<std::size_t>(done);
        const __m256i first = Load(p);
        const __m256i second = Load(p + 32);
        const __m256i channelSums = _mm256_packs_epi32(_mm256_madd_epi16(_mm256_maddubs_epi16(first, colours), ones),
                                                       _mm256_madd_epi16(_mm256_maddubs_epi16(second, colours), ones));
        sums = _mm256_add_epi32(sums, _mm256_madd_epi16(_mm256_mulhi_epu16(channelSums, third), ones));
    }
    const __m128i half = _mm_add_epi32(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), half);
    return lanes[0] + lanes[1] + lanes[2] + lanes[3];
}
#endif

// The sum of the grey levels (B + G + R) / 3, each rounded down, of `count` pixels; count at
// most 2^16, so that 32-bit sums cannot wrap.
std::uint32_t SumOfGreyLevels(const std::uint8_t* pixels, std::int32_t count) {
    std::uint32_t sum = 0;
    std::int32_t x = 0;
#if defined(__x86_64__)
    if (ActiveInstructionSet() == InstructionSet::Avx2) sum = SumOfGreyLevelsAvx2(pixels, count, x);
#endif
#if defined(__SSE2__)
    sum += SumOfGreyLevelsSse2(pixels, count, x);
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

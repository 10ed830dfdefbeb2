// Dilate, erode and inner edge: the maximum or minimum of each channel over
// the full 3 x 3 square, read from the unchanged image. The square is taken
// as a column of three and then a row of three: the same pick with half the
// comparisons. On AVX2 a row goes in one pass, 32 bytes a step, the columns
// held in registers; the baseline forms a row's columns, then reads them back.
#include "byte_lanes.h"
#include "engine.h"
#include "point_loops.h"

#include <algorithm>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tegmora::effects {
namespace {

// The rows that one row of the window reads. `pairAbove` holds the pick of
// rows y - 1 and y as they were, and is left holding that of rows y and y + 1.
struct WindowRow {
    std::uint8_t* here;
    const std::uint8_t* below;
    std::uint8_t* pairAbove;
    std::size_t stride;
};

// Bytes [from, to) of the row: their columns of three into `column`, in order.
template <typename Pick>
[[gnu::always_inline]] inline void FormColumns(Pick pick, WindowRow row, std::uint8_t* column, std::size_t from,
                                                std::size_t to) {
    const std::uint8_t* here = row.here;
    const std::uint8_t* below = row.below;
    std::uint8_t* pairAbove = row.pairAbove;
    for (std::size_t i = from; i < to; ++i) {
        const std::uint8_t pairBelow = pick(here[i], below[i]);
        column[i - from] = pick(pairAbove[i], pairBelow);
        pairAbove[i] = pairBelow;
    }
}

// Bytes [from, to) of the row from their columns: column[k] is the column
// over byte from - 4 + k. `from` is a pixel's first byte.
template <typename Pick, typename Finish>
[[gnu::always_inline]] inline void WriteFromColumns(Pick pick, Finish finish, std::uint8_t* here,
                                                     const std::uint8_t* column, const std::uint8_t* colourMask,
                                                     std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        const std::size_t k = i - from;
        here[i] = OnColourLane(finish(here[i], pick(pick(column[k], column[k + 4]), column[k + 8])), here[i],
                               colourMask[k]);
    }
}

// One row of the window: the columns of three over the row, then the row of
// three over them, written back on its colour lanes. Every column is formed
// before the row is written. The baseline's loop, vectorised by the
// compiler: the AVX2 loop's one pass, written for 16 bytes (SSE2), ran less
// than 1.5 times as fast as it; forming the columns a stretch at a time, to
// keep them in the first-level cache, gained less than the noise on 4096 x
// 4096 and lost a tenth on 256 x 128.
template <typename Pick, typename Finish>
[[gnu::always_inline]] inline void SquareRow(Pick pick, Finish finish, WindowRow row, std::uint8_t* column,
                                              const std::uint8_t* colourMask) {
    FormColumns(pick, row, column, 0, row.stride);
    WriteFromColumns(pick, finish, row.here, column, colourMask, 4, row.stride - 4);
}

#if defined(__x86_64__)
namespace avx2 {

constexpr std::size_t kStep = 32;


// The columns of three over the 32 bytes at i, whose own bytes are `own`.
template <typename Pick>
[[gnu::target("avx2")]] inline __m256i ColumnsAt(Pick pick, WindowRow row, std::size_t i, __m256i own) {
    const __m256i pairBelow = pick(own, Load(row.below + i));
    const __m256i columns = pick(Load(row.pairAbove + i), pairBelow);
    Store(row.pairAbove + i, pairBelow);
    return columns;
}

// Each step writes the 32 bytes before the ones whose columns it forms, from
// the columns of the step before, its own and the next: each byte's
// neighbours 4 bytes to the left and right are those vectors slid by one
// pixel across the 16-byte lanes (the permute brings the other lane, the
// alignr takes 12 or 4 bytes of it). The first pixel, which has no left
// neighbour, is put back as it was; the last few pixels go through the
// baseline's loops.
template <typename Pick, typename Finish>
[[gnu::target("avx2")]] void SquareRow(Pick pick, Finish finish, WindowRow row, std::uint8_t* column,
                                       const std::uint8_t* colourMask) {
    if (row.stride < 2 * kStep) return effects::SquareRow(pick, finish, row, column, colourMask);
    const __m256i fourthBytes = _mm256_set1_epi32(static_cast<int>(~kColourBits));
    const std::uint32_t firstPixel = LoadPixel(row.here);
    __m256i before = _mm256_setzero_si256();
    __m256i own = Load(row.here);
    __m256i current = ColumnsAt(pick, row, 0, own);
    std::size_t i = kStep;
    for (; i + kStep <= row.stride; i += kStep) {
        const __m256i nextOwn = Load(row.here + i);
        const __m256i next = ColumnsAt(pick, row, i, nextOwn);
        const __m256i left = _mm256_alignr_epi8(current, _mm256_permute2x128_si256(before, current, 0x21), 12);
        const __m256i right = _mm256_alignr_epi8(_mm256_permute2x128_si256(current, next, 0x21), current, 4);
        const __m256i result = finish(own, pick(pick(left, current), right));
        Store(row.here + i - kStep, _mm256_blendv_epi8(result, own, fourthBytes));
        before = current;
        current = next;
        own = nextOwn;
    }
    StorePixel(row.here, firstPixel);
    // The columns over bytes i - 36 .. i - 1, as WriteFromColumns reads them.
    StorePixel(column, static_cast<std::uint32_t>(_mm256_extract_epi32(before, 7)));
    Store(column + 4, current);
    FormColumns(pick, row, column + 4 + kStep, i, row.stride);
    WriteFromColumns(pick, finish, row.here, column, colourMask, i - kStep, row.stride - 4);
}

}  // namespace avx2
#endif

// `pick` chooses between two bytes (the larger or the smaller); `finish`
// turns the pixel's own byte and the square's pick into the result.
//
// The column of three over row y is the pick of two pairs of rows, (y - 1, y)
// and (y, y + 1). The first pair was formed on the previous row, before row
// y - 1 was written; the second comes from rows not written yet. So no copy
// of the unchanged image is needed.
template <typename Pick, typename Finish>
void SquareWindow(FilterRun& run, Pick pick, Finish finish) {
    const PixelBuffer& work = run.work;
    const std::size_t stride = work.stride();
    std::vector<std::uint8_t> pairAbove(stride);
    std::vector<std::uint8_t> column(stride);
    const std::vector<std::uint8_t> colourMask = ColourLaneMask(run.width());
    if (run.height() >= 3) {
        const std::uint8_t* first = work.row(1);
        const std::uint8_t* second = work.row(2);
        for (std::size_t i = 0; i < stride; ++i) pairAbove[i] = pick(first[i], second[i]);
    }
    for (std::int32_t y = 2; y <= run.height() - 1; ++y) {
        const WindowRow row{work.row(y), work.row(y + 1), pairAbove.data(), stride};
        if (y + 2 <= run.height()) Prefetch(work.row(y + 2), stride);
#if defined(__x86_64__)
        if (UseAvx2())
            avx2::SquareRow(pick, finish, row, column.data(), colourMask.data());
        else
#endif
            SquareRow(pick, finish, row, column.data(), colourMask.data());
        run.rowDone(y);
    }
    run.finish();
}

// Each pick and finish on two bytes, and on AVX2 on 32 at once; a type of
// its own, so that each filter gets its own loops.
struct Larger {
    std::uint8_t operator()(std::uint8_t a, std::uint8_t b) const { return std::max(a, b); }
#if defined(__x86_64__)
    [[gnu::target("avx2")]] __m256i operator()(__m256i a, __m256i b) const { return _mm256_max_epu8(a, b); }
#endif
};
struct Smaller {
    std::uint8_t operator()(std::uint8_t a, std::uint8_t b) const { return std::min(a, b); }
#if defined(__x86_64__)
    [[gnu::target("avx2")]] __m256i operator()(__m256i a, __m256i b) const { return _mm256_min_epu8(a, b); }
#endif
};
struct Picked {
    std::uint8_t operator()(std::uint8_t, std::uint8_t picked) const { return picked; }
#if defined(__x86_64__)
    [[gnu::target("avx2")]] __m256i operator()(__m256i, __m256i picked) const { return picked; }
#endif
};
// Never negative: the pixel is part of its own square.
struct AboveMinimum {
    std::uint8_t operator()(std::uint8_t own, std::uint8_t minimum) const {
        return static_cast<std::uint8_t>(own - minimum);
    }
#if defined(__x86_64__)
    [[gnu::target("avx2")]] __m256i operator()(__m256i own, __m256i minimum) const {
        return _mm256_sub_epi8(own, minimum);
    }
#endif
};

}  // namespace

void Dilate(FilterRun& run) { SquareWindow(run, Larger{}, Picked{}); }
void Erode(FilterRun& run) { SquareWindow(run, Smaller{}, Picked{}); }
void InnerEdge(FilterRun& run) { SquareWindow(run, Smaller{}, AboveMinimum{}); }

}  // namespace tegmora::effects

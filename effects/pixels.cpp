#include "engine.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace tegmora::effects {

SourceRows::SourceRows(const FilterRun& run, std::int32_t reach)
    : work_(run.work), pristine_(run.pristine), slots_(reach + 1) {
    if (pristine_ == nullptr) saved_.resize(static_cast<std::size_t>(slots_) * work_.stride());
}

void SourceRows::enter(std::int32_t y) {
    if (pristine_ != nullptr) return;
    if (first_ == 0) first_ = y;
    current_ = y;
    std::memcpy(saved_.data() + static_cast<std::size_t>(y % slots_) * work_.stride(), work_.row(y),
                work_.stride());
}

const std::uint8_t* SourceRows::row(std::int32_t y) const {
    if (pristine_ != nullptr) return pristine_ + static_cast<std::size_t>(y - 1) * work_.stride();
    if (first_ != 0 && y >= first_ && y <= current_) {
        assert(current_ - y < slots_);
        return saved_.data() + static_cast<std::size_t>(y % slots_) * work_.stride();
    }
    return work_.row(y);
}

Levels& LevelTable() {
    static Levels table{};
    return table;
}

void FillGreyLevels() {
    Levels& levels = LevelTable();
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(levels.size()); ++i) levels[i] = i / 3;
}

std::int32_t MeanGreyLevel(const PixelBuffer& image) {
    FillGreyLevels();
    std::int64_t sum = 0;
    for (std::int32_t y = 1; y <= image.height; ++y) {
        // Whole words and arithmetic instead of table look-ups, so that the
        // loop vectorises; 32-bit sums over runs short enough not to wrap.
        const std::uint8_t* const row = image.row(y);
        constexpr std::int32_t kRun = 1 << 16;
        for (std::int32_t start = 0; start < image.width; start += kRun) {
            const std::int32_t end = std::min(image.width, start + kRun);
            std::uint32_t runSum = 0;
            for (std::int32_t x = start; x < end; ++x) {
                std::uint32_t word;
                std::memcpy(&word, row + std::size_t{4} * static_cast<std::size_t>(x), sizeof word);
                runSum += ((word & 0xFFu) + ((word >> 8) & 0xFFu) + ((word >> 16) & 0xFFu)) / 3u;
            }
            sum += runSum;
        }
    }
    return static_cast<std::int32_t>(sum / (std::int64_t{image.width} * image.height));
}

}  // namespace tegmora::effects

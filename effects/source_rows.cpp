// SourceBits for the filters that read their neighbours from the unchanged
// image while they write WorkBits.
#include "engine.h"

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

}  // namespace tegmora::effects

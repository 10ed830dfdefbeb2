// The unchanged rows, for the filters that read their neighbours from the
// image as the run found it while they write the image.
#include "engine.h"

#include <cassert>
#include <cstring>

namespace tegmora::effects {

SourceRows::SourceRows(const FilterRun& run) : work_(run.work), pristine_(run.pristine) {
    if (pristine_ == nullptr)
        for (std::vector<std::uint8_t>& slot : saved_.each()) slot.resize(work_.stride());
}

void SourceRows::enter(std::int32_t y) {
    if (pristine_ != nullptr) return;
    if (first_ == 0) first_ = y;
    current_ = y;
    std::memcpy(saved_[y].data(), work_.row(y), work_.stride());
}

const std::uint8_t* SourceRows::row(std::int32_t y) const {
    if (pristine_ != nullptr) return pristine_ + static_cast<std::size_t>(y - 1) * work_.stride();
    if (first_ != 0 && y >= first_ && y <= current_) {
        assert(current_ - y < 2);
        return saved_[y].data();
    }
    return work_.row(y);
}

}  // namespace tegmora::effects

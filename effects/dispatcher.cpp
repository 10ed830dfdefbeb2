#include "engine.h"

#include <cstring>
#include <new>
#include <string>

namespace tegmora::effects {
namespace {

class BusyScope {
public:
    explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& busy_;
};

std::string NameOf(std::int32_t code, const FilterInfo* info) {
    return info != nullptr ? std::string(info->name) : "code " + std::to_string(code);
}

// The size arithmetic of a 32-bit top-down bitmap header: a bitmap whose
// rows or whole size do not fit in 32 bits is refused.
void CheckHeaderSize(std::int32_t width, std::int32_t height) {
    const std::int32_t rowBits = CheckedAdd(CheckedMul(width, 32), 31);
    const std::int32_t stride = CheckedMul(rowBits / 32, 4);
    CheckedMul(stride, height);
}

void Run(const FilterInfo& info, Bitmap bitmap, std::int32_t amount, std::int32_t& progress,
         WriteBack writeBack, const YieldHook& yield, Engine& engine) {
    const PixelBuffer image{bitmap.bits, bitmap.width, bitmap.height};
    const bool direct = writeBack == WriteBack::AsRowsFinish &&
                        (info.mayFailMidRun == nullptr || !info.mayFailMidRun(amount));
    if (direct) {
        FilterRun run(image, nullptr, amount, progress, yield, engine);
        info.routine(run);
        return;
    }
    const std::size_t size = image.stride() * static_cast<std::size_t>(image.height);
    std::vector<std::uint8_t> work(bitmap.bits, bitmap.bits + size);
    FilterRun run(PixelBuffer{work.data(), image.width, image.height}, bitmap.bits, amount, progress, yield,
                  engine);
    info.routine(run);
    std::memcpy(bitmap.bits, work.data(), size);
}

}  // namespace

std::string_view ErrorKindText(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::Overflow: return "overflow";
        case ErrorKind::DivisionByZero: return "division by zero";
        case ErrorKind::InvalidFloatingPoint: return "invalid floating-point operation";
        case ErrorKind::OutOfMemory: return "out of memory";
    }
    return "unknown error";
}

FilterError::FilterError(ErrorKind kind, std::int32_t code, std::string_view filterName)
    : std::runtime_error(std::string(filterName) + ": " + std::string(ErrorKindText(kind))),
      kind_(kind),
      code_(code),
      filterName_(filterName) {}

Engine::Engine() : generator_(std::make_unique<UniformDraws>()) {}

Engine::~Engine() = default;

void Engine::draw(std::span<float> out) {
    if (drawSource_) {
        drawSource_(out);
        return;
    }
    generator_->fill(out);
}

void Engine::applyFilter(std::int32_t filterCode, Bitmap bitmap, std::int32_t amount, std::int32_t& progress,
                         WriteBack writeBack) {
    if (busy_) return;
    if (bitmap.bits == nullptr || bitmap.width < 1 || bitmap.height < 1) return;
    const BusyScope scope(busy_);
    const FilterInfo* info = FindFilter(filterCode);
    try {
        CheckHeaderSize(bitmap.width, bitmap.height);
        if (info == nullptr || info->routine == nullptr) return;
        Run(*info, bitmap, amount, progress, writeBack, yieldHook_, *this);
    } catch (const Fault& fault) {
        throw FilterError(fault.kind, filterCode, NameOf(filterCode, info));
    } catch (const std::bad_alloc&) {
        throw FilterError(ErrorKind::OutOfMemory, filterCode, NameOf(filterCode, info));
    }
}

}  // namespace tegmora::effects

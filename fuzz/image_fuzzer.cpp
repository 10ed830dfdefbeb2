// Fuzz target: the bytes of an image file are read as the window and
// tegmora-fx read them, then every filter code from 0 to 32 runs over the
// picture with one fuzzed amount, once for each way of writing back. A
// FilterError is an expected outcome; a broken promise of the engine aborts.
#include "effects.h"
#include "engine.h"
#include "fuzz_support.h"
#include "image_input.h"
#include "imageio.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QtGlobal>

#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tegmora::fuzz {
namespace {

using effects::ApplyFilter;
using effects::Bitmap;
using effects::ErrorKind;
using effects::FilterError;
using effects::WriteBack;

// Small enough that one input through every filter stays quick.
constexpr int kSideLimit = 256;
constexpr std::int32_t kFirstCode = 0;
constexpr std::int32_t kLastCode = 32;
// What `progress` holds before a run, so that any write to it shows.
constexpr std::int32_t kUntouched = -12345;

std::vector<std::uint8_t> PixelsOf(const Bitmap& bitmap) {
    const std::size_t size = std::size_t{4} * static_cast<std::size_t>(bitmap.width) *
                             static_cast<std::size_t>(bitmap.height);
    return {bitmap.bits, bitmap.bits + size};
}

bool FourthBytesEqual(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    for (std::size_t i = 3; i < a.size(); i += 4) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

bool LeavesInt32(std::int64_t value) { return value < INT32_MIN || value > INT32_MAX; }
bool Outside(std::int64_t value, std::int64_t lowest, std::int64_t highest) { return value < lowest || value > highest; }

// The amounts for which the engine's header says a filter may fail; every
// other filter and amount must succeed on every picture.
struct FailingAmounts {
    std::int32_t code;
    bool (*mayFail)(std::int64_t amount);
};

constexpr FailingAmounts kFailingAmounts[] = {
    {1, [](std::int64_t a) { return LeavesInt32(a + 24) || a == -8 || Outside(a, -8'421'512, 8'421'480); }},
    {6, [](std::int64_t a) { return LeavesInt32(a + 9) || a == -1 || Outside(a, -8'421'505, 8'421'495); }},
    {14, [](std::int64_t a) { return LeavesInt32(a + 100) || Outside(a + 100, -842'150'450, 842'150'450); }},
    {15, [](std::int64_t a) { return a == 0; }},
    {17, [](std::int64_t a) { return LeavesInt32(a + 100) || Outside(a + 100, -250'000'000, 250'000'000); }},
    {21, [](std::int64_t a) { return a == 0; }},
    {22, [](std::int64_t a) { return a == 0; }},
    {23, [](std::int64_t a) { return a == 0; }},
    {29, [](std::int64_t a) { return LeavesInt32(2 * a + 1); }},
    {30, [](std::int64_t a) { return Outside(a, -1'263'200'000, 1'263'200'000); }},
    {31, [](std::int64_t a) { return a <= 0; }},
};

bool MayFail(std::int32_t code, std::int32_t amount) {
    for (const FailingAmounts& entry : kFailingAmounts) {
        if (entry.code == code) return entry.mayFail(amount);
    }
    return false;
}

// Draws for the noisy filters that do not depend on earlier runs, so that
// both write-back modes of one code see the same ones.
class Draws {
public:
    void Restart(std::uint8_t seed) {
        seed_ = seed;
        state_ = seed * 2654435761u | 1u;
    }
    void Fill(std::span<float> out) {
        for (float& draw : out) draw = Next();
    }

private:
    float Next() {
        if (seed_ == 0) return 0.0f;
        if (seed_ == 255) return std::nextafter(1.0f, 0.0f);
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<float>(state_ >> 8) * 0x1p-24f;
    }

    std::uint8_t seed_ = 0;
    std::uint32_t state_ = 1;
};

// What the yield hook checks while a run is under way.
class RunWatch {
public:
    void Begin(std::int32_t code, Bitmap bitmap, std::int32_t amount, const std::int32_t& progress) {
        code_ = code;
        bitmap_ = bitmap;
        amount_ = amount;
        progress_ = &progress;
        lastProgress_ = kUntouched;
        yields_ = 0;
    }
    void End() { progress_ = nullptr; }

    void OnYield() {
        Require(progress_ != nullptr, "a filter yielded outside a run");
        Require(effects::FilterBusy(), "the engine is idle while a filter yields");
        Require(*progress_ >= 0 && *progress_ <= 100, "progress outside 0..100");
        Require(lastProgress_ == kUntouched || *progress_ >= lastProgress_, "progress went back");
        lastProgress_ = *progress_;
        if (yields_++ == 0) TryReentry();
    }

private:
    // A second call during a run must be turned away without touching anything.
    void TryReentry() const {
        const std::vector<std::uint8_t> before = PixelsOf(bitmap_);
        std::int32_t progress = kUntouched;
        ApplyFilter(code_, bitmap_, amount_, progress);
        Require(progress == kUntouched, "a call during a run wrote progress");
        Require(PixelsOf(bitmap_) == before, "a call during a run changed the bitmap");
    }

    std::int32_t code_ = 0;
    Bitmap bitmap_;
    std::int32_t amount_ = 0;
    const std::int32_t* progress_ = nullptr;
    std::int32_t lastProgress_ = kUntouched;
    int yields_ = 0;
};

Draws draws;
RunWatch watch;

struct Outcome {
    bool failed = false;
    ErrorKind kind = ErrorKind::Overflow;
    std::vector<std::uint8_t> pixels;
};

void CheckFailure(const FilterError& error, std::int32_t code, std::int32_t amount) {
    const effects::FilterInfo* info = effects::FindFilter(code);
    Require(info != nullptr && info->routine != nullptr, "a code without a filter failed");
    Require(MayFail(code, amount), "a filter failed for an amount that never fails it");
    Require(error.kind() != ErrorKind::OutOfMemory, "a small picture ran out of memory");
    Require(error.code() == code, "the error names another code");
    Require(error.filterName() == info->name, "the error names another filter");
    Require(std::string(error.what()) == std::string(info->name) + ": " + std::string(ErrorKindText(error.kind())),
            "the error's message is not \"<filter>: <kind>\"");
}

void CheckSuccess(std::int32_t code, const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after,
                  std::int32_t progress) {
    Require(FourthBytesEqual(before, after), "a filter changed the fourth byte of a pixel");
    const effects::FilterInfo* info = effects::FindFilter(code);
    if (info == nullptr || info->routine == nullptr) {
        Require(after == before, "a code without a filter changed the bitmap");
        Require(progress == kUntouched, "a code without a filter wrote progress");
    } else {
        Require(progress == 100, "a finished run did not end at 100");
    }
}

Outcome RunOnce(std::int32_t code, const QImage& picture, const FilterChoice& choice, WriteBack writeBack) {
    QImage image = picture.copy();
    const Bitmap bitmap = imageio::BitmapOf(image);
    const std::vector<std::uint8_t> before = PixelsOf(bitmap);
    const std::int32_t amount = AmountOf(choice);
    std::int32_t progress = kUntouched;
    const std::string context = "code " + std::to_string(code) + ", amount " + std::to_string(amount) + ", " +
                                std::to_string(image.width()) + " x " + std::to_string(image.height()) +
                                ", write-back " + (writeBack == WriteBack::AtEnd ? "at end" : "as rows finish");
    SetCheckContext(context);
    draws.Restart(choice.randomSeed);
    watch.Begin(code, bitmap, amount, progress);
    Outcome outcome;
    try {
        ApplyFilter(code, bitmap, amount, progress, writeBack);
    } catch (const FilterError& error) {
        SetCheckContext(context + ", failed with " + error.what());
        CheckFailure(error, code, amount);
        outcome.failed = true;
        outcome.kind = error.kind();
    }
    watch.End();
    Require(!effects::FilterBusy(), "the engine is still busy after a run");
    outcome.pixels = PixelsOf(bitmap);
    if (outcome.failed) {
        Require(outcome.pixels == before, "a failed run changed the bitmap");
    } else {
        CheckSuccess(code, before, outcome.pixels, progress);
    }
    return outcome;
}

// Writing the result at the end or row by row must not change it.
void RunBothWays(std::int32_t code, const QImage& picture, const FilterChoice& choice) {
    const Outcome atEnd = RunOnce(code, picture, choice, WriteBack::AtEnd);
    const Outcome asRowsFinish = RunOnce(code, picture, choice, WriteBack::AsRowsFinish);
    Require(atEnd.failed == asRowsFinish.failed, "only one write-back mode failed");
    Require(atEnd.kind == asRowsFinish.kind, "the write-back modes failed differently");
    Require(atEnd.pixels == asRowsFinish.pixels, "the write-back modes gave different pictures");
}

const QString kInputName = QStringLiteral("fuzz input");

QImage Load(std::span<const std::uint8_t> file) {
    QByteArray bytes(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const imageio::LoadedImage loaded = imageio::LoadImage(buffer, kInputName, kSideLimit);
    if (loaded.image.isNull()) {
        Require(loaded.error.contains(kInputName), "a failed load does not name the file");
        return {};
    }
    const QImage& image = loaded.image;
    Require(loaded.error.isEmpty(), "a load both succeeded and failed");
    Require(image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32,
            "a loaded picture is not 32-bit");
    Require(image.width() >= 1 && image.height() >= 1, "a loaded picture has no pixels");
    Require(image.width() <= kSideLimit && image.height() <= kSideLimit, "a picture above the side limit loaded");
    Require(image.bytesPerLine() == 4 * image.width(), "a loaded picture's rows are padded");
    return image;
}

// Qt's readers warn about damaged files, which most inputs are; a fatal
// message still ends the process after the handler.
void DropMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace
}  // namespace tegmora::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    using namespace tegmora;
    qInstallMessageHandler(fuzz::DropMessages);
    effects::SetYieldHook([] { fuzz::watch.OnYield(); });
    effects::SetRandomSourceForTesting([](std::span<float> out) { fuzz::draws.Fill(out); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tegmora::fuzz;
    const ImageInput input = SplitImageInput({data, size});
    const QImage picture = Load(input.file);
    if (picture.isNull()) return 0;
    for (std::int32_t code = kFirstCode; code <= kLastCode; ++code) RunBothWays(code, picture, input.choice);
    return 0;
}

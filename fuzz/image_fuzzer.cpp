// Image file bytes through the image reader, then every code 0..32 over the
// picture in both write-back modes, and the operations beyond the filters.
// An input is the file followed by a six-byte trailer: an index into kAmounts
// (or, past its end, the raw amount in the next four bytes, little-endian)
// and a seed for the random draws and the size of a fit.
#include "effects.h"
#include "engine.h"
#include "fuzz_support.h"
#include "imageio.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QtGlobal>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <vector>

namespace tegmora::fuzz {
namespace {

using effects::Bitmap;
using effects::FilterError;
using effects::WriteBack;

// Amounts worth trying often: the editor's presets, small ones, where a
// filter changes path (Contrast's spreading, the kernels' amount plus their
// weights) and the ends of the 32-bit range; then the limits of every run of
// amounts that fails, and the amounts beside them. The committed corpus
// picks them by index.
constexpr std::int32_t kAmountsOfNote[] = {
    0,         1,          -1,         2,          -2,         3,          6,          8,
    9,         10,         -10,        12,         15,         -20,        100,        -100,
    -101,      255,        256,        65535,      16777215,   -16777216,  249999900,  250000000,
    -250000100, -250000101, 2147483623, 2147483624, 2147483639, 2147483640, 2147483646, 2147483647,
    -2147483647 - 1, -2147483647,
};

std::vector<std::int32_t> AmountsWorthTrying() {
    std::vector<std::int32_t> amounts(std::begin(kAmountsOfNote), std::end(kAmountsOfNote));
    for (const effects::FailingRange& range : effects::FailingAmounts()) {
        if (range.first != INT32_MIN) amounts.push_back(range.first - 1);
        amounts.push_back(range.first);
        amounts.push_back(range.last);
        if (range.last != INT32_MAX) amounts.push_back(range.last + 1);
    }
    return amounts;
}

const std::vector<std::int32_t> kAmounts = AmountsWorthTrying();
constexpr std::size_t kTrailerSize = 6;
constexpr int kSideLimit = 256;
constexpr std::int32_t kUntouched = -12345;

struct Trailer {
    std::int32_t amount = 0;
    std::uint8_t seed = 0;  // 0: every draw 0; 255: every draw just below 1
};

Trailer ReadTrailer(std::span<const std::uint8_t> t) {
    std::uint32_t raw = 0;
    for (int i = 4; i >= 1; --i) raw = raw << 8 | t[static_cast<std::size_t>(i)];
    return {t[0] < kAmounts.size() ? kAmounts[t[0]] : static_cast<std::int32_t>(raw), t[5]};
}

effects::Engine engine;
std::uint8_t seed = 0;
std::uint32_t state = 1;

void FillDraws(std::span<float> out) {
    for (float& draw : out) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        draw = seed == 0 ? 0.0f
                         : (seed == 255 ? std::nextafter(1.0f, 0.0f) : static_cast<float>(state >> 8) * 0x1p-24f);
    }
}

std::vector<std::uint8_t> PixelsOf(const Bitmap& bitmap) {
    return {bitmap.bits, bitmap.bits + std::size_t{4} * static_cast<std::size_t>(bitmap.width) *
                                           static_cast<std::size_t>(bitmap.height)};
}

// What the yield hook checks during a run, and the one call it makes back
// into the engine, which the busy guard must turn away.
struct RunWatch {
    std::int32_t code = 0;
    Bitmap bitmap;
    const std::int32_t* progress = nullptr;
    std::int32_t last = kUntouched;

    void onYield() {
        Require(progress != nullptr && engine.busy(), "a filter yielded outside a run");
        Require(*progress >= 0 && *progress <= 100 && *progress >= last, "progress outside 0..100 or going back");
        if (last == kUntouched) {
            const std::vector<std::uint8_t> before = PixelsOf(bitmap);
            std::int32_t other = kUntouched;
            engine.applyFilter(code, bitmap, 0, other);
            Require(other == kUntouched && PixelsOf(bitmap) == before, "a call during a run did something");
        }
        last = *progress;
    }
} watch;

struct Outcome {
    std::string error;  // empty after a success
    std::vector<std::uint8_t> pixels;
};

Outcome RunOnce(std::int32_t code, const QImage& picture, Trailer trailer, WriteBack writeBack) {
    QImage image = picture.copy();
    const Bitmap bitmap = imageio::BitmapOf(image);
    const std::vector<std::uint8_t> before = PixelsOf(bitmap);
    const effects::FilterInfo* info = effects::FindFilter(code);
    std::int32_t progress = kUntouched;
    SetCheckContext("code " + std::to_string(code) + ", amount " + std::to_string(trailer.amount) + ", " +
                    std::to_string(image.width()) + " x " + std::to_string(image.height()) + ", write-back " +
                    std::to_string(static_cast<int>(writeBack)));
    seed = trailer.seed;
    state = seed * 2654435761u | 1u;
    watch = {code, bitmap, &progress, kUntouched};
    Outcome outcome;
    try {
        engine.applyFilter(code, bitmap, trailer.amount, progress, writeBack);
    } catch (const FilterError& error) {
        outcome.error = error.what();
        Require(info != nullptr && error.code() == code && error.kind() != effects::ErrorKind::OutOfMemory,
                "a failure without a filter, naming another code, or out of memory");
        Require(outcome.error == std::string(info->name) + ": " + std::string(ErrorKindText(error.kind())),
                "the error's message is not \"<filter>: <kind>\"");
    }
    watch.progress = nullptr;
    Require(!engine.busy(), "the engine is still busy after a run");
    outcome.pixels = PixelsOf(bitmap);
    for (std::size_t i = 3; i < before.size(); i += 4)
        Require(outcome.pixels[i] == before[i], "a filter changed the fourth byte of a pixel");
    if (!outcome.error.empty() || info == nullptr) Require(outcome.pixels == before, "the bitmap changed");
    Require(progress == (info == nullptr ? kUntouched : 100) || !outcome.error.empty(), "progress did not end right");
    return outcome;
}

// The operations beyond the filters: a fit to a size the seed picks and to
// the picture's own size, which must change nothing; Make Seamless, which
// must keep every pixel touching the middle half of the columns and rows,
// and the seam ratio; hue, saturation and lightness, amounts cut from the amount.
void RunOperations(const QImage& picture, Trailer trailer) {
    SetCheckContext("operations, amount " + std::to_string(trailer.amount) + ", seed " + std::to_string(trailer.seed));
    QImage image = picture.copy();
    const std::vector<std::uint8_t> before = PixelsOf(imageio::BitmapOf(image));
    QImage fitted(1 + trailer.seed % 37, 1 + trailer.seed % 23, image.format());
    effects::FitToSize(imageio::ConstBitmapOf(image), imageio::BitmapOf(fitted));
    effects::FitToSize(imageio::ConstBitmapOf(picture), imageio::BitmapOf(image));
    Require(PixelsOf(imageio::BitmapOf(image)) == before, "a fit to the picture's own size changed it");
    effects::MakeSeamless(imageio::BitmapOf(image));
    const int w = image.width(), h = image.height();
    const QRect middle(QPoint(w / 4, h / 4), QPoint((3 * w + 3) / 4 - 1, (3 * h + 3) / 4 - 1));
    Require(image.copy(middle) == picture.copy(middle), "Make Seamless changed the middle of the picture");
    Require(effects::SeamRatio(imageio::ConstBitmapOf(image)) >= 0, "a seam ratio below 0");
    image = picture.copy();
    const std::int32_t a = trailer.amount;
    const bool colourize = (trailer.seed & 1) != 0;
    effects::AdjustHueSaturationLightness(imageio::BitmapOf(image), {a % (colourize ? 361 : 181), a / 361 % 101, a / 36461 % 101, colourize});
    const std::vector<std::uint8_t> after = PixelsOf(imageio::BitmapOf(image));
    for (std::size_t i = 3; i < before.size(); i += 4) Require(after[i] == before[i], "hue and lightness changed the fourth byte");
}

QImage Load(std::span<const std::uint8_t> file) {
    QByteArray bytes(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QString name = QStringLiteral("fuzz input");
    const imageio::LoadedImage loaded = imageio::LoadImage(buffer, name, kSideLimit);
    const QImage& image = loaded.image;
    if (image.isNull()) {
        Require(loaded.error.contains(name), "a failed load does not name the file");
        return {};
    }
    const bool rgb32 = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    Require(loaded.error.isEmpty() && rgb32, "a load both succeeded and failed, or its picture is not 32-bit");
    Require(image.width() >= 1 && image.height() >= 1 && image.width() <= kSideLimit && image.height() <= kSideLimit,
            "a loaded picture outside 1..256 pixels a side");
    Require(image.bytesPerLine() == 4 * image.width(), "a loaded picture's rows are padded");
    return image;
}

void DropMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace
}  // namespace tegmora::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    using namespace tegmora;
    qInstallMessageHandler(fuzz::DropMessages);
    fuzz::engine.setYieldHook([] { fuzz::watch.onYield(); });
    fuzz::engine.setDrawSource(fuzz::FillDraws);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tegmora::fuzz;
    const std::span<const std::uint8_t> bytes(data, size);
    const bool trailed = size >= kTrailerSize;
    const QImage picture = Load(trailed ? bytes.first(size - kTrailerSize) : bytes);
    if (picture.isNull()) return 0;
    const Trailer trailer = trailed ? ReadTrailer(bytes.last(kTrailerSize)) : Trailer{};
    for (std::int32_t code = 0; code <= 32; ++code) {
        const Outcome atEnd = RunOnce(code, picture, trailer, tegmora::effects::WriteBack::AtEnd);
        const Outcome asRows = RunOnce(code, picture, trailer, tegmora::effects::WriteBack::AsRowsFinish);
        Require(atEnd.error == asRows.error && atEnd.pixels == asRows.pixels, "the write-back modes differ");
    }
    RunOperations(picture, trailer);
    return 0;
}

#include "imageio.h"

#include "eight_bit_bitmap.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QtEndian>

#include <mutex>
#include <optional>

namespace tegmora::imageio {
namespace {

// The deepest pixels Qt's readers decode into: 16 bits per channel, as
// 16-bit PNG files give.
constexpr qint64 kDeepestPixelBytes = 8;

// Qt refuses images above its own allocation limit; ours is the side limit,
// so set Qt's to what a limit-sized image of the deepest pixels needs. The
// limit is Qt's for the whole process: files read on several threads at once
// with one side limit set it once.
void AllowSidesUpTo(int sideLimit) {
    static std::mutex mutex;
    const qint64 bytes = qint64{sideLimit} * sideLimit * kDeepestPixelBytes;
    const int megabytes = static_cast<int>(bytes / (1024 * 1024) + 1);
    const std::lock_guard lock(mutex);
    if (QImageReader::allocationLimit() != megabytes) QImageReader::setAllocationLimit(megabytes);
}

// Width and height as a header claims them, which may be far beyond int.
struct Dimensions {
    qint64 width;
    qint64 height;
};

Dimensions DimensionsOf(QSize size) { return {size.width(), size.height()}; }

bool Exceeds(Dimensions dimensions, int sideLimit) {
    return dimensions.width > sideLimit || dimensions.height > sideLimit;
}

// A bitmap's file header and the start of its info header, up to the height.
constexpr qint64 kBitmapHeadBytes = 26;

// Qt's bitmap reader tells no size for a bitmap it will not read, so the
// size a bitmap claims is read from its header here. An info header holds a
// signed 32-bit width and height (a negative height runs top-down); the old
// 12-byte core header holds unsigned 16-bit ones.
std::optional<Dimensions> BitmapHeaderDimensions(const QByteArray& head) {
    if (head.size() < kBitmapHeadBytes || !head.startsWith("BM")) return std::nullopt;
    const char* bytes = head.constData();
    if (qFromLittleEndian<quint32>(bytes + 14) == 12)
        return Dimensions{qFromLittleEndian<quint16>(bytes + 18), qFromLittleEndian<quint16>(bytes + 20)};
    const qint64 height = qFromLittleEndian<qint32>(bytes + 22);
    return Dimensions{qFromLittleEndian<qint32>(bytes + 18), height < 0 ? -height : height};
}

// Qt's GIF reader makes a picture of the logical screen, which may claim far
// more than any frame, and says only that it cannot read such a file; the
// screen's 16-bit width and height follow the six-byte signature.
std::optional<Dimensions> GifScreenDimensions(const QByteArray& head) {
    if (head.size() < 10 || !head.startsWith("GIF8")) return std::nullopt;
    const auto side = [&](qsizetype at) { return qint64{static_cast<uchar>(head.at(at))} | static_cast<uchar>(head.at(at + 1)) << 8; };
    return Dimensions{side(6), side(8)};
}

std::optional<Dimensions> ClaimedDimensions(QImageReader& reader, const QByteArray& head) {
    if (const std::optional<Dimensions> screen = GifScreenDimensions(head)) return screen;
    const QSize size = reader.size();
    if (size.isValid()) return DimensionsOf(size);
    return BitmapHeaderDimensions(head);
}

QString TooLarge(const QString& path, Dimensions dimensions, int sideLimit) {
    return QStringLiteral("Cannot load %1: the image is %2 x %3 pixels, larger than the limit of %4 x %4")
        .arg(path)
        .arg(dimensions.width)
        .arg(dimensions.height)
        .arg(sideLimit);
}

LoadedImage Failure(const QString& why) { return {QImage(), QImage(), why}; }

QString CannotWrite(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot write %1: %2").arg(path, reason);
}

// A write may take only part of its bytes, a full disk saying why only on
// the next one.
bool WriteAll(QIODevice& device, const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = device.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) return false;
        done += written;
    }
    return true;
}

}  // namespace

LoadedImage LoadImage(const QString& path, int sideLimit) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure(QStringLiteral("Cannot load %1: %2").arg(path, file.errorString()));
    return LoadImage(file, path, sideLimit);
}

LoadedImage LoadImage(QIODevice& device, const QString& path, int sideLimit) {
    const QByteArray head = device.peek(kBitmapHeadBytes);
    AllowSidesUpTo(sideLimit);
    QImageReader reader(&device);
    reader.setAutoTransform(false);
    const std::optional<Dimensions> claimed = ClaimedDimensions(reader, head);
    if (claimed && Exceeds(*claimed, sideLimit)) return Failure(TooLarge(path, *claimed, sideLimit));
    QImage image;
    if (!reader.read(&image))
        return Failure(QStringLiteral("Cannot load %1: %2").arg(path, reader.errorString()));
    if (Exceeds(DimensionsOf(image.size()), sideLimit))
        return Failure(TooLarge(path, DimensionsOf(image.size()), sideLimit));
    // Qt reads 1-, 4- and 8-bit bitmaps as pictures over a colour table.
    const QImage palettised = head.startsWith("BM") && image.colorCount() > 0
                                  ? image.convertToFormat(QImage::Format_Indexed8)
                                  : QImage();
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    return {image, palettised, QString()};
}

QString SaveImage(const QImage& image, const QString& path, FileFormat format, const SaveOptions& options) {
    // Renaming the finished file into place would replace a device (the null
    // device, say), a pipe or a socket of that name with a regular file.
    // Folders QSaveFile refuses itself.
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isFile() && !existing.isDir())
        return CannotWrite(path, QStringLiteral("not a regular file"));
    std::optional<QImage> eightBit;
    if (format == FileFormat::Bitmap8) {
        eightBit = EightBitPicture(image, options.original, options.dither);
        if (!eightBit) return CannotWrite(path, QStringLiteral("the colours could not be reduced to 256"));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return CannotWrite(path, file.errorString());
    QImageWriter writer(&file, format == FileFormat::Png ? "png" : "bmp");
    const bool written =
        eightBit ? WriteAll(file, EightBitBitmapBytes(*eightBit))
                 : writer.write(format == FileFormat::Bitmap24 && image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_RGB888) : image);
    // Why the file could not be written, a full disk say, shows only once the
    // buffered bytes are flushed, and commit() would forget it. A QSaveFile
    // left unfinished discards its temporary file.
    if (!file.flush()) return CannotWrite(path, file.errorString());
    if (!written) return CannotWrite(path, eightBit ? file.errorString() : writer.errorString());
    if (!file.commit()) return CannotWrite(path, file.errorString());
    return QString();
}

effects::Bitmap BitmapOf(QImage& image) {
    return {image.bits(), image.width(), image.height()};
}

effects::ConstBitmap ConstBitmapOf(const QImage& image) {
    return {image.constBits(), image.width(), image.height()};
}

QImage Fitted(const QImage& image, QSize size) {
    QImage fitted(size, image.format());
    effects::FitToSize(ConstBitmapOf(image), BitmapOf(fitted));
    return fitted;
}

}  // namespace tegmora::imageio

#include "imageio.h"

#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>

namespace tegmora::imageio {
namespace {

// Qt refuses images above its own allocation limit; ours is the side limit,
// so raise Qt's to what a limit-sized 32-bit image needs.
void AllowSidesUpTo(int sideLimit) {
    const qint64 bytes = qint64{sideLimit} * sideLimit * 4;
    const qint64 megabytes = bytes / (1024 * 1024) + 1;
    QImageReader::setAllocationLimit(
        static_cast<int>(std::min<qint64>(std::max<qint64>(megabytes, 256), 1 << 30)));
}

QString TooLarge(const QString& path, QSize size, int sideLimit) {
    return QStringLiteral("Cannot load %1: the image is %2 x %3 pixels, larger than the limit of %4 x %4")
        .arg(path)
        .arg(size.width())
        .arg(size.height())
        .arg(sideLimit);
}

}  // namespace

LoadedImage LoadImage(const QString& path, int sideLimit) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QImage(), QStringLiteral("Cannot load %1: %2").arg(path, file.errorString())};
    return LoadImage(file, path, sideLimit);
}

LoadedImage LoadImage(QIODevice& device, const QString& path, int sideLimit) {
    AllowSidesUpTo(sideLimit);
    QImageReader reader(&device);
    reader.setAutoTransform(false);
    const QSize claimed = reader.size();
    if (claimed.width() > sideLimit || claimed.height() > sideLimit)
        return {QImage(), TooLarge(path, claimed, sideLimit)};
    QImage image;
    if (!reader.read(&image))
        return {QImage(), QStringLiteral("Cannot load %1: %2").arg(path, reader.errorString())};
    if (image.width() > sideLimit || image.height() > sideLimit)
        return {QImage(), TooLarge(path, image.size(), sideLimit)};
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    return {image, QString()};
}

QString SaveImage(const QImage& image, const QString& path, FileFormat format) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    QImageWriter writer(&file, format == FileFormat::Png ? "png" : "bmp");
    const QImage pixels =
        format == FileFormat::Bitmap24 ? image.convertToFormat(QImage::Format_RGB888) : image;
    if (!writer.write(pixels)) {
        file.cancelWriting();
        return QStringLiteral("Cannot write %1: %2").arg(path, writer.errorString());
    }
    if (!file.commit()) return QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    return QString();
}

effects::Bitmap BitmapOf(QImage& image) {
    return {image.bits(), image.width(), image.height()};
}

}  // namespace tegmora::imageio

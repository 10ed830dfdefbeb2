// The side limit of LoadImage: a header that claims too much is refused
// before any pixel memory is allocated, naming the size and the limit, in
// bitmaps, PNG, JPEG, WebP and TIFF files.
#include "imageio.h"
#include "tool_run.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace tegmora::imageio {
namespace {

// The old 12-byte core header, whose width and height are 16 bits each.
QByteArray CoreHeaderClaiming(quint16 width, quint16 height) {
    QByteArray bytes = hostile::BitmapHeaderClaiming(0, 0).left(26);
    const quint16 fields[] = {12, 0, width, height, 1, 24};
    qToLittleEndian<quint16>(fields, 6, bytes.data() + 14);
    return bytes;
}

QByteArray FileOf(const QImage& image, const char* format = "BMP") {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage Filled(int width, int height, QImage::Format format = QImage::Format_RGB32) {
    QImage image(width, height, format);
    image.fill(QColor(10, 200, 30));
    return image;
}

TEST(ImageSizeLimitTest, ImagesUpToTheLimitLoadAndLargerClaimsAreRefused) {
    struct Case {
        QByteArray bytes;
        int limit;
        const char* refusedAs;  // null when the image loads
    };
    const Case cases[] = {
        {hostile::BitmapHeaderClaiming(60000, -60000), kDefaultSideLimit, "60000 x 60000"},
        {hostile::BitmapHeaderClaiming(60000, 1), kDefaultSideLimit, "60000 x 1"},
        {hostile::BitmapHeaderClaiming(1, 16385), kDefaultSideLimit, "1 x 16385"},
        {hostile::BitmapHeaderClaiming(1, INT32_MIN), kDefaultSideLimit, "1 x 2147483648"},
        {CoreHeaderClaiming(60000, 60000), kDefaultSideLimit, "60000 x 60000"},
        {FileOf(Filled(5, 3)), 4, "5 x 3"},
        {FileOf(Filled(3, 5)), 4, "3 x 5"},
        {FileOf(Filled(5, 3)), 5, nullptr},
        {FileOf(Filled(16384, 1)), kDefaultSideLimit, nullptr},
        {FileOf(Filled(600, 600, QImage::Format_RGBA64), "PNG"), 600, nullptr},  // the deepest pixels
        {FileOf(Filled(8, 8), "JPEG").replace(QByteArray("\xff\xc0\0\x11\x08\0\x08\0\x08", 9),  // the frame header
                                              QByteArray("\xff\xc0\0\x11\x08\xea\x60\xea\x60", 9)),
         kDefaultSideLimit, "60000 x 60000"},
        {QByteArray("GIF89a\x60\xea\x60\xea\x80\0\0", 13), kDefaultSideLimit, "60000 x 60000"},  // the logical screen
        {FileOf(Filled(5, 3), "WEBP"), 4, "5 x 3"},
        {FileOf(Filled(7, 5), "TIFF"), 7, nullptr},
    };
    for (const Case& c : cases) {
        QByteArray bytes = c.bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const LoadedImage loaded = LoadImage(buffer, QStringLiteral("roof"), c.limit);
        if (c.refusedAs) {
            EXPECT_EQ(loaded.error, QStringLiteral("Cannot load roof: the image is %1 pixels, larger than the "
                                                   "limit of %2 x %2").arg(QLatin1String(c.refusedAs)).arg(c.limit));
            continue;
        }
        ASSERT_EQ(loaded.error, QString());
        EXPECT_EQ(loaded.image.pixel(loaded.image.width() - 1, loaded.image.height() - 1), qRgb(10, 200, 30));
    }
}

}  // namespace
}  // namespace tegmora::imageio

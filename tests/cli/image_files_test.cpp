#include "../support/hostile_files.h"
#include "imageio.h"
#include "qstring_printer.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tegmora::imageio {
namespace {

LoadedImage LoadBytes(QByteArray bytes, int sideLimit = kDefaultSideLimit) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return LoadImage(buffer, QStringLiteral("roof.bmp"), sideLimit);
}

QString Refusal(const char* size, int limit) {
    return QStringLiteral("Cannot load roof.bmp: the image is %1 pixels, larger than the limit of %2 x %2")
        .arg(QString::fromLatin1(size))
        .arg(limit);
}

// The old 12-byte core header, whose width and height are 16 bits each.
QByteArray CoreHeaderClaiming(quint16 width, quint16 height) {
    QByteArray bytes = hostile::BitmapHeaderClaiming(0, 0).left(26);
    const quint16 fields[] = {12, 0, width, height, 1, 24};
    qToLittleEndian<quint16>(fields, 6, bytes.data() + 14);
    return bytes;
}

QByteArray BitmapBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

QImage Grey(int width, int height, int level) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(level, level, level));
    return image;
}

TEST(ImageSizeLimitTest, HeaderClaimingTooMuchIsRefusedWithSizeAndLimit) {
    struct Case {
        const char* what;
        QByteArray header;
        const char* size;
    };
    const Case cases[] = {
        {"bottom-up", hostile::BitmapHeaderClaiming(60000, 60000), "60000 x 60000"},
        {"top-down", hostile::BitmapHeaderClaiming(60000, -60000), "60000 x 60000"},
        {"wide", hostile::BitmapHeaderClaiming(60000, 1), "60000 x 1"},
        {"high", hostile::BitmapHeaderClaiming(1, 60000), "1 x 60000"},
        {"one past the limit", hostile::BitmapHeaderClaiming(16385, 16385), "16385 x 16385"},
        {"most negative height", hostile::BitmapHeaderClaiming(1, INT32_MIN), "1 x 2147483648"},
        {"core header", CoreHeaderClaiming(60000, 60000), "60000 x 60000"},
    };
    for (const Case& c : cases) {
        const LoadedImage loaded = LoadBytes(c.header);
        EXPECT_TRUE(loaded.image.isNull()) << c.what;
        EXPECT_EQ(loaded.error, Refusal(c.size, kDefaultSideLimit)) << c.what;
    }
}

TEST(ImageSizeLimitTest, SidesUpToTheLimitLoad) {
    struct Case {
        int width;
        int height;
        int limit;
        const char* refusedAs;  // null when the image loads
    };
    const Case cases[] = {
        {5, 3, 5, nullptr},         {5, 3, 4, "5 x 3"},          {3, 5, 4, "3 x 5"},
        {16384, 1, kDefaultSideLimit, nullptr}, {16385, 1, kDefaultSideLimit, "16385 x 1"},
        {16385, 1, 16385, nullptr},
    };
    for (const Case& c : cases) {
        const LoadedImage loaded = LoadBytes(BitmapBytes(Grey(c.width, c.height, 77)), c.limit);
        if (c.refusedAs != nullptr) {
            EXPECT_EQ(loaded.error, Refusal(c.refusedAs, c.limit)) << c.width << " x " << c.height;
            continue;
        }
        ASSERT_EQ(loaded.error, QString()) << c.width << " x " << c.height;
        EXPECT_EQ(loaded.image.size(), QSize(c.width, c.height));
        EXPECT_EQ(loaded.image.pixel(c.width - 1, c.height - 1), qRgb(77, 77, 77));
    }
}

TEST(ImageSizeLimitTest, SixteenBitPngWithSidesAtTheLimitLoads) {
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("deep.png"));
    QImage deep(600, 600, QImage::Format_RGBA64);
    deep.fill(QColor(10, 200, 30));
    ASSERT_TRUE(deep.save(path, "PNG"));
    ASSERT_EQ(hostile::FileBytes(path).at(24), 16);  // bits per channel, from the PNG header
    const LoadedImage loaded = LoadImage(path, 600);
    ASSERT_EQ(loaded.error, QString());
    EXPECT_EQ(loaded.image.size(), QSize(600, 600));
    EXPECT_EQ(loaded.image.pixel(599, 599), qRgb(10, 200, 30));
}

}  // namespace
}  // namespace tegmora::imageio

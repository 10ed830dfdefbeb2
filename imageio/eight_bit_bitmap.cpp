#include "eight_bit_bitmap.h"

#include <QHash>
#include <QtEndian>

#include <algorithm>

namespace tegmora::imageio {
namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kInfoHeaderBytes = 40;
constexpr int kPixelsStart = kFileHeaderBytes + kInfoHeaderBytes + 4 * kPaletteEntries;

// Colours compare by red, green and blue; the fourth byte is no part of a
// bitmap of 8 bits.
QRgb Opaque(QRgb colour) { return colour | 0xFF000000u; }

QList<QRgb> Padded(QList<QRgb> palette) {
    palette.resize(kPaletteEntries, qRgb(0, 0, 0));
    return palette;
}

// Each colour's first index in a palette, the fourth byte ignored.
QHash<QRgb, uchar> IndexesOf(const QList<QRgb>& palette) {
    QHash<QRgb, uchar> indexes;
    for (int i = palette.size() - 1; i >= 0; --i) indexes.insert(Opaque(palette[i]), static_cast<uchar>(i));
    return indexes;
}

const QRgb* Row(const QImage& rgb32, int y) { return reinterpret_cast<const QRgb*>(rgb32.constScanLine(y)); }

// The picture's colours in the order they first appear as its palette, and
// every pixel's index into it; nothing when there are more than 256.
std::optional<QImage> IndexedInFirstOrder(const QImage& rgb32) {
    QHash<QRgb, uchar> indexes;
    QList<QRgb> colours;
    QImage indexed(rgb32.size(), QImage::Format_Indexed8);
    for (int y = 0; y < rgb32.height(); ++y) {
        const QRgb* in = Row(rgb32, y);
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < rgb32.width(); ++x) {
            const QRgb colour = Opaque(in[x]);
            auto found = indexes.constFind(colour);
            if (found == indexes.constEnd()) {
                if (colours.size() == kPaletteEntries) return std::nullopt;
                found = indexes.insert(colour, static_cast<uchar>(colours.size()));
                colours << colour;
            }
            out[x] = *found;
        }
    }
    indexed.setColorTable(Padded(colours));
    return indexed;
}

// Indexes into `palette` (256 entries) for every pixel, preferring the
// index the same pixel had in `original`, when of the picture's size, while
// that index still gives its colour. Nothing when a colour is not in the
// palette.
std::optional<QImage> Indexed(const QImage& rgb32, const QList<QRgb>& palette, const QImage& original) {
    const QHash<QRgb, uchar> indexes = IndexesOf(palette);
    QImage indexed(rgb32.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette);
    const bool sameShape = original.size() == rgb32.size();
    for (int y = 0; y < rgb32.height(); ++y) {
        const QRgb* in = Row(rgb32, y);
        const uchar* before = sameShape ? original.constScanLine(y) : nullptr;
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < rgb32.width(); ++x) {
            const QRgb colour = Opaque(in[x]);
            if (before && Opaque(palette[before[x]]) == colour) {
                out[x] = before[x];
                continue;
            }
            const auto found = indexes.constFind(colour);
            if (found == indexes.constEnd()) return std::nullopt;
            out[x] = *found;
        }
    }
    return indexed;
}

void Put(QByteArray& bytes, int offset, quint32 value) { qToLittleEndian(value, bytes.data() + offset); }
void Put16(QByteArray& bytes, int offset, quint16 value) { qToLittleEndian(value, bytes.data() + offset); }

}  // namespace

std::optional<QImage> EightBitPicture(const QImage& image, const QImage& original, Dither dither) {
    const QImage rgb32 = image.convertToFormat(QImage::Format_RGB32);
    std::optional<QImage> indexed;
    if (!original.isNull()) indexed = Indexed(rgb32, Padded(original.colorTable()), original);
    if (!indexed) indexed = IndexedInFirstOrder(rgb32);
    if (!indexed) {
        indexed = Quantised(rgb32, dither);
        if (!indexed) return std::nullopt;
        indexed->setColorTable(Padded(indexed->colorTable()));
    }
    indexed->setDotsPerMeterX(image.dotsPerMeterX());
    indexed->setDotsPerMeterY(image.dotsPerMeterY());
    return indexed;
}

QByteArray EightBitBitmapBytes(const QImage& indexed) {
    const qsizetype stride = (indexed.width() + 3) / 4 * 4;
    const qsizetype pixelBytes = stride * indexed.height();
    QByteArray bytes(kPixelsStart + pixelBytes, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put(bytes, 2, static_cast<quint32>(bytes.size()));
    Put(bytes, 10, kPixelsStart);
    Put(bytes, 14, kInfoHeaderBytes);
    Put(bytes, 18, static_cast<quint32>(indexed.width()));
    Put(bytes, 22, static_cast<quint32>(indexed.height()));  // positive: rows bottom-up
    Put16(bytes, 26, 1);                                      // planes
    Put16(bytes, 28, 8);                                      // bits per pixel; compression 0 follows
    Put(bytes, 34, static_cast<quint32>(pixelBytes));
    Put(bytes, 38, static_cast<quint32>(indexed.dotsPerMeterX()));
    Put(bytes, 42, static_cast<quint32>(indexed.dotsPerMeterY()));
    Put(bytes, 46, kPaletteEntries);  // colours used; 0 important colours means all
    char* entry = bytes.data() + kFileHeaderBytes + kInfoHeaderBytes;
    for (const QRgb colour : indexed.colorTable()) {
        entry[0] = static_cast<char>(qBlue(colour));
        entry[1] = static_cast<char>(qGreen(colour));
        entry[2] = static_cast<char>(qRed(colour));
        entry += 4;  // the fourth byte stays 0
    }
    for (int y = 0; y < indexed.height(); ++y)
        std::copy_n(indexed.constScanLine(y), indexed.width(),
                    bytes.data() + kPixelsStart + (indexed.height() - 1 - y) * stride);
    return bytes;
}

}  // namespace tegmora::imageio

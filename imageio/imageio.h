// Reading and writing image files for the window and tegmora-fx, with Qt's
// image plugins. Pixels come back as 32-bit images whose bytes in memory are
// blue, green, red, fourth byte: the engine's layout, so the engine works on
// the image's own memory.
#pragma once

#include "effects.h"
#include "quantise.h"

#include <QIODevice>
#include <QImage>
#include <QSize>
#include <QString>

namespace tegmora::imageio {

// Largest width and height read by default; a header that claims more is
// refused before any pixel memory is allocated.
inline constexpr int kDefaultSideLimit = 16384;

struct LoadedImage {
    QImage image;       // Format_RGB32 or Format_ARGB32; null on failure
    QImage palettised;  // a palettised bitmap's indexes and palette as read (Format_Indexed8); else null
    QString error;      // why the file could not be read, naming it
};

LoadedImage LoadImage(const QString& path, int sideLimit = kDefaultSideLimit);
// The same from an open device; `name` is what messages call it.
LoadedImage LoadImage(QIODevice& device, const QString& name, int sideLimit = kDefaultSideLimit);

enum class FileFormat { Bitmap8, Bitmap24, Png };

struct SaveOptions {
    // For Bitmap8: what the picture was loaded as (LoadedImage::palettised),
    // whose palette and indexes are kept where the picture's colours allow.
    QImage original;
    // For Bitmap8 of more than 256 colours.
    Dither dither = Dither::None;
};

// Writes through a temporary file in the same folder that is renamed into
// place only when complete: a failure never truncates or damages an existing
// file. Returns the empty text on success, otherwise why, naming the file.
QString SaveImage(const QImage& image, const QString& path, FileFormat format, const SaveOptions& options = {});

// The engine's view of an image's pixels (the image must be 32-bit).
effects::Bitmap BitmapOf(QImage& image);
effects::ConstBitmap ConstBitmapOf(const QImage& image);

// `image` (32-bit) cut to the proportions of `size` around its centre and
// averaged by area to it, in the image's own format.
QImage Fitted(const QImage& image, QSize size);

}  // namespace tegmora::imageio

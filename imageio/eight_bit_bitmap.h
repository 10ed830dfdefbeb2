// The 8-bit form of a Windows bitmap that the game's roofs take: a 40-byte
// info header, no compression, rows bottom-up padded to 4 bytes, a palette
// of 256 entries whose fourth byte is 0.
#pragma once

#include "quantise.h"

#include <QByteArray>
#include <QImage>

#include <optional>

namespace tegmora::imageio {

inline constexpr int kPaletteEntries = 256;

// The picture as Format_Indexed8 with a colour table of exactly 256 entries
// (unused ones black). When every colour of the picture is in `original`'s
// palette (a Format_Indexed8 picture, or null) that palette is kept as it is,
// and a pixel whose colour its original index still gives keeps that index.
// Otherwise a picture of at most 256 colours gets a palette of its colours
// in the order they first appear, top row first; only a picture of more
// colours goes through the quantiser. Nothing when the quantiser fails.
std::optional<QImage> EightBitPicture(const QImage& image, const QImage& original, Dither dither);

// The bytes of the bitmap file of a Format_Indexed8 picture with 256 colours.
QByteArray EightBitBitmapBytes(const QImage& indexed);

}  // namespace tegmora::imageio

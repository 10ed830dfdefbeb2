// Reducing a picture of many colours to a palette of at most 256.
#pragma once

#include <QImage>

#include <optional>

namespace tegmora::imageio {

enum class Dither { None, FloydSteinberg };

// The picture (Format_RGB32) as Format_Indexed8 over a palette of at most
// 256 colours that the quantiser chose at its highest quality. Without
// dithering each pixel is the palette entry nearest to its colour by squared
// distance over red, green and blue, the lowest such index on a tie; with
// Floyd-Steinberg dithering the quantiser places the pixels itself. Nothing
// when the quantiser fails.
std::optional<QImage> Quantised(const QImage& rgb32, Dither dither);

}  // namespace tegmora::imageio

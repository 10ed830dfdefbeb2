// Roof textures drawn from simple patterns, as tiles that repeat without a
// seam. The 24-bit ones come as 32-bit images, the palettised ones as 8-bit
// indexed images, so that a bitmap writer keeps each depth.
#pragma once

#include <QImage>

namespace tegmora::demo {

QImage ClayTiles(int width, int height);      // 24-bit: rows of barrel tiles
QImage BlueShingles(int width, int height);   // 8-bit: staggered shingle tabs
QImage Slate(int width, int height);          // 24-bit: slates of varied greys
QImage Thatch(int width, int height);         // 8-bit: straw strands
QImage CorrugatedTin(int width, int height);  // 24-bit: ribbed sheet with rust

}  // namespace tegmora::demo

// Pictures drawn by the program itself.
#pragma once

#include <QImage>

namespace tegmora::app {

// What the display view shows before the first roof is loaded: a small
// house under a tiled roof, 64 x 64, opaque.
QImage StartPicture();

// The window's and the desktop entry's icon: a tiled roof on a clear
// background, `size` x `size`.
QImage AppIcon(int size);

}  // namespace tegmora::app

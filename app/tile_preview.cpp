#include "tile_preview.h"

#include <QPainter>

#include <algorithm>

namespace tegmora::app {
namespace {

// Large enough for a 32 x 32 roof at 6 x.
constexpr QSize kStartSize(576, 576);
const QColor kBackground(48, 48, 48);

}  // namespace

TilePreview::TilePreview(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TilePreview"));
    setWindowTitle(tr("Tegmora - Tiled Preview"));
    resize(kStartSize);
}

void TilePreview::setImage(const QImage& image) {
    image_ = image;
    update();
}

int TilePreview::zoom() const {
    if (image_.isNull()) return 1;
    const int across = width() / (kTiles * image_.width());
    const int down = height() / (kTiles * image_.height());
    return std::max(1, std::min(across, down));
}

void TilePreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    if (image_.isNull()) return;
    const QImage tile = image_.scaled(image_.size() * zoom(), Qt::IgnoreAspectRatio,
                                      Qt::FastTransformation);
    const QSize all = tile.size() * kTiles;
    const QPoint origin((width() - all.width()) / 2, (height() - all.height()) / 2);
    for (int row = 0; row < kTiles; ++row)
        for (int column = 0; column < kTiles; ++column)
            painter.drawImage(origin + QPoint(column * tile.width(), row * tile.height()), tile);
}

}  // namespace tegmora::app

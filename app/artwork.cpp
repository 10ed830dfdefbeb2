#include "artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace tegmora::app {
namespace {

const QColor kTile(178, 58, 38);
const QColor kTileEdge(110, 30, 20);

// A roof face between the eaves at `eavesY` and the ridge at `ridgeY`,
// with rows of tiles every `rowStep` pixels. Coordinates are in pixels of
// a 64 x 64 picture; the painter's scale does the rest.
void PaintRoof(QPainter& painter, qreal eavesY, qreal ridgeY, qreal rowStep) {
    QPainterPath roof;
    roof.addPolygon(QPolygonF({{2, eavesY}, {32, ridgeY}, {62, eavesY}, {2, eavesY}}));
    painter.fillPath(roof, kTile);
    painter.save();
    painter.setClipPath(roof);
    painter.setPen(QPen(kTileEdge, 1.2));
    for (qreal y = eavesY - rowStep; y > ridgeY; y -= rowStep)
        painter.drawLine(QPointF(0, y), QPointF(64, y));
    painter.restore();
    painter.setPen(QPen(kTileEdge, 2));
    painter.drawPath(roof);
}

}  // namespace

QImage StartPicture() {
    QImage picture(64, 64, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 64);
    sky.setColorAt(0, QColor(96, 160, 224));
    sky.setColorAt(1, QColor(200, 228, 248));
    painter.fillRect(picture.rect(), sky);
    painter.fillRect(QRectF(0, 54, 64, 10), QColor(72, 140, 60));
    painter.fillRect(QRectF(10, 32, 44, 24), QColor(236, 224, 196));
    painter.fillRect(QRectF(28, 40, 9, 16), QColor(120, 76, 40));
    painter.fillRect(QRectF(15, 38, 8, 7), QColor(250, 240, 150));
    painter.fillRect(QRectF(42, 38, 8, 7), QColor(250, 240, 150));
    PaintRoof(painter, 34, 8, 6);
    return picture;
}

QImage AppIcon(int size) {
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    painter.fillRect(QRectF(44, 12, 8, 32), QColor(0, 0, 128));
    PaintRoof(painter, 58, 6, 8);
    return icon;
}

}  // namespace tegmora::app

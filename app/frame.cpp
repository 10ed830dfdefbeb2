#include "frame.h"

#include <QPainter>

namespace tegmora::app {
namespace {

const QColor kEtchDark(128, 128, 128);
const QColor kEtchLight(255, 255, 255);

}  // namespace

Frame::Frame(const QString& caption, QWidget* parent) : QWidget(parent), caption_(caption) {}

void Frame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const int lineTop = metrics.height() / 2;
    const QRect line(0, lineTop, width() - 2, height() - lineTop - 2);
    painter.setPen(kEtchDark);
    painter.drawRect(line);
    painter.setPen(kEtchLight);
    painter.drawRect(line.translated(1, 1));
    const QRect captionBox(6, 0, metrics.horizontalAdvance(caption_) + 4, metrics.height());
    painter.fillRect(captionBox, palette().window());
    painter.setPen(palette().windowText().color());
    painter.drawText(captionBox, Qt::AlignCenter, caption_);
}

}  // namespace tegmora::app

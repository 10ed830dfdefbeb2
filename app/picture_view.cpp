#include "picture_view.h"

#include <QPainter>
#include <QPalette>
#include <qdrawutil.h>

namespace tegmora::app {
namespace {

// The grey of an empty picture view and the shades of its bevel.
const QPalette& BevelPalette() {
    static const QPalette palette(QColor(192, 192, 192));
    return palette;
}

}  // namespace

PictureView::PictureView(Sizing sizing, QWidget* parent) : QWidget(parent), sizing_(sizing) {}

void PictureView::change(const std::function<void(QImage&)>& edit) {
    edit(image_);
    pixmap_ = QPixmap::fromImage(image_);
    if (sizing_ == Sizing::ToImage) resize(image_.size() + QSize(2 * kBorder, 2 * kBorder));
    update();
    emit changed();
}

void PictureView::setImage(const QImage& image) {
    change([&image](QImage& shown) { shown = image; });
}

void PictureView::showColumns(int columns) {
    const QRect done(0, 0, columns, image_.height());
    QPainter painter(&pixmap_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(done, image_, done);
    painter.end();
    repaint();
}

void PictureView::mouseDoubleClickEvent(QMouseEvent*) { emit doubleClicked(); }

void PictureView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect inner = rect().adjusted(kBorder, kBorder, -kBorder, -kBorder);
    painter.fillRect(inner, BevelPalette().button());
    painter.setClipRect(inner);
    painter.drawPixmap(inner.topLeft(), pixmap_);
    painter.setClipping(false);
    qDrawWinPanel(&painter, rect(), BevelPalette(), true);
}

}  // namespace tegmora::app

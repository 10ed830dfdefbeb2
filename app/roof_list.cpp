#include "roof_list.h"

#include <QDir>
#include <QMouseEvent>
#include <QSignalBlocker>

namespace tegmora::app {

QStringList RoofFileNames(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.bmp*")}, QDir::Files,
                                  QDir::Name | QDir::IgnoreCase);
}

RoofList::RoofList(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) emit entryChosen(row);
    });
}

void RoofList::setFolder(const QString& folder) {
    folder_ = folder;
    reread();
}

void RoofList::reread() {
    const QString current = currentName();
    {
        const QSignalBlocker quiet(this);
        clear();
        addItems(RoofFileNames(folder_));
    }
    setCurrentNameQuietly(current);
}

QString RoofList::pathAt(int row) const { return QDir(folder_).filePath(item(row)->text()); }

QString RoofList::currentName() const {
    return currentItem() != nullptr ? currentItem()->text() : QString();
}

void RoofList::setCurrentNameQuietly(const QString& name) {
    const QSignalBlocker quiet(this);
    const QList<QListWidgetItem*> same = findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    setCurrentItem(name.isEmpty() || same.isEmpty() ? nullptr : same.first());
}

void RoofList::mousePressEvent(QMouseEvent* event) {
    const int before = currentRow();
    QListWidget::mousePressEvent(event);
    const int row = indexAt(event->position().toPoint()).row();
    if (event->button() == Qt::LeftButton && row >= 0 && row == before) emit entryChosen(row);
}

}  // namespace tegmora::app

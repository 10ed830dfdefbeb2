#include "roof_list.h"

#include <QDir>
#include <QMouseEvent>
#include <QSignalBlocker>

#include <algorithm>

namespace tegmora::app {

QStringList RoofFileNames(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.bmp*")}, QDir::Files,
                                  QDir::Name | QDir::IgnoreCase);
}

RoofList::RoofList(QWidget* parent) : QListWidget(parent) {
    // The icons are drawn as they are, never scaled.
    setIconSize(kRoofIconSize);
    connect(&pictures_, &RoofPictures::pictureReady, this, &RoofList::showPicture);
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
    const QStringList names = RoofFileNames(folder_);
    {
        const QSignalBlocker quiet(this);
        clear();
        entries_.clear();
        for (const QString& name : names) {
            auto* entry = new QListWidgetItem(pictures_.known(name), name, this);
            entries_.insert(name, entry);
        }
    }
    setCurrentNameQuietly(current);
    requestPictures(names);
}

// The entries on show first: those from the top one, or from the current
// one before the list is laid out.
void RoofList::requestPictures(const QStringList& names) {
    const int top = indexAt(QPoint(1, 1)).row();
    const int rowHeight = std::max(1, sizeHintForRow(0));
    pictures_.request(folder_, names, std::max(0, top >= 0 ? top : currentRow()),
                      viewport()->height() / rowHeight + 1);
}

void RoofList::showPicture(const QString& name, const QIcon& icon) {
    if (QListWidgetItem* entry = entries_.value(name)) entry->setIcon(icon);
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

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
        addItems(names);
        for (int row = 0; row < count(); ++row) {
            QListWidgetItem* entry = item(row);
            entries_.insert(entry->text(), entry);
            if (const QIcon known = pictures_.known(entry->text()); !known.isNull()) entry->setIcon(known);
        }
    }
    setCurrentNameQuietly(current);
    requestPictures(names);
}

// The entries on show first: those a list's height above and below the
// current one, which the list keeps in view, found without laying out the
// list before its time.
void RoofList::requestPictures(const QStringList& names) {
    const int shown = viewport()->height() / kRoofIconSize.height() + 1;
    pictures_.request(folder_, names, std::max(0, currentRow() - shown), 2 * shown);
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

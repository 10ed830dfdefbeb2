#include "roof_pictures.h"

#include "imageio.h"
#include "new_roof.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>

namespace tegmora::app {

QImage UnreadableRoofMarker() {
    QImage marker(kRoofIconSize, QImage::Format_RGB32);
    marker.fill(QColor(192, 192, 192));
    QPainter painter(&marker);
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(marker.rect().adjusted(0, 0, -1, -1));
    return marker;
}

RoofPictures::RoofPictures(QObject* parent) : QObject(parent) {
    // One file at a time leaves the other core to the window.
    pool_.setMaxThreadCount(1);
}

RoofPictures::~RoofPictures() {
    ++generation_;
    pool_.clear();
    pool_.waitForDone();
}

void RoofPictures::request(const QString& folder, const QStringList& names, int firstUrgent,
                           int urgentCount) {
    const int generation = ++generation_;
    pool_.clear();
    QHash<QString, Known> kept;
    if (folder == folder_)
        for (const QString& name : names)
            if (const auto found = known_.constFind(name); found != known_.cend()) kept.insert(name, *found);
    folder_ = folder;
    known_ = std::move(kept);
    pending_ = int(names.size());
    for (int row = 0; row < names.size(); ++row) {
        const QString& name = names[row];
        const bool urgent = row >= firstUrgent && row < firstUrgent + urgentCount;
        pool_.start([this, generation, path = QDir(folder).filePath(name), name,
                     before = known_.value(name).stamp] { read(generation, path, name, before); },
                    urgent ? 1 : 0);
    }
}

// On the pool's thread.
void RoofPictures::read(int generation, const QString& path, const QString& name, const Stamp& before) {
    if (generation != generation_) return;
    const QFileInfo file(path);
    const Stamp stamp{file.lastModified(), file.size()};
    const bool changed = stamp != before;
    QImage icon;
    if (changed) {
        const imageio::LoadedImage loaded = imageio::LoadImage(path);
        icon = loaded.image.isNull() ? UnreadableRoofMarker() : Fitted(loaded.image, kRoofIconSize);
    }
    QMetaObject::invokeMethod(
        this, [=, this] { deliver(generation, name, stamp, changed, icon); }, Qt::QueuedConnection);
}

void RoofPictures::deliver(int generation, const QString& name, const Stamp& stamp, bool changed,
                           const QImage& icon) {
    if (generation != generation_) return;
    --pending_;
    if (!changed) return;
    Known& known = known_[name];
    known = {stamp, QIcon(QPixmap::fromImage(icon))};
    emit pictureReady(name, known.icon);
}

}  // namespace tegmora::app

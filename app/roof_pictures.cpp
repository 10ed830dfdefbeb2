#include "roof_pictures.h"

#include "imageio.h"
#include "new_roof.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

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
    pool_.waitForDone();
}

void RoofPictures::request(const QString& folder, const QStringList& names, int firstUrgent,
                           int urgentCount) {
    const int generation = ++generation_;
    QHash<QString, Known> kept;
    if (folder == folder_)
        for (const QString& name : names)
            if (const auto found = known_.constFind(name); found != known_.cend()) kept.insert(name, *found);
    folder_ = folder;
    known_ = std::move(kept);
    pending_ = int(names.size());
    // One task reads them all, the urgent ones first, and stops as soon as
    // a later request is made.
    QList<Job> jobs;
    jobs.reserve(names.size());
    const QDir dir(folder);
    const auto add = [&](int row) {
        jobs.append({dir.filePath(names[row]), names[row], known_.value(names[row]).stamp});
    };
    const int urgentEnd = std::min(int(names.size()), firstUrgent + urgentCount);
    for (int row = firstUrgent; row < urgentEnd; ++row) add(row);
    for (int row = 0; row < names.size(); ++row)
        if (row < firstUrgent || row >= urgentEnd) add(row);
    pool_.start([this, generation, jobs = std::move(jobs)] {
        for (const Job& job : jobs) {
            if (generation != generation_) return;
            read(generation, job);
        }
    });
}

// On the pool's thread.
void RoofPictures::read(int generation, const Job& job) {
    const QFileInfo file(job.path);
    const Stamp stamp{file.lastModified(), file.size()};
    const bool changed = stamp != job.before;
    QImage icon;
    if (changed) {
        const imageio::LoadedImage loaded = imageio::LoadImage(job.path);
        icon = loaded.image.isNull() ? UnreadableRoofMarker() : imageio::Fitted(loaded.image, kRoofIconSize);
    }
    QMetaObject::invokeMethod(
        this, [=, this, name = job.name] { deliver(generation, name, stamp, changed, icon); },
        Qt::QueuedConnection);
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

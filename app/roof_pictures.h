// The pictures of the roof list: each roof reduced to an icon by area
// averaging, read in the background one file at a time, and read again
// only when its file changes.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <atomic>

namespace tegmora::app {

// Small enough for the list to show eleven entries.
inline constexpr QSize kRoofIconSize(16, 16);

// What an entry whose file cannot be read shows: a plain grey square.
QImage UnreadableRoofMarker();

class RoofPictures : public QObject {
    Q_OBJECT
public:
    explicit RoofPictures(QObject* parent = nullptr);
    ~RoofPictures() override;

    // Forgets what was asked before; then reads the pictures of `names` in
    // `folder` in order, the `urgentCount` from `firstUrgent` first, skipping
    // every file unchanged since it was read.
    void request(const QString& folder, const QStringList& names, int firstUrgent, int urgentCount);
    // The icon last read for `name`, or a null one.
    QIcon known(const QString& name) const { return known_.value(name).icon; }
    // Files asked for and not answered yet.
    int pending() const { return pending_; }

signals:
    // A picture read for the first time or changed.
    void pictureReady(const QString& name, const QIcon& icon);

private:
    // What tells a file's changes without reading it.
    struct Stamp {
        QDateTime modified;
        qint64 size = -1;
        bool operator==(const Stamp&) const = default;
    };
    struct Known {
        Stamp stamp;
        QIcon icon;
    };

    struct Job {
        QString path;
        QString name;
        Stamp before;  // as last read, or none
    };

    void read(int generation, const Job& job);
    void deliver(int generation, const QString& name, const Stamp& stamp, bool changed, const QImage& icon);

    QString folder_;
    QHash<QString, Known> known_;
    int pending_ = 0;
    std::atomic<int> generation_ = 0;  // a request's reads run while it is the latest
    QThreadPool pool_;
};

}  // namespace tegmora::app

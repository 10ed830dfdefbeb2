#include "new_roof.h"

#include "imageio.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>

namespace tegmora::app {
namespace {

QString OneFileWanted(const QString& what) {
    return QObject::tr("Drop one image file to make a new roof of it; %1.").arg(what);
}

}  // namespace

const QList<FileFilter>& PictureFilters() {
    static const QList<FileFilter> filters{
        {QObject::tr("Pictures (PNG, JPEG, BMP, GIF, WebP, TIFF)"),
         QStringLiteral("*.png *.jpg *.jpeg *.bmp *.gif *.webp *.tif *.tiff")},
        {QObject::tr("All Files"), QStringLiteral("*")},
    };
    return filters;
}

DroppedFile DroppedPicture(const QMimeData& data) {
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1)
        return {{}, OneFileWanted(QObject::tr("%1 files were dropped").arg(urls.size()))};
    if (!urls.first().isLocalFile())
        return {{}, OneFileWanted(
                        QObject::tr("%1 is not a file on this computer").arg(urls.first().toString()))};
    const QString path = urls.first().toLocalFile();
    if (QFileInfo(path).isDir()) return {{}, OneFileWanted(QObject::tr("%1 is a folder").arg(path))};
    return {path, {}};
}

QSize RoofSize(const QString& folder, const QStringList& names) {
    QList<QSize> sizes;  // in the order first met
    QHash<quint64, int> counts;
    const auto key = [](QSize size) { return quint64(quint32(size.width())) << 32 | quint32(size.height()); };
    for (const QString& name : names) {
        const QSize size = QImageReader(QDir(folder).filePath(name)).size();
        // A header claiming more than a picture may have is no size to make.
        if (size.isEmpty() || size.width() > imageio::kDefaultSideLimit ||
            size.height() > imageio::kDefaultSideLimit)
            continue;
        if (counts[key(size)]++ == 0) sizes << size;
    }
    QSize most = kGameRoofSize;
    int mostCount = 0;
    for (const QSize size : sizes)
        if (counts[key(size)] > mostCount) most = size, mostCount = counts[key(size)];
    return most;
}

}  // namespace tegmora::app

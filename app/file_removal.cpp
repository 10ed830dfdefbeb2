#include "file_removal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace tegmora::app {
namespace {

// Qt 6.4 moves the file into the working folder when it cannot make the home
// trash, and calls that success; so the home trash is made first (the
// freedesktop.org trash is made on demand), and without it there is none.
bool HomeTrashReady() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return !data.isEmpty() && QDir().mkpath(QDir(data).filePath(QStringLiteral("Trash")));
}

}  // namespace

Removal RemoveToTrash(const QString& path, const std::function<bool()>& deleteForGood) {
    QFile file(path);
    if (HomeTrashReady() && file.moveToTrash()) return {Removal::Outcome::Trashed, {}};
    // A file that is gone is not asked about: removing it fails with why.
    if (file.exists() && !deleteForGood()) return {Removal::Outcome::Kept, {}};
    if (file.remove()) return {Removal::Outcome::Deleted, {}};
    return {Removal::Outcome::Failed, QCoreApplication::translate("MainWindow", "Cannot delete %1: %2")
                                          .arg(path, file.errorString())};
}

}  // namespace tegmora::app

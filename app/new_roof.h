// A new roof from a picture: the files taken, the one dropped, the size of
// the folder's roofs and the fit to it.
#pragma once

#include "dialogs.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

class QMimeData;

namespace tegmora::app {

// The size of a new roof where no roof of the folder tells another: the game's.
inline constexpr QSize kGameRoofSize(32, 32);

// The Open dialog's types: the pictures players find, then everything.
const QList<FileFilter>& PictureFilters();

// What a drop brings: the path of one local file, or why it is not taken.
struct DroppedFile {
    QString path;
    QString problem;
};
DroppedFile DroppedPicture(const QMimeData& data);

// The size most of the roofs `names` in `folder` have, read from their
// headers only; among sizes as common, the first in the list. The game's
// size when none can be read.
QSize RoofSize(const QString& folder, const QStringList& names);

}  // namespace tegmora::app

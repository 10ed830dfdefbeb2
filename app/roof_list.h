// The roof files of a folder, as the window's list shows them.
#pragma once

#include "roof_pictures.h"

#include <QHash>
#include <QListWidget>
#include <QString>
#include <QStringList>

namespace tegmora::app {

// Names of the files in `folder` that match "*.bmp*" without regard to case
// (so "X.BMP" and "x.bmpold" too), in name order without regard to case.
// Hidden files are left out, as Wine leaves them out.
QStringList RoofFileNames(const QString& folder);

// The list of roof files, each entry with its roof's picture as it comes
// in from the background. A click on an entry chooses it, also when it is
// the current one, so that clicking the shown roof again reloads it: the
// only way back from edits.
class RoofList : public QListWidget {
    Q_OBJECT
public:
    explicit RoofList(QWidget* parent = nullptr);

    const QString& folder() const { return folder_; }
    void setFolder(const QString& folder);
    // Reads the folder again. The current entry stays current if its file
    // is still there; nothing is chosen. The pictures of new or changed
    // files are read again.
    void reread();
    // The full path of an entry.
    QString pathAt(int row) const;
    // The current entry's name, or the empty text.
    QString currentName() const;
    // Makes the entry of that name current without choosing it; none when
    // there is no such entry.
    void setCurrentNameQuietly(const QString& name);
    // Pictures still to come in.
    int picturesPending() const { return pictures_.pending(); }

signals:
    void entryChosen(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void showPicture(const QString& name, const QIcon& icon);
    void requestPictures(const QStringList& names);

    QString folder_;
    QHash<QString, QListWidgetItem*> entries_;  // by name
    RoofPictures pictures_;
};

}  // namespace tegmora::app

// Where the window's roofs folder comes from, in this order: a folder named
// on the command line, the Wine prefix in $WINEPREFIX, the folder the player
// chose last time, every launcher's places (see discovery.h). When none
// holds the game the player may choose a folder, which is remembered.
#pragma once

#include "dialogs.h"

#include <QSettings>
#include <QString>
#include <QStringList>

namespace tegmora::app {

// The settings key of the folder the player chose.
inline constexpr const char* kChosenRoofsKey = "roofsFolder";

struct RoofsFolder {
    QString path;     // the local folder; empty when there is none
    QString problem;  // otherwise what was searched where, and what to do
};

// The roofs folder without asking: `named` when not empty, else the search.
RoofsFolder LocateRoofsFolder(const QString& named, const QSettings& settings);

// The start-up: the roofs folder for `arguments` (none or one folder), asking
// the player through `dialogs` when nothing is found. Empty when the player
// closed the message or the named folder does not exist.
QString StartUpRoofsFolder(const QStringList& arguments, QSettings& settings, Dialogs& dialogs);

}  // namespace tegmora::app

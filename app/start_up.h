// Where the window's roofs folder comes from, in the order of
// gamedir::kSearchOrder (a roof bitmap named on the command line counts as
// its folder). When none holds the game the player may choose a folder,
// which is remembered.
#pragma once

#include "dialogs.h"

#include <QSettings>
#include <QString>
#include <QStringList>

#include <optional>

namespace tegmora::app {

// The settings key of the folder the player chose.
inline constexpr const char* kChosenRoofsKey = "roofsFolder";

struct RoofsFolder {
    QString path;       // the local folder; empty when there is none
    QString problem;    // otherwise what was searched where, and what to do
    QString roof = {};  // the roof named on the command line, to be chosen there
};

// The roofs folder without asking: `named` (a folder, or a roof bitmap to
// choose in the folder that holds it) when not empty, else the search.
RoofsFolder LocateRoofsFolder(const QString& named, const QSettings& settings);

// The start-up: the roofs folder for `arguments` (none, one folder or one
// roof bitmap), asking the player through `dialogs` when nothing is found.
// Its path is empty when the player closed the message or what was named
// cannot be opened.
RoofsFolder StartUpRoofsFolder(const QStringList& arguments, QSettings& settings, Dialogs& dialogs);

// The text of tegmora --help; the manual page tegmora(1) tells the same.
QString HelpText();

// What to print instead of opening the window when `arguments` ask for
// --help or --version. Read before the application starts, so neither
// needs a display.
std::optional<QString> InformationAsked(const QStringList& arguments);

}  // namespace tegmora::app

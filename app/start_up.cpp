#include "start_up.h"

#include "discovery.h"
#include "qt_text.h"

#include <QFileInfo>

#include <cstdio>
#include <filesystem>

namespace tegmora::app {
namespace {

QString CannotFind(const gamedir::Search& search) {
    return QStringLiteral("Tegmora cannot find the roof textures of The Sims.\n\n%1\n\n"
                          "Choose the game's folder, or start Tegmora with it: tegmora FOLDER")
        .arg(QStringOf(gamedir::DescribeNotes(search)));
}

}  // namespace

RoofsFolder LocateRoofsFolder(const QString& named, const QSettings& settings) {
    if (!named.isEmpty()) {
        const std::optional<std::filesystem::path> roofs = gamedir::RoofsFolderOfNamed(PathOfQString(named));
        if (!roofs) return {{}, QStringLiteral("%1: no such folder").arg(named)};
        return {QStringOfPath(*roofs), {}};
    }
    // A set WINEPREFIX is the only place searched, before the remembered folder.
    if (!gamedir::WinePrefixFromEnvironment()) {
        const QString chosen = settings.value(QLatin1String(kChosenRoofsKey)).toString();
        if (!chosen.isEmpty() && QFileInfo(chosen).isDir()) return {chosen, {}};
    }
    const gamedir::Search search = gamedir::SearchFromEnvironment();
    if (search.found.empty()) return {{}, CannotFind(search)};
    return {QStringOfPath(search.found.front().roofs), {}};
}

QString StartUpRoofsFolder(const QStringList& arguments, QSettings& settings, Dialogs& dialogs) {
    if (arguments.size() > 1) {
        dialogs.showError(nullptr, QStringLiteral("Tegmora opens one folder: tegmora [FOLDER]"));
        return {};
    }
    const RoofsFolder found = LocateRoofsFolder(arguments.value(0), settings);
    if (!found.path.isEmpty()) return found.path;
    std::fprintf(stderr, "%s\n", qUtf8Printable(found.problem));
    if (!arguments.isEmpty()) {
        dialogs.showError(nullptr, found.problem);
        return {};
    }
    QString message = found.problem;
    while (dialogs.offerFolderChoice(nullptr, message)) {
        const QString chosen = dialogs.askFolder(nullptr, QStringLiteral("The Sims' folder or its roofs folder"));
        if (chosen.isEmpty()) continue;
        const std::optional<std::filesystem::path> roofs = gamedir::RoofsFolderOfNamed(PathOfQString(chosen));
        if (roofs && gamedir::HoldsRoofs(*roofs)) {
            settings.setValue(QLatin1String(kChosenRoofsKey), QStringOfPath(*roofs));
            return QStringOfPath(*roofs);
        }
        message = QStringLiteral("%1 holds no roofs of The Sims.\n\n%2").arg(chosen, found.problem);
    }
    return {};
}

}  // namespace tegmora::app

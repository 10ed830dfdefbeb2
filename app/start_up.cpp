#include "start_up.h"

#include "qt_text.h"
#include "registry.h"
#include "wine_paths.h"

#include <system_error>

namespace tegmora::app {
namespace {

QString Explained(const std::filesystem::path& prefix, const QString& finding) {
    return QStringLiteral(
               "Tegmora cannot find the roof textures of The Sims.\n\n"
               "It read the registry value %1 of HKEY_LOCAL_MACHINE\\%2 in the Wine prefix %3 "
               "(the file %4). %5\n\n"
               "If the game is installed in another Wine prefix, start Tegmora with WINEPREFIX "
               "set to that prefix, for example:\n    WINEPREFIX=\"$HOME/.wine-sims\" tegmora")
        .arg(QStringOf(gamedir::kDataFolderValue), QStringOf(gamedir::kGameKey),
             QStringOfPath(prefix), QStringOfPath(prefix / "system.reg"), finding);
}

}  // namespace

RoofsFolder LocateRoofsFolder(const std::filesystem::path& prefix) {
    const gamedir::RoofsLookup lookup = gamedir::FindRoofsFolder(prefix);
    if (lookup.dataFolder == gamedir::kNotFound)
        return {{}, Explained(prefix, QStringLiteral("The value is not there."))};
    const QString roofs = QStringOf(lookup.roofsFolder);
    if (!lookup.local.path)
        return {{},
                Explained(prefix, QStringLiteral("It names the roofs folder %1, which is not "
                                                 "there: %2")
                                      .arg(roofs, QStringOf(lookup.local.error)))};
    std::error_code error;
    if (!std::filesystem::is_directory(*lookup.local.path, error))
        return {{},
                Explained(prefix, QStringLiteral("It names the roofs folder %1, but %2 is not "
                                                 "a folder.")
                                      .arg(roofs, QStringOfPath(*lookup.local.path)))};
    return {QStringOfPath(*lookup.local.path), {}};
}

}  // namespace tegmora::app

#include "start_up.h"

#include "registry.h"
#include "wine_paths.h"

#include <QString>

#include <string_view>
#include <system_error>

namespace tegmora::app {
namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Explained(const std::filesystem::path& prefix, const QString& finding) {
    return QStringLiteral(
               "Tegmora cannot find the roof textures of The Sims.\n\n"
               "It read the registry value %1 of HKEY_LOCAL_MACHINE\\%2 in the Wine prefix %3 "
               "(the file %4). %5\n\n"
               "If the game is installed in another Wine prefix, start Tegmora with WINEPREFIX "
               "set to that prefix, for example:\n    WINEPREFIX=\"$HOME/.wine-sims\" tegmora")
        .arg(Text(gamedir::kDataFolderValue), Text(gamedir::kGameKey),
             QString::fromStdString(prefix.string()),
             QString::fromStdString((prefix / "system.reg").string()), finding);
}

}  // namespace

RoofsFolder LocateRoofsFolder(const std::filesystem::path& prefix) {
    const gamedir::RoofsLookup lookup = gamedir::FindRoofsFolder(prefix);
    if (lookup.dataFolder == gamedir::kNotFound)
        return {{}, Explained(prefix, QStringLiteral("The value is not there."))};
    const QString roofs = Text(lookup.roofsFolder);
    if (!lookup.local.path)
        return {{}, Explained(prefix, QStringLiteral("It names the roofs folder %1, which is not "
                                                     "there: %2")
                                          .arg(roofs, Text(lookup.local.error)))};
    std::error_code error;
    if (!std::filesystem::is_directory(*lookup.local.path, error))
        return {{}, Explained(prefix, QStringLiteral("It names the roofs folder %1, but %2 is not "
                                                     "a folder.")
                                          .arg(roofs, QString::fromStdString(lookup.local.path->string())))};
    return {QString::fromStdString(lookup.local.path->string()), {}};
}

}  // namespace tegmora::app

#include "start_up.h"

#include "qt_text.h"
#include "wine_paths.h"

namespace tegmora::app {

RoofsFolder LocateRoofsFolder(const std::filesystem::path& prefix) {
    const gamedir::RoofsLookup lookup = gamedir::FindRoofsFolder(prefix);
    if (lookup.local.path) return {QStringOfPath(*lookup.local.path), {}};
    // The lookup's reason names the registry key, the prefix and what was
    // missing; the user still needs to hear how to point at another prefix.
    return {{},
            QStringLiteral("Tegmora cannot find the roof textures of The Sims.\n\n%1\n\n"
                           "If the game is installed in another Wine prefix, start Tegmora with "
                           "WINEPREFIX set to that prefix, for example:\n"
                           "    WINEPREFIX=\"$HOME/.wine-sims\" tegmora")
                .arg(QStringOf(lookup.local.error))};
}

}  // namespace tegmora::app

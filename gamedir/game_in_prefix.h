// The game inside one Wine prefix: the registry entries its installer
// writes, the folders it is usually installed in, and where its roofs are.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tegmora::gamedir {

inline constexpr std::string_view kGameKey = "Software\\Maxis\\The Sims";
inline constexpr std::string_view kDataFolderValue = "SIMS_DATA";
inline constexpr std::string_view kInstallPathValue = "InstallPath";
inline constexpr std::string_view kRoofsBelowData = "GameData\\Roofs\\";

struct GameInPrefix {
    std::string dataFolder;        // the Windows folder that holds the game, ending in "\"
    std::string roofsFolder;       // dataFolder + "GameData\Roofs\"
    std::filesystem::path roofs;   // the roofs folder on this machine
};

struct GameLookup {
    std::optional<GameInPrefix> game;
    std::string whyNotFound;  // without a game: the prefix, and every entry and folder tried
};

// The first of these whose roofs folder exists: the registry's SIMS_DATA,
// its InstallPath, InstallPath followed by "The Sims", the usual install
// folders below C:\Program Files.
GameLookup FindGameInPrefix(const std::filesystem::path& prefix);

}  // namespace tegmora::gamedir

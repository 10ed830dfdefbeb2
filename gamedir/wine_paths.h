// Turns the Windows paths the game registers into local paths inside the
// Wine prefix, matching names without regard to case as Wine does.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace tegmora::gamedir {

inline constexpr std::string_view kRoofsBelowData = "GameData\\Roofs\\";

struct MappedPath {
    std::optional<std::filesystem::path> path;  // set when every component was found
    std::string error;                          // otherwise: which path, prefix and component
};

// "C:\Program Files\..." -> <prefix>/dosdevices/c:/Program Files/...
// Each name is looked up exactly, then without regard to case; the result
// uses the names as they are on disk. A text that is not an absolute drive
// path maps to nothing, and a path ending in "\" must name a folder.
MappedPath MapWindowsPath(std::string_view windowsPath, const std::filesystem::path& prefix);

// True for a folder or a link to one; false on any error.
bool IsFolder(const std::filesystem::path& path);

// `folder`/names[0]/names[1]/... with every name matched as MapWindowsPath
// matches it, when that path exists and is a folder.
std::optional<std::filesystem::path> FindFolderIgnoringCase(const std::filesystem::path& folder,
                                                            std::initializer_list<std::string_view> names);

// Where installers put the game when the registry names no folder that holds it.
inline constexpr std::string_view kUsualGameFolders[] = {
    "C:\\Program Files\\EA Games\\The Sims Legacy\\",
    "C:\\Program Files (x86)\\Maxis\\The Sims\\",
    "C:\\Program Files\\Maxis\\The Sims\\",
};

struct RoofsLookup {
    std::string dataFolder;   // the Windows folder that holds the game, ending in "\"; "Not Found" when none
    std::string roofsFolder;  // dataFolder + "GameData\Roofs\"; empty when not found
    MappedPath local;         // the roofs folder on this machine; its error names the
                              // prefix and every entry and folder that was tried
};

// The game's roofs folder in a Wine prefix, from the first of these whose
// roofs folder exists: the registry's SIMS_DATA, its InstallPath, InstallPath
// followed by "The Sims", the usual install folders.
RoofsLookup FindRoofsFolder(const std::filesystem::path& prefix);

}  // namespace tegmora::gamedir

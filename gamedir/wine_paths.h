// Turns the Windows paths the game registers into local paths inside the
// Wine prefix, matching names without regard to case as Wine does.
#pragma once

#include <filesystem>
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

struct RoofsLookup {
    std::string dataFolder;  // what the registry gave, or "Not Found"
    std::string roofsFolder; // the Windows roofs folder, data folder + "GameData\Roofs\"; empty when not found
    MappedPath local;        // the roofs folder on this machine; its error
                             // names the registry key, the prefix and what was missing
};

// Registry lookup and mapping in one: what the window and tegmora-fx use.
RoofsLookup FindRoofsFolder(const std::filesystem::path& prefix);

}  // namespace tegmora::gamedir

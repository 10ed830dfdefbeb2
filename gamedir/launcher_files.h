// What game discovery reads from the launchers' own files, each a pure
// function of the file's text. Damaged text gives nothing; none of these
// throws.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tegmora::gamedir {

// The Steam library folders listed in steamapps/libraryfolders.vdf, in the
// current format ("libraryfolders" { "0" { "path" "..." } }) or the old one
// ("LibraryFolders" { "1" "..." }).
std::vector<std::string> SteamLibraryPaths(std::string_view libraryFoldersVdf);

// "installdir" of an app manifest (steamapps/appmanifest_<id>.acf).
std::optional<std::string> SteamInstallDir(std::string_view appManifest);

// "game: prefix:" of a Lutris game configuration.
std::optional<std::string> LutrisPrefix(std::string_view yaml);

// "custom_bottles_path" of Bottles' data.yml.
std::optional<std::string> BottlesCustomPath(std::string_view yaml);

struct NamedPrefix {
    std::string name;
    std::string prefix;
};

// "winePrefix" of every game in a Heroic GamesConfig/<game>.json.
std::vector<NamedPrefix> HeroicPrefixes(std::string_view text);

}  // namespace tegmora::gamedir

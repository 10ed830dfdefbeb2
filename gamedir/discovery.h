// Where the game is on this machine: a folder the player names, the Wine
// prefix in $WINEPREFIX, or every place the common launchers keep games
// (plain Wine, Steam and Proton, Lutris, Bottles, Heroic, PlayOnLinux,
// Phoenicis). Only those places are read, never the whole home folder, and
// nothing that cannot be read is an error by itself.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tegmora::gamedir {

// Steam numbers the games a user adds to it from here on; its own are smaller.
inline constexpr unsigned long long kFirstNonSteamGameId = 2147483648ULL;

struct Installation {
    std::filesystem::path roofs;  // the local roofs folder, as found
    std::string where;            // where it was found, in words
};

struct Search {
    std::vector<Installation> found;  // in the order searched; each roofs folder once
    std::vector<std::string> notes;   // each place searched that gave nothing, and why
};

// The roofs folder of a folder the player named: its GameData\Roofs or
// Roofs below it (names in any case), else the folder itself. Null when the
// folder does not exist.
std::optional<std::filesystem::path> RoofsFolderOfNamed(const std::filesystem::path& folder);

// True when `folder` is named Roofs (any case) or holds a .bmp file.
bool HoldsRoofs(const std::filesystem::path& folder);

// $WINEPREFIX when set and not empty.
std::optional<std::filesystem::path> WinePrefixFromEnvironment();

// Every launcher's places below `home`, in the order above.
Search SearchEverywhere(const std::filesystem::path& home);

// The one prefix WINEPREFIX names when it is set (the notes say that nothing
// else was searched), else SearchEverywhere of $HOME.
Search SearchFromEnvironment();

// "Searched:" and one line per note, for messages.
std::string DescribeNotes(const Search& search);

}  // namespace tegmora::gamedir

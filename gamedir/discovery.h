// Where the game is on this machine, in the order kSearchOrder gives. Only
// those places are read, never the whole home folder, and nothing that
// cannot be read is an error by itself.
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

// Where the game is looked for, in order, in words: the one account that
// tegmora-fx --help and the window's message when nothing is found give,
// and that the searches here and the window's start-up follow.
inline constexpr std::string_view kSearchOrder =
    "  1. a folder named when starting: tegmora FOLDER, tegmora-fx --roofs DIR;\n"
    "  2. $WINEPREFIX when it is set: that Wine prefix only;\n"
    "  3. the window only: the folder chosen there last time;\n"
    "  4. every launcher's usual places: ~/.wine; Steam (native, Flatpak, Snap) with every\n"
    "     library in its libraryfolders.vdf, for The Sims Legacy Collection and the Proton\n"
    "     prefixes of non-Steam games; Lutris game configurations; Bottles bottles; Heroic game\n"
    "     configurations and prefixes; PlayOnLinux and Phoenicis prefixes.\n"
    "  In a Wine prefix: the registry's SIMS_DATA, then InstallPath (and InstallPath\\The Sims),\n"
    "  then the usual install folders below C:\\Program Files.\n";

// "Searched:" and one line per note, for messages.
std::string DescribeNotes(const Search& search);

}  // namespace tegmora::gamedir

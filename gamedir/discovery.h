// Where the game is on this machine: a folder the player names, the Wine
// prefix in $WINEPREFIX, or every place the common launchers keep games
// (plain Wine, Steam and Proton, Lutris, Bottles, Heroic, PlayOnLinux,
// Phoenicis). Only those places are read, never the whole home folder, and
// nothing that cannot be read is an error by itself.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tegmora::gamedir {

// The Sims Legacy Collection's Steam app id.
inline constexpr std::string_view kLegacyCollectionAppId = "3314060";
// Steam numbers the games a user adds to it from here on; its own are smaller.
inline constexpr unsigned long long kFirstNonSteamGameId = 2147483648ULL;
// Launchers' own files are small; larger ones are not read.
inline constexpr std::uintmax_t kMaxLauncherFileSize = 1u << 20;

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

// $HOME; empty when unset.
std::filesystem::path HomeFolder();

// $WINEPREFIX when set and not empty.
std::optional<std::filesystem::path> WinePrefixFromEnvironment();

// The one prefix WINEPREFIX names; its notes say that nothing else was searched.
Search SearchWinePrefix(const std::filesystem::path& prefix);

// Every launcher's places below `home`, in the order above.
Search SearchEverywhere(const std::filesystem::path& home);

// SearchWinePrefix when WINEPREFIX is set, else SearchEverywhere(HomeFolder()).
Search SearchFromEnvironment();

// "Searched:" and one line per note, for messages.
std::string DescribeNotes(const Search& search);

}  // namespace tegmora::gamedir

// A stand-in game installation: a Wine prefix whose registry names the
// game's data folder, with roof textures drawn here. For trying the editor
// without the game, and for the tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tegmora::demo {

// Where the demo installs the game, written as installations write it:
// without a trailing backslash.
inline constexpr std::string_view kDataFolder = "C:\\Program Files\\Maxis\\The Sims";

// The text of a prefix's system.reg (HKEY_LOCAL_MACHINE) with the game's key
// naming `dataFolder`.
std::string SystemRegistry(std::string_view dataFolder);

// Makes `prefix` a Wine prefix with the game installed: system.reg, the
// link dosdevices/c: -> ../drive_c and an empty roofs folder below the data
// folder. Returns the roofs folder. Throws std::filesystem::filesystem_error.
std::filesystem::path MakeGamePrefix(const std::filesystem::path& prefix);

// The demo roofs written by WriteDemoRoofs, in the list's order.
inline constexpr std::string_view kFirstRoof = "roof_clay.bmp";
inline constexpr std::string_view kPalettedRoof = "roof_shingle_blue.bmp";
inline constexpr std::string_view kCapitalRoof = "ROOF_SLATE.BMP";
inline constexpr std::string_view kThatchRoof = "roof_thatch.bmp";
inline constexpr std::string_view kOldRoof = "roof_tin.bmpold";
inline constexpr std::string_view kDamagedRoof = "roof_wood_damaged.bmp";
// Not a roof: the list leaves it out.
inline constexpr std::string_view kNotes = "Roof notes.txt";

// Writes the demo roofs into `folder`: 24-bit and 8-bit palettised bitmaps,
// one named in capitals, one ending in ".bmpold", one damaged file, and a
// text file. Throws std::runtime_error when a file cannot be written.
void WriteDemoRoofs(const std::filesystem::path& folder);

}  // namespace tegmora::demo

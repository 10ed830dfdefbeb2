// The demo's roof textures, drawn here, for a stand-in game installation
// (MakeGamePrefix): for trying the editor without the game, and for the tests.
#pragma once

#include "wine_prefix.h"

#include <filesystem>
#include <string_view>

namespace tegmora::demo {

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

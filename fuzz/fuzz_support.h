// What the fuzz targets share: checks that stop the run so that libFuzzer
// keeps the input, and a small Wine prefix on disk made once per process.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tegmora::fuzz {

// Prints `broken` and aborts when `holds` is false: a finding.
void Require(bool holds, std::string_view broken);

// What is being checked, printed with a finding.
void SetCheckContext(std::string context);

// The text with every ASCII letter in the other case, for lookups that must
// not tell the two apart.
std::string OtherCase(std::string_view text);

// A Wine prefix in a fresh temporary folder, removed when the process ends:
//   dosdevices/c: -> ../drive_c, dosdevices/d: -> ../drive_d (missing)
//   drive_c/Program Files/Maxis/The Sims/GameData/Roofs/{roof1.bmp,ROOF2.BMP}
//   drive_c/program files/Maxis/           (differs only in case)
//   drive_c/Spiele/Übergröße/Roofs/
//   drive_c/loop -> loop, drive_c/up -> ..
const std::filesystem::path& FuzzPrefix();

}  // namespace tegmora::fuzz

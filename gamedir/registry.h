// Finds the game's data folder in the registry. On this platform the
// registry is the Wine prefix's text file: HKEY_LOCAL_MACHINE is
// <prefix>/system.reg, the prefix is $WINEPREFIX or ~/.wine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tegmora::gamedir {

inline constexpr std::string_view kNotFound = "Not Found";
inline constexpr std::string_view kGameKey = "Software\\Maxis\\The Sims";
inline constexpr std::string_view kDataFolderValue = "SIMS_DATA";

class RegistryFile;
class RegistryKey;

// The game's data folder ending in "\", or "Not Found".
std::string GetGameDataFolder();
std::string GetGameDataFolder(const std::filesystem::path& prefix);

// The value `valueName` of `keyPath` below HKEY_LOCAL_MACHINE as text, or the
// empty text when it cannot be read or has a type other than string or binary.
std::string GetRegistryString(const RegistryFile& machine, std::string_view keyPath,
                              std::string_view valueName);

// One value of an already open key (null: a key that failed to open).
std::string QueryRegistryValue(const RegistryKey* key, std::string_view valueName);

// $WINEPREFIX, or ~/.wine when it is unset or empty.
std::filesystem::path WinePrefix();

}  // namespace tegmora::gamedir

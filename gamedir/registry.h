// Reads values from HKEY_LOCAL_MACHINE, which in a Wine prefix is the text
// file <prefix>/system.reg, as a 32-bit Windows program reads them.
//
// A lookup never throws: a key, value or file that cannot be read gives the
// empty text, and DescribeUnreadable and LoadMachineRegistry say why.
#pragma once

#include "registry_file.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tegmora::gamedir {

inline constexpr std::string_view kMachineRegistryFile = "system.reg";

// Larger files are not read; real ones stay far below this.
inline constexpr std::uintmax_t kMaxRegistryFileSize = 128u << 20;

// A key below HKEY_LOCAL_MACHINE opened as the 32-bit game opens it: every
// place looked at (a win64 prefix's Wow6432Node first), in order, with what was there.
struct KeyFor32BitProgram {
    std::vector<std::string> paths;
    std::vector<std::optional<RegistryKey>> keys;
};

KeyFor32BitProgram OpenFor32BitProgram(const RegistryFile& machine, std::string_view keyPath);

// The first place's value `valueName` that reads as text (QueryRegistryValue),
// or the empty text.
std::string ReadString(const KeyFor32BitProgram& key, std::string_view valueName);

// Why ReadString gave the empty text, for every place it looked at.
std::string DescribeUnreadable(const KeyFor32BitProgram& key, std::string_view valueName);

// ReadString of the key at `keyPath`.
std::string GetRegistryString(const RegistryFile& machine, std::string_view keyPath,
                              std::string_view valueName);

// One value of an already open key (null: a key that failed to open). A
// string gives its text before the first NUL, as UTF-8; a binary value gives
// the little-endian signed 16-bit number in its first two bytes as decimal.
std::string QueryRegistryValue(const RegistryKey* key, std::string_view valueName);

// "HKEY_LOCAL_MACHINE\<keyPath>", for messages.
std::string MachineKeyName(std::string_view keyPath);

struct LoadedRegistry {
    std::optional<RegistryFile> file;
    std::string problem;  // when there is no file: why, naming the file
};

// Reads <prefix>/system.reg: missing, unreadable, larger than `sizeLimit`
// or not a Wine registry file gives no file.
LoadedRegistry LoadMachineRegistry(const std::filesystem::path& prefix,
                                   std::uintmax_t sizeLimit = kMaxRegistryFileSize);

}  // namespace tegmora::gamedir

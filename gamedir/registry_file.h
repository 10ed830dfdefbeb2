// Wine keeps each registry hive of a prefix as a text file (system.reg holds
// HKEY_LOCAL_MACHINE). This reads that format from the file's text alone;
// the file system is left to the caller.
//
// Parse only checks the header and notes the prefix's architecture. A key is
// read when it is opened, by one pass over the text that keeps nothing but
// that key's values, so memory stays near the size of the text and time
// linear in it, whatever the file holds.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tegmora::gamedir {

inline constexpr std::string_view kRegistryFileHeader = "WINE REGISTRY Version 2";

// From the "#arch=" line; a file without one belongs to a 32-bit prefix.
enum class PrefixArch { Win32, Win64 };

inline constexpr std::uint32_t kRegString = 1;
inline constexpr std::uint32_t kRegExpandString = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiString = 7;

// A value as Windows stores it: strings as UTF-16LE bytes with a final NUL
// unit, a DWORD as four little-endian bytes.
struct RegistryValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;

    bool operator==(const RegistryValue&) const = default;
};

// The values of one key, gathered from every section of the file that names
// the key; a later value of the same name replaces an earlier one.
class RegistryKey {
public:
    // `name` is UTF-8 and compared without regard to case; "" is the default
    // value (written "@"). Null when the key has no such value.
    const RegistryValue* FindValue(std::string_view name) const;
    std::size_t ValueCount() const { return values_.size(); }

    bool operator==(const RegistryKey&) const = default;

private:
    friend class RegistryFile;
    std::map<std::u16string, RegistryValue> values_;  // by case-folded name
};

class RegistryFile {
public:
    // Null when the text does not begin with the header line.
    static std::optional<RegistryFile> Parse(std::string text);

    PrefixArch Arch() const { return arch_; }

    // The key at `path` ("Software\Maxis", UTF-8, any case), or null when no
    // readable section names it. Damaged lines are skipped.
    std::optional<RegistryKey> OpenKey(std::string_view path) const;

    // OpenKey for every path, in one pass over the text.
    std::vector<std::optional<RegistryKey>> OpenKeys(const std::vector<std::string>& paths) const;

private:
    RegistryFile(std::string text, std::size_t bodyStart, PrefixArch arch);

    std::string text_;
    std::size_t bodyStart_;  // the first line after the header
    PrefixArch arch_;
};

}  // namespace tegmora::gamedir

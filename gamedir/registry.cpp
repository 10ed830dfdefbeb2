#include "registry.h"

#include "message_text.h"
#include "text_file.h"
#include "wine_text.h"

namespace tegmora::gamedir {
namespace {

constexpr std::string_view kWow64Node = "Wow6432Node";
constexpr std::string_view kMachineHiveName = "HKEY_LOCAL_MACHINE";

// Text before the first NUL unit; an odd last byte is no whole unit.
std::string StringBeforeNul(const std::vector<std::uint8_t>& data) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto unit = static_cast<char16_t>(data[i] | data[i + 1] << 8);
        if (unit == 0) break;
        units.push_back(unit);
    }
    return Utf16ToUtf8(units);
}

// The value is read into a 16-bit integer that starts at 0; bytes past the
// second are never looked at.
std::string BinaryAsNumber(const std::vector<std::uint8_t>& data) {
    std::uint16_t bits = 0;
    if (!data.empty()) bits = data[0];
    if (data.size() > 1) bits = static_cast<std::uint16_t>(bits | data[1] << 8);
    return std::to_string(static_cast<std::int16_t>(bits));
}

std::optional<std::string> RedirectedTo32BitView(std::string_view keyPath) {
    const std::size_t split = keyPath.find('\\');
    const std::string_view first = keyPath.substr(0, split);
    if (!EqualIgnoringCase(first, "Software")) return std::nullopt;
    const std::string_view rest = split == std::string_view::npos ? std::string_view{} : keyPath.substr(split + 1);
    if (EqualIgnoringCase(rest.substr(0, rest.find('\\')), kWow64Node)) return std::nullopt;
    std::string redirected(first);
    redirected += '\\';
    redirected += kWow64Node;
    if (!rest.empty()) {
        redirected += '\\';
        redirected += rest;
    }
    return redirected;
}


std::string DescribeValueAt(const std::string& keyPath, const std::optional<RegistryKey>& opened,
                            std::string_view valueName) {
    const std::string key = MachineKeyName(keyPath);
    if (!opened) return "there is no key " + key;
    const RegistryValue* value = opened->FindValue(valueName);
    const std::string name = Quoted(valueName);
    if (!value) return key + " has no value " + name;
    if (value->type != kRegString && value->type != kRegBinary) {
        return "the value " + name + " of " + key + " has type " + std::to_string(value->type) +
               ", neither a string (1) nor binary (3)";
    }
    return "the value " + name + " of " + key + " is empty";
}

// Where a 32-bit program's open of `keyPath` is looked up, in order: in a
// win64 prefix keys below Software are redirected to Software\Wow6432Node,
// where the game's installer writes; 64-bit tools write to the key itself.
std::vector<std::string> KeyPathsFor32BitProgram(PrefixArch arch, std::string_view keyPath) {
    std::vector<std::string> paths;
    if (arch == PrefixArch::Win64) {
        if (std::optional<std::string> redirected = RedirectedTo32BitView(keyPath)) {
            paths.push_back(std::move(*redirected));
        }
    }
    paths.emplace_back(keyPath);
    return paths;
}

}  // namespace

KeyFor32BitProgram OpenFor32BitProgram(const RegistryFile& machine, std::string_view keyPath) {
    KeyFor32BitProgram key{KeyPathsFor32BitProgram(machine.Arch(), keyPath), {}};
    key.keys = machine.OpenKeys(key.paths);
    return key;
}

std::string ReadString(const KeyFor32BitProgram& key, std::string_view valueName) {
    for (const std::optional<RegistryKey>& opened : key.keys) {
        std::string text = QueryRegistryValue(opened ? &*opened : nullptr, valueName);
        if (!text.empty()) return text;
    }
    return {};
}

std::string DescribeUnreadable(const KeyFor32BitProgram& key, std::string_view valueName) {
    std::vector<std::string> places;
    for (std::size_t i = 0; i < key.paths.size(); ++i) places.push_back(DescribeValueAt(key.paths[i], key.keys[i], valueName));
    return Joined(places, "; ");
}

std::string GetRegistryString(const RegistryFile& machine, std::string_view keyPath, std::string_view valueName) {
    return ReadString(OpenFor32BitProgram(machine, keyPath), valueName);
}

std::string QueryRegistryValue(const RegistryKey* key, std::string_view valueName) {
    if (key == nullptr) return {};
    const RegistryValue* value = key->FindValue(valueName);
    if (value == nullptr) return {};
    switch (value->type) {
        case kRegString:
            return StringBeforeNul(value->data);
        case kRegBinary:
            return BinaryAsNumber(value->data);
        default:
            return {};
    }
}


std::string MachineKeyName(std::string_view keyPath) {
    return std::string(kMachineHiveName) + "\\" + std::string(keyPath);
}

LoadedRegistry LoadMachineRegistry(const std::filesystem::path& prefix, std::uintmax_t sizeLimit) {
    const std::filesystem::path file = prefix / kMachineRegistryFile;
    FileText read = ReadRegularFile(file, sizeLimit);
    if (!read.text) return {std::nullopt, std::move(read.problem)};
    std::optional<RegistryFile> parsed = RegistryFile::Parse(std::move(*read.text));
    if (!parsed) {
        return {std::nullopt, Quoted(file.string()) + " is not a Wine registry file (its first line is not " +
                                  Quoted(kRegistryFileHeader) + ")"};
    }
    return {std::move(parsed), {}};
}

}  // namespace tegmora::gamedir

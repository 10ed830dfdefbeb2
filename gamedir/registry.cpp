#include "registry.h"

#include "text.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <fstream>

namespace tegmora::gamedir {
namespace {

constexpr std::string_view kWow64Node = "Wow6432Node";

struct FileText {
    std::optional<std::string> text;
    std::string problem;
};

// The one place that touches the file system. Only regular files are opened,
// so a FIFO or a device in the file's place cannot stall or flood the read.
FileText ReadRegularFile(const std::filesystem::path& file, std::uintmax_t limit) {
    const std::string name = Quoted(file.string());
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) return {std::nullopt, name + " does not exist"};
    if (error) return {std::nullopt, name + " cannot be read: " + error.message()};
    if (!std::filesystem::is_regular_file(status)) return {std::nullopt, name + " is not a regular file"};
    std::ifstream in(file, std::ios::binary);
    if (!in) return {std::nullopt, name + " cannot be opened"};
    std::string text;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > limit) {
            return {std::nullopt, name + " is larger than " + std::to_string(limit >> 20) + " MiB"};
        }
    }
    if (in.bad()) return {std::nullopt, name + " cannot be read"};
    return {std::move(text), {}};
}

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

std::string MachineKeyName(std::string_view keyPath) {
    return std::string(kMachineHiveName) + "\\" + std::string(keyPath);
}

std::string DescribeValueAt(const RegistryFile& machine, std::string_view keyPath, std::string_view valueName) {
    const std::string key = MachineKeyName(keyPath);
    const std::optional<RegistryKey> opened = machine.OpenKey(keyPath);
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

// Why GetRegistryString gave the empty text, for every key it looked at.
std::string DescribeUnreadableValue(const RegistryFile& machine, std::string_view keyPath,
                                    std::string_view valueName) {
    std::string description;
    for (const std::string& path : KeyPathsFor32BitProgram(machine.Arch(), keyPath)) {
        if (!description.empty()) description += "; ";
        description += DescribeValueAt(machine, path, valueName);
    }
    return description;
}

DataFolderLookup NotFound(const std::filesystem::path& prefix, const std::string& what) {
    return {std::string(kNotFound), "The game's data folder (" + DataFolderEntryName() +
                                        ") is not in the Wine prefix " + Quoted(prefix.string()) + ": " + what +
                                        "."};
}

DataFolderLookup LookUpInPrefix(const std::filesystem::path& prefix) {
    const LoadedRegistry machine = LoadMachineRegistry(prefix);
    if (!machine.file) return NotFound(prefix, machine.problem);
    std::string folder = GetRegistryString(*machine.file, kGameKey, kDataFolderValue);
    if (folder.empty()) return NotFound(prefix, DescribeUnreadableValue(*machine.file, kGameKey, kDataFolderValue));
    if (!folder.ends_with('\\')) folder += '\\';
    return {std::move(folder), {}};
}

std::filesystem::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) return user->pw_dir;
    return {};
}

}  // namespace

std::string GetGameDataFolder() { return GetGameDataFolder(WinePrefix()); }

std::string GetGameDataFolder(const std::filesystem::path& prefix) { return LookUpGameDataFolder(prefix).folder; }

DataFolderLookup LookUpGameDataFolder(const std::filesystem::path& prefix) {
    try {
        return LookUpInPrefix(prefix);
    } catch (const std::exception& error) {
        return NotFound(prefix, error.what());
    }
}

std::string DataFolderEntryName() {
    return "the value " + Quoted(kDataFolderValue) + " of " + MachineKeyName(kGameKey);
}

std::string GetRegistryString(const RegistryFile& machine, std::string_view keyPath, std::string_view valueName) {
    for (const std::string& path : KeyPathsFor32BitProgram(machine.Arch(), keyPath)) {
        const std::optional<RegistryKey> key = machine.OpenKey(path);
        std::string text = QueryRegistryValue(key ? &*key : nullptr, valueName);
        if (!text.empty()) return text;
    }
    return {};
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

std::filesystem::path WinePrefix() {
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0') return prefix;
    return HomeFolder() / ".wine";
}

}  // namespace tegmora::gamedir

// Fuzz target: the text of a Wine registry file, parsed from memory and
// read back from disk, through every lookup the window and tegmora-fx make:
// opening keys, reading values, and the game's roofs folder found from them.
#include "fuzz_support.h"
#include "registry.h"
#include "registry_file.h"
#include "text.h"
#include "wine_paths.h"

#include <charconv>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tegmora::fuzz {
namespace {

using gamedir::RegistryFile;
using gamedir::RegistryKey;

// Enough names from the text to reach its keys and values; more only slows
// each input down.
constexpr std::size_t kNamesTaken = 8;

// The text between `open` and the next `close` on lines that start with
// `open`, as written (escapes left in), up to kNamesTaken of them.
std::vector<std::string> NamesOnLines(std::string_view text, char open, char close) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < text.size() && names.size() < kNamesTaken) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        if (line.starts_with(open)) names.emplace_back(line.substr(1, line.find(close, 1) - 1));
        start = end + 1;
    }
    return names;
}

// Keys are written "[Software\\Maxis]": one backslash in the path.
std::string KeyPathOf(std::string_view written) {
    std::string path;
    for (std::size_t i = 0; i < written.size(); ++i) {
        path += written[i];
        if (written[i] == '\\' && i + 1 < written.size() && written[i + 1] == '\\') ++i;
    }
    return path;
}

std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

bool IsUtf8(std::string_view text) { return gamedir::Utf16ToUtf8(gamedir::Utf8ToUtf16(text)) == text; }

bool IsInt16Decimal(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() && value >= INT16_MIN && value <= INT16_MAX &&
           std::to_string(value) == text;
}

void CheckValue(const RegistryKey& key, const std::string& name) {
    const gamedir::RegistryValue* value = key.FindValue(name);
    const std::string folded = gamedir::Utf16ToUtf8(gamedir::FoldCase(gamedir::Utf8ToUtf16(name)));
    Require(key.FindValue(folded) == value, "a value name found in one case and not in another");
    const std::string text = gamedir::QueryRegistryValue(&key, name);
    Require(IsUtf8(text), "a value read as text is not UTF-8");
    Require(text.find('\0') == std::string::npos, "a value read as text holds a NUL");
    if (value == nullptr || (value->type != gamedir::kRegString && value->type != gamedir::kRegBinary)) {
        Require(text.empty(), "a missing value or one of another type read as text");
    } else if (value->type == gamedir::kRegBinary) {
        Require(IsInt16Decimal(text), "a binary value did not read as a 16-bit number");
    }
}

void CheckKey(const RegistryFile& file, const std::string& path, const std::vector<std::string>& valueNames) {
    const std::optional<RegistryKey> key = file.OpenKey(path);
    const std::optional<RegistryKey> upper = file.OpenKey(AsciiUpper(path));
    Require(key.has_value() == upper.has_value(), "a key found in one case and not in another");
    Require(gamedir::QueryRegistryValue(nullptr, path).empty(), "a key that failed to open gave a value");
    if (!key) return;
    Require(key->ValueCount() == upper->ValueCount(), "a key has other values in another case");
    CheckValue(*key, std::string(gamedir::kDataFolderValue));
    CheckValue(*key, "");
    for (const std::string& name : valueNames) CheckValue(*key, name);
}

std::string CheckRegistryString(const RegistryFile& file, std::string_view valueName) {
    const std::string text = gamedir::GetRegistryString(file, gamedir::kGameKey, valueName);
    const std::vector<std::string> paths = gamedir::KeyPathsFor32BitProgram(file.Arch(), gamedir::kGameKey);
    Require(!paths.empty() && paths.back() == gamedir::kGameKey, "the key itself is not looked at last");
    Require(paths.size() == 1 || file.Arch() == gamedir::PrefixArch::Win64, "a 32-bit prefix redirected a key");
    if (text.empty()) return text;
    bool foundWhereLooked = false;
    for (const std::string& path : paths) {
        const std::optional<RegistryKey> key = file.OpenKey(path);
        foundWhereLooked = foundWhereLooked || (key && gamedir::QueryRegistryValue(&*key, valueName) == text);
    }
    Require(foundWhereLooked, "the game's value came from a key that was not looked at");
    return text;
}

std::string EndingInBackslash(const std::string& folder) { return folder.ends_with('\\') ? folder : folder + '\\'; }

bool HoldsRoofs(const std::string& folder) {
    return !folder.empty() &&
           gamedir::MapWindowsPath(EndingInBackslash(folder) + std::string(gamedir::kRoofsBelowData), FuzzPrefix()).path;
}

void CheckParsed(const RegistryFile& file, std::string_view text) {
    const std::vector<std::string> valueNames = NamesOnLines(text, '"', '"');
    CheckKey(file, std::string(gamedir::kGameKey), valueNames);
    CheckKey(file, "Software\\Wow6432Node\\Maxis\\The Sims", valueNames);
    std::vector<std::string> paths;
    for (const std::string& written : NamesOnLines(text, '[', ']')) {
        paths.push_back(KeyPathOf(written));
        CheckKey(file, paths.back(), valueNames);
    }
    // Opened together, the keys' values are read line by line where one
    // alone passes over them: both must read the same.
    const std::vector<std::optional<RegistryKey>> together = file.OpenKeys(paths);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        Require(together[i] == file.OpenKey(paths[i]), "a key read differently alone and with others");
    }
}

// The same text from disk gives the first folder of the registry's that
// holds the game's roofs, or else a usual install folder: the fuzz prefix
// has one.
void CheckFromDisk(const std::string& text, const std::optional<RegistryFile>& file) {
    const std::filesystem::path& prefix = FuzzPrefix();
    // A new file each time: rewriting one in place makes some file systems
    // flush it to disk on every input.
    const std::filesystem::path onDisk = prefix / gamedir::kMachineRegistryFile;
    std::filesystem::remove(onDisk);
    std::ofstream(onDisk, std::ios::binary) << text;
    const gamedir::RoofsLookup roofs = gamedir::FindRoofsFolder(prefix);
    Require(roofs.local.path.has_value() && roofs.local.error.empty(), "the fuzz prefix's game was not found");
    Require(roofs.roofsFolder == roofs.dataFolder + std::string(gamedir::kRoofsBelowData),
            "the roofs folder is not below the data folder");
    const std::string data = file ? CheckRegistryString(*file, gamedir::kDataFolderValue) : std::string();
    const std::string install = file ? CheckRegistryString(*file, gamedir::kInstallPathValue) : std::string();
    std::vector<std::string> expected;
    if (HoldsRoofs(data)) expected.push_back(EndingInBackslash(data));
    if (HoldsRoofs(install)) expected.push_back(EndingInBackslash(install));
    if (HoldsRoofs(install.empty() ? install : EndingInBackslash(install) + "The Sims")) {
        expected.push_back(EndingInBackslash(install) + "The Sims\\");
    }
    for (const std::string_view usual : gamedir::kUsualGameFolders) {
        if (HoldsRoofs(std::string(usual))) expected.emplace_back(usual);
    }
    Require(roofs.dataFolder == expected.front(), "the game was found in another folder than the first that holds it");
}

}  // namespace
}  // namespace tegmora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tegmora;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string header(gamedir::kRegistryFileHeader);
    std::optional<gamedir::RegistryFile> file = gamedir::RegistryFile::Parse(text);
    if (text.starts_with(header + "\n")) fuzz::Require(file.has_value(), "a file with the header was refused");
    if (!text.starts_with(header)) fuzz::Require(!file.has_value(), "a file without the header was read");
    fuzz::CheckFromDisk(text, file);
    if (!file) {
        file = gamedir::RegistryFile::Parse(header + "\n" + text);
        fuzz::Require(file.has_value(), "a file with the header was refused");
    }
    fuzz::CheckParsed(*file, text);
    return 0;
}

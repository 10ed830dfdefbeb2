// Fuzz target: the text of a Wine registry file, parsed from memory and
// read back from disk, through every lookup the window and tegmora-fx make:
// opening keys, reading values, and the game's roofs folder found from them.
#include "fuzz_support.h"
#include "game_in_prefix.h"
#include "registry.h"
#include "registry_file.h"
#include "wine_text.h"

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

// The first names between `open` and `close` on lines that start with
// `open`, as written, with "\\" read as "\": enough to reach the text's keys
// and values; more only slows each input down.
std::vector<std::string> NamesOnLines(std::string_view text, char open, char close) {
    std::vector<std::string> names;
    for (std::size_t start = 0; start < text.size() && names.size() < 8;) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        if (!line.starts_with(open)) continue;
        std::string& name = names.emplace_back(line.substr(1, line.find(close, 1) - 1));
        for (std::size_t at = name.find("\\\\"); at != std::string::npos; at = name.find("\\\\", at + 1)) name.erase(at, 1);
    }
    return names;
}

void CheckValue(const RegistryKey& key, const std::string& name) {
    const gamedir::RegistryValue* value = key.FindValue(name);
    Require(key.FindValue(OtherCase(name)) == value, "a value name found in one case and not in another");
    const std::string text = gamedir::QueryRegistryValue(&key, name);
    Require(gamedir::Utf16ToUtf8(gamedir::Utf8ToUtf16(text)) == text && text.find('\0') == std::string::npos,
            "a value read as text is not UTF-8 or holds a NUL");
    const bool readable = value && (value->type == gamedir::kRegString || value->type == gamedir::kRegBinary);
    Require(readable || text.empty(), "a missing value or one of another type read as text");
}

void CheckParsed(const RegistryFile& file, std::string_view text) {
    std::vector<std::string> paths = NamesOnLines(text, '[', ']');
    paths.insert(paths.end(), {std::string(gamedir::kGameKey), "Software\\Wow6432Node\\Maxis\\The Sims"});
    // Opened together, the keys' values are read line by line where one
    // alone passes over them: both must read the same.
    const std::vector<std::optional<RegistryKey>> together = file.OpenKeys(paths);
    const std::vector<std::string> valueNames = NamesOnLines(text, '"', '"');
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::optional<RegistryKey> key = file.OpenKey(paths[i]);
        Require(key == together[i], "a key read differently alone and with others");
        Require(key == file.OpenKey(OtherCase(paths[i])), "a key read differently in another case");
        if (!key) continue;
        for (const std::string_view name : {gamedir::kDataFolderValue, gamedir::kInstallPathValue, std::string_view()}) {
            CheckValue(*key, std::string(name));
        }
        for (const std::string& name : valueNames) CheckValue(*key, name);
    }
}

void CheckFromDisk(const std::string& text) {
    const std::filesystem::path& prefix = FuzzPrefix();
    // A new file each time: rewriting one in place makes some file systems
    // flush it to disk on every input.
    const std::filesystem::path onDisk = prefix / gamedir::kMachineRegistryFile;
    std::filesystem::remove(onDisk);
    std::ofstream(onDisk, std::ios::binary) << text;
    const gamedir::GameLookup lookup = gamedir::FindGameInPrefix(prefix);
    Require(lookup.game && lookup.whyNotFound.empty() &&
                lookup.game->roofsFolder == lookup.game->dataFolder + std::string(gamedir::kRoofsBelowData),
            "the fuzz prefix's roofs were not found below the game's folder");
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
    fuzz::CheckFromDisk(text);
    if (!file) file = gamedir::RegistryFile::Parse(header + "\n" + text);
    fuzz::Require(file.has_value(), "a file given the header was refused");
    fuzz::CheckParsed(*file, text);
    return 0;
}

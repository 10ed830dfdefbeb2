#include "game_in_prefix.h"

#include "message_text.h"
#include "registry.h"
#include "wine_paths.h"

#include <exception>
#include <vector>

namespace tegmora::gamedir {
namespace {

// Where installers put the game when the registry names no folder that holds it.
constexpr std::string_view kUsualGameFolders[] = {
    "C:\\Program Files\\EA Games\\The Sims Legacy\\",
    "C:\\Program Files (x86)\\Maxis\\The Sims\\",
    "C:\\Program Files\\Maxis\\The Sims\\",
};

// `the value "SIMS_DATA" of HKEY_LOCAL_MACHINE\Software\Maxis\The Sims`.
std::string GameValueName(std::string_view valueName) {
    return "the value " + Quoted(valueName) + " of " + MachineKeyName(kGameKey);
}

std::string EndingInBackslash(std::string folder) {
    if (!folder.ends_with('\\')) folder += '\\';
    return folder;
}

struct Candidate {
    std::string folder;  // ending in "\"
    std::string_view from;
};

GameLookup LookUpInPrefix(const std::filesystem::path& prefix) {
    std::vector<std::string> reasons;
    std::vector<Candidate> candidates;
    const LoadedRegistry machine = LoadMachineRegistry(prefix);
    if (!machine.file) reasons.push_back(machine.problem);
    if (machine.file) {
        const KeyFor32BitProgram key = OpenFor32BitProgram(*machine.file, kGameKey);
        for (const std::string_view value : {kDataFolderValue, kInstallPathValue}) {
            const std::string folder = ReadString(key, value);
            if (folder.empty()) {
                reasons.push_back(GameValueName(value) + " cannot be read: " + DescribeUnreadable(key, value));
                continue;
            }
            candidates.push_back({EndingInBackslash(folder), value});
            if (value == kInstallPathValue) candidates.push_back({EndingInBackslash(folder) + "The Sims\\", value});
        }
    }
    for (const std::string_view usual : kUsualGameFolders) candidates.push_back({std::string(usual), {}});
    for (const Candidate& candidate : candidates) {
        const std::string roofs = candidate.folder + std::string(kRoofsBelowData);
        MappedPath local = MapWindowsPathWithReason(roofs, prefix);
        if (local.path) return {GameInPrefix{candidate.folder, roofs, std::move(*local.path)}, {}};
        if (!candidate.from.empty()) {
            reasons.push_back(QuotedWindowsPath(roofs) + " from " + GameValueName(candidate.from) +
                              " is missing: " + local.error);
        }
    }
    std::vector<std::string> usual;
    for (const std::string_view folder : kUsualGameFolders) usual.push_back(Quoted(folder));
    reasons.push_back("none of the usual install folders " + Joined(usual, ", ") + " holds " + Quoted(kRoofsBelowData));
    return {std::nullopt, "The game is not in the Wine prefix " + Quoted(prefix.string()) + ": " + Joined(reasons, "; ") + "."};
}

}  // namespace

GameLookup FindGameInPrefix(const std::filesystem::path& prefix) {
    try {
        return LookUpInPrefix(prefix);
    } catch (const std::exception& error) {
        return {std::nullopt, error.what()};
    }
}

}  // namespace tegmora::gamedir

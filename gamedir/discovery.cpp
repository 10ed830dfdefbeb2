#include "discovery.h"

#include "game_in_prefix.h"
#include "launcher_files.h"
#include "message_text.h"
#include "text_file.h"
#include "wine_paths.h"
#include "wine_text.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <exception>
#include <functional>
#include <set>
#include <string_view>
#include <utility>

namespace tegmora::gamedir {
namespace {

namespace fs = std::filesystem;

// The Sims Legacy Collection's Steam app id.
constexpr std::string_view kLegacyCollectionAppId = "3314060";
// Launchers' own files are small; larger ones are not read.
constexpr std::uintmax_t kMaxLauncherFileSize = 1u << 20;

constexpr std::string_view kLegacyCollection = "The Sims Legacy Collection";

constexpr std::string_view kSteamRoots[] = {
    ".local/share/Steam",
    ".steam/steam",
    ".steam/root",
    ".var/app/com.valvesoftware.Steam/.local/share/Steam",
    ".var/app/com.valvesoftware.Steam/data/Steam",
    "snap/steam/common/.local/share/Steam",
};

// Launchers that keep one game configuration per file, naming its prefix.
struct ConfigFolder {
    std::string_view launcher;
    std::string_view folder;  // below the home folder
    std::string_view extension;
    std::vector<NamedPrefix> (*read)(std::string_view stem, std::string_view text);
};

std::vector<NamedPrefix> ReadLutrisGame(std::string_view stem, std::string_view text) {
    std::optional<std::string> prefix = LutrisPrefix(text);
    if (!prefix) return {};
    // Lutris names the file <game>-<time of installation>.
    const std::size_t dash = stem.rfind('-');
    const bool timed = dash != std::string_view::npos && dash > 0 &&
                       stem.find_first_not_of("0123456789", dash + 1) == std::string_view::npos;
    return {{std::string(timed ? stem.substr(0, dash) : stem), std::move(*prefix)}};
}

std::vector<NamedPrefix> ReadHeroicGame(std::string_view, std::string_view text) { return HeroicPrefixes(text); }

constexpr ConfigFolder kLutrisFolders[] = {
    {"Lutris", ".config/lutris/games", ".yml", ReadLutrisGame},
    {"Lutris", ".local/share/lutris/games", ".yml", ReadLutrisGame},
    {"Lutris", ".var/app/net.lutris.Lutris/data/lutris/games", ".yml", ReadLutrisGame},
};
constexpr ConfigFolder kHeroicFolders[] = {
    {"Heroic", ".config/heroic/GamesConfig", ".json", ReadHeroicGame},
    {"Heroic", ".var/app/com.heroicgameslauncher.hgl/config/heroic/GamesConfig", ".json", ReadHeroicGame},
};

// Launchers that keep every prefix as a folder of one folder.
struct PrefixFolder {
    std::string_view launcher;
    std::string_view folder;  // below the home folder
    std::string_view what;    // one prefix, in words
};

constexpr PrefixFolder kBottlesFolders[] = {
    {"Bottles", ".local/share/bottles/bottles", "Bottles bottle"},
    {"Bottles", ".var/app/com.usebottles.bottles/data/bottles/bottles", "Bottles bottle"},
};
constexpr std::string_view kBottlesSettings[] = {
    ".local/share/bottles/data.yml",
    ".var/app/com.usebottles.bottles/data/bottles/data.yml",
};
constexpr PrefixFolder kLaterPrefixFolders[] = {
    {"Heroic", "Games/Heroic/Prefixes/default", "Heroic prefix"},
    {"PlayOnLinux", ".PlayOnLinux/wineprefix", "PlayOnLinux prefix"},
    {"Phoenicis", ".Phoenicis/containers/wineprefix", "Phoenicis container"},
};

// The folder's entries sorted by name, so that the order found is stable.
std::vector<fs::path> EntriesOf(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) entries.push_back(it->path());
    std::ranges::sort(entries);
    return entries;
}

// One identity for a folder reached through links; the path itself when it
// cannot be resolved.
fs::path Identity(const fs::path& path) {
    std::error_code error;
    fs::path canonical = fs::canonical(path, error);
    return error ? path.lexically_normal() : canonical;
}

class Searcher {
public:
    explicit Searcher(fs::path home) : home_(std::move(home)) {}

    // "~/..." for paths in the home folder.
    std::string Shown(const fs::path& path) const {
        const std::string text = path.string();
        const std::string home = home_.string();
        if (!home.empty() && home != "/" && text.starts_with(home) &&
            (text.size() == home.size() || text[home.size()] == '/')) {
            return "~" + text.substr(home.size());
        }
        return text;
    }

    fs::path Expanded(const std::string& path) const {
        if (path == "~" || path.starts_with("~/")) return home_ / path.substr(std::min<std::size_t>(2, path.size()));
        return path;
    }

    const fs::path& Home() const { return home_; }

    void Prefix(const fs::path& prefix, const std::string& where) {
        if (!visitedPrefixes_.insert(Identity(prefix)).second) return;
        if (!IsFolder(prefix)) {
            Note(where, Quoted(prefix.string()) + " is not a folder");
            return;
        }
        const GameLookup lookup = FindGameInPrefix(prefix);
        if (lookup.game) {
            Found(lookup.game->roofs, where);
        } else {
            Note(where, lookup.whyNotFound);
        }
    }

    void Found(const fs::path& roofs, const std::string& where) {
        if (foundRoofs_.insert(Identity(roofs)).second) search_.found.push_back({roofs, where});
    }

    void Note(const std::string& where, const std::string& why) { search_.notes.push_back(where + ": " + why); }

    // Whether a launcher's folder is there. Those that are not are listed
    // together at the end, as a launcher not installed unless another of its
    // folders is there.
    bool Present(std::string_view launcher, const fs::path& folder) {
        if (IsFolder(folder)) {
            installed_.emplace(launcher);
            return true;
        }
        auto group = std::ranges::find(missing_, launcher, &MissingGroup::launcher);
        if (group == missing_.end()) group = missing_.insert(missing_.end(), {std::string(launcher), {}});
        group->folders.push_back(Shown(folder));
        return false;
    }

    // Runs one place's search; whatever it throws costs that place only.
    void Guarded(const std::string& where, const std::function<void()>& search) {
        try {
            search();
        } catch (const std::exception& error) {
            Note(where, error.what());
        }
    }

    Search Finish() {
        for (const MissingGroup& group : missing_) {
            if (installed_.contains(group.launcher)) continue;
            search_.notes.push_back(group.launcher + ": not installed (no " + Joined(group.folders, ", ") + ")");
        }
        return std::move(search_);
    }

private:
    struct MissingGroup {
        std::string launcher;
        std::vector<std::string> folders;
    };

    fs::path home_;
    Search search_;
    std::set<fs::path> visitedPrefixes_;
    std::set<fs::path> foundRoofs_;
    std::vector<MissingGroup> missing_;
    std::set<std::string, std::less<>> installed_;
};

std::optional<std::string> ReadLauncherFile(const fs::path& file) {
    return ReadRegularFile(file, kMaxLauncherFileSize).text;
}

std::optional<unsigned long long> AppId(const std::string& name) {
    unsigned long long id = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), id);
    if (error != std::errc{} || end != name.data() + name.size()) return std::nullopt;
    return id;
}

void SearchSteamLibrary(Searcher& searcher, const fs::path& library) {
    const std::string where = "Steam library " + searcher.Shown(library);
    const fs::path apps = library / "steamapps";
    const std::string manifestName = "appmanifest_" + std::string(kLegacyCollectionAppId) + ".acf";
    const std::optional<std::string> manifest = ReadLauncherFile(apps / manifestName);
    const std::optional<std::string> installDir = manifest ? SteamInstallDir(*manifest) : std::nullopt;
    if (!installDir) {
        searcher.Note(where, std::string(kLegacyCollection) + " is not installed (no readable steamapps/" +
                                 manifestName + ")");
    } else if (const auto roofs = FindFolderIgnoringCase(apps / "common" / *installDir, {"GameData", "Roofs"})) {
        searcher.Found(*roofs, where + ": " + std::string(kLegacyCollection));
    } else {
        searcher.Note(where, std::string(kLegacyCollection) + " has no GameData/Roofs in " +
                                 Quoted(searcher.Shown(apps / "common" / *installDir)));
    }
    for (const fs::path& game : EntriesOf(apps / "compatdata")) {
        const std::optional<unsigned long long> id = AppId(game.filename().string());
        if (!id || *id < kFirstNonSteamGameId) continue;
        searcher.Prefix(game / "pfx", where + ": non-Steam game " + game.filename().string() + " (Proton prefix " +
                                          searcher.Shown(game / "pfx") + ")");
    }
}

void SearchSteam(Searcher& searcher) {
    std::vector<fs::path> libraries;
    std::set<fs::path> seen;
    const auto add = [&](const fs::path& library) {
        if (seen.insert(Identity(library)).second) libraries.push_back(library);
    };
    for (const std::string_view root : kSteamRoots) {
        const fs::path folder = searcher.Home() / root;
        if (!searcher.Present("Steam", folder)) continue;
        if (seen.contains(Identity(folder))) continue;
        add(folder);
        const fs::path list = folder / "steamapps" / "libraryfolders.vdf";
        const std::optional<std::string> text = ReadLauncherFile(list);
        for (const std::string& path : text ? SteamLibraryPaths(*text) : std::vector<std::string>{}) {
            if (IsFolder(path)) {
                add(path);
            } else {
                searcher.Note("Steam library " + path, "not there (listed in " + searcher.Shown(list) +
                                                           "; is its disk mounted?)");
            }
        }
    }
    for (const fs::path& library : libraries) {
        searcher.Guarded("Steam library " + library.string(), [&] { SearchSteamLibrary(searcher, library); });
    }
}

void SearchConfigFolder(Searcher& searcher, const ConfigFolder& place) {
    const fs::path folder = searcher.Home() / place.folder;
    if (!searcher.Present(place.launcher, folder)) return;
    for (const fs::path& file : EntriesOf(folder)) {
        if (file.extension() != place.extension) continue;
        const FileText read = ReadRegularFile(file, kMaxLauncherFileSize);
        const std::vector<NamedPrefix> prefixes =
            read.text ? place.read(file.stem().string(), *read.text) : std::vector<NamedPrefix>{};
        if (prefixes.empty())
            searcher.Note(std::string(place.launcher) + " " + searcher.Shown(file),
                          read.text ? "names no Wine prefix" : read.problem);
        for (const NamedPrefix& game : prefixes) {
            const fs::path prefix = searcher.Expanded(game.prefix);
            searcher.Prefix(prefix, std::string(place.launcher) + " game " + game.name + " (prefix " +
                                        searcher.Shown(prefix) + ")");
        }
    }
}

void SearchPrefixFolder(Searcher& searcher, const PrefixFolder& place, const fs::path& folder) {
    if (!searcher.Present(place.launcher, folder)) return;
    for (const fs::path& prefix : EntriesOf(folder)) {
        if (!IsFolder(prefix)) continue;
        searcher.Prefix(prefix, std::string(place.what) + " " + prefix.filename().string() + " (" +
                                    searcher.Shown(prefix) + ")");
    }
}

void SearchBottles(Searcher& searcher) {
    for (const PrefixFolder& place : kBottlesFolders) SearchPrefixFolder(searcher, place, searcher.Home() / place.folder);
    for (const std::string_view settings : kBottlesSettings) {
        const std::optional<std::string> text = ReadLauncherFile(searcher.Home() / settings);
        const std::optional<std::string> custom = text ? BottlesCustomPath(*text) : std::nullopt;
        if (custom) SearchPrefixFolder(searcher, kBottlesFolders[0], searcher.Expanded(*custom));
    }
}

// $HOME; empty when unset.
fs::path HomeFolder() {
    const char* home = std::getenv("HOME");
    return home == nullptr ? fs::path() : fs::path(home);
}

// The one prefix WINEPREFIX names; its notes say that nothing else was searched.
Search SearchWinePrefix(const fs::path& prefix) {
    Searcher searcher(HomeFolder());
    const std::string where = "Wine prefix " + prefix.string() + " (WINEPREFIX)";
    searcher.Guarded(where, [&] { searcher.Prefix(prefix, where); });
    Search search = searcher.Finish();
    if (search.found.empty()) {
        search.notes.push_back("WINEPREFIX is set, so no other place was searched: unset it to search every "
                               "launcher's places");
    }
    return search;
}

}  // namespace

std::optional<fs::path> RoofsFolderOfNamed(const fs::path& folder) {
    if (!IsFolder(folder)) return std::nullopt;
    if (auto roofs = FindFolderIgnoringCase(folder, {"GameData", "Roofs"})) return roofs;
    if (auto roofs = FindFolderIgnoringCase(folder, {"Roofs"})) return roofs;
    return folder;
}

bool HoldsRoofs(const fs::path& folder) {
    if (!IsFolder(folder)) return false;
    if (EqualIgnoringCase(folder.filename().string(), "Roofs")) return true;
    return std::ranges::any_of(EntriesOf(folder), [](const fs::path& entry) {
        return EqualIgnoringCase(entry.extension().string(), ".bmp");
    });
}


std::optional<fs::path> WinePrefixFromEnvironment() {
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix == nullptr || *prefix == '\0') return std::nullopt;
    return fs::path(prefix);
}


Search SearchEverywhere(const fs::path& home) {
    Searcher searcher(home);
    if (home.empty()) {
        searcher.Note("HOME", "not set, so no launcher's places could be searched");
        return searcher.Finish();
    }
    const fs::path wine = home / ".wine";
    if (searcher.Present("Wine", wine))
        searcher.Guarded("Wine", [&] { searcher.Prefix(wine, "Wine prefix " + searcher.Shown(wine)); });
    searcher.Guarded("Steam", [&] { SearchSteam(searcher); });
    const auto searchConfigs = [&searcher](const ConfigFolder& place) {
        searcher.Guarded(std::string(place.launcher), [&] { SearchConfigFolder(searcher, place); });
    };
    std::ranges::for_each(kLutrisFolders, searchConfigs);
    searcher.Guarded("Bottles", [&] { SearchBottles(searcher); });
    std::ranges::for_each(kHeroicFolders, searchConfigs);
    for (const PrefixFolder& place : kLaterPrefixFolders) {
        searcher.Guarded(std::string(place.launcher), [&] { SearchPrefixFolder(searcher, place, home / place.folder); });
    }
    return searcher.Finish();
}

Search SearchFromEnvironment() {
    if (const std::optional<fs::path> prefix = WinePrefixFromEnvironment()) return SearchWinePrefix(*prefix);
    return SearchEverywhere(HomeFolder());
}

std::string DescribeNotes(const Search& search) {
    return search.notes.empty() ? "Searched:" : "Searched:\n  - " + Joined(search.notes, "\n  - ");
}

}  // namespace tegmora::gamedir

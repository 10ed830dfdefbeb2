#include "wine_paths.h"

#include "message_text.h"
#include "wine_text.h"

#include <exception>
#include <vector>

namespace tegmora::gamedir {
namespace {

// Windows accepts no longer path; it also bounds the work on hostile input.
constexpr std::size_t kMaxWindowsPathLength = 32767;
constexpr std::string_view kCharactersNotInNames = "<>:\"|?*";

struct DrivePath {
    char drive = 'c';  // lower case
    std::vector<std::string> components;
    bool namesFolder = false;  // ends in a separator
};

struct SplitPath {
    std::optional<DrivePath> path;
    std::string problem;
};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsAllowedInName(std::string_view name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || kCharactersNotInNames.find(c) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

// "C:\a\.\b\..\c\" gives drive c and the components a and c, resolved the
// way Windows resolves them, before any folder is looked at.
SplitPath SplitDrivePath(std::string_view text) {
    if (text.size() < 3 || !IsAsciiLetter(text[0]) || text[1] != ':' || !IsSeparator(text[2])) {
        return {std::nullopt, "it is not an absolute path on a drive"};
    }
    DrivePath path;
    path.drive = static_cast<char>(text[0] | 0x20);
    path.namesFolder = IsSeparator(text.back());
    std::string_view rest = text.substr(3);
    while (!rest.empty()) {
        std::size_t end = 0;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        const std::string_view name = rest.substr(0, end);
        rest.remove_prefix(end == rest.size() ? end : end + 1);
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (!path.components.empty()) path.components.pop_back();
            continue;
        }
        if (!IsAllowedInName(name)) return {std::nullopt, Quoted(name) + " holds a character Windows does not allow"};
        path.components.emplace_back(name);
    }
    return {std::move(path), {}};
}

bool Exists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// `name` in `folder`: the exact spelling first, then, as Wine does, any entry
// whose name differs only in case (the smallest such name, so that the
// choice is stable).
std::optional<std::filesystem::path> FindEntry(const std::filesystem::path& folder, const std::string& name) {
    std::filesystem::path exact = folder / name;
    if (Exists(exact)) return exact;
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    std::optional<std::filesystem::path> match;
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::filesystem::path& entry = entries->path();
        if (!EqualIgnoringCase(entry.filename().string(), name) || !Exists(entry)) continue;
        if (!match || entry.filename() < match->filename()) match = entry;
    }
    return match;
}

// The local path, or in `error` why there is none (without naming the path).
MappedPath MapInPrefix(std::string_view windowsPath, const std::filesystem::path& prefix) {
    if (windowsPath.size() > kMaxWindowsPathLength) return {std::nullopt, "it is longer than Windows allows"};
    const SplitPath split = SplitDrivePath(windowsPath);
    if (!split.path) return {std::nullopt, split.problem};
    const std::filesystem::path devices = prefix / "dosdevices";
    const std::string drive{split.path->drive, ':'};
    std::filesystem::path current = devices / drive;
    if (!Exists(current)) {
        return {std::nullopt, "there is no drive " + Quoted(drive) + " in " + Quoted(devices.string())};
    }
    for (const std::string& name : split.path->components) {
        std::optional<std::filesystem::path> next = FindEntry(current, name);
        if (!next) return {std::nullopt, Quoted(name) + " is not in " + Quoted(current.string())};
        current = std::move(*next);
    }
    if (split.path->namesFolder && !IsFolder(current)) {
        return {std::nullopt, Quoted(current.string()) + " is not a folder"};
    }
    return {std::move(current), {}};
}

}  // namespace

// A hostile path can be long; the message shows its start.
std::string QuotedWindowsPath(std::string_view windowsPath) {
    constexpr std::size_t kShown = 260;
    if (windowsPath.size() <= kShown) return Quoted(windowsPath);
    return Quoted(std::string(windowsPath.substr(0, kShown)) + "...");
}

MappedPath MapWindowsPathWithReason(std::string_view windowsPath, const std::filesystem::path& prefix) {
    try {
        return MapInPrefix(windowsPath, prefix);
    } catch (const std::exception& error) {
        return {std::nullopt, error.what()};
    }
}

bool IsFolder(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

MappedPath MapWindowsPath(std::string_view windowsPath, const std::filesystem::path& prefix) {
    MappedPath mapped = MapWindowsPathWithReason(windowsPath, prefix);
    if (mapped.path) return mapped;
    return {std::nullopt, "The Windows path " + QuotedWindowsPath(windowsPath) + " is not in the Wine prefix " +
                              Quoted(prefix.string()) + ": " + mapped.error + "."};
}

std::optional<std::filesystem::path> FindFolderIgnoringCase(const std::filesystem::path& folder,
                                                            std::initializer_list<std::string_view> names) {
    std::optional<std::filesystem::path> current = folder;
    for (const std::string_view name : names) {
        if (current) current = FindEntry(*current, std::string(name));
    }
    if (!current || !IsFolder(*current)) return std::nullopt;
    return current;
}

}  // namespace tegmora::gamedir

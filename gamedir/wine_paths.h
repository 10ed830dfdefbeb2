// Turns the Windows paths the game registers into local paths inside the
// Wine prefix, matching names without regard to case as Wine does.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace tegmora::gamedir {

struct MappedPath {
    std::optional<std::filesystem::path> path;  // set when every component was found
    std::string error;                          // otherwise: which path, prefix and component
};

// "C:\Program Files\..." -> <prefix>/dosdevices/c:/Program Files/...
// Each name is looked up exactly, then without regard to case; the result
// uses the names as they are on disk. A text that is not an absolute drive
// path maps to nothing, and a path ending in "\" must name a folder.
MappedPath MapWindowsPath(std::string_view windowsPath, const std::filesystem::path& prefix);

// The same, with an error that gives only the reason, for a caller that
// names the path in a message of its own.
MappedPath MapWindowsPathWithReason(std::string_view windowsPath, const std::filesystem::path& prefix);

// A Windows path for a message: quoted, and a hostile one cut short.
std::string QuotedWindowsPath(std::string_view windowsPath);

// True for a folder or a link to one; false on any error.
bool IsFolder(const std::filesystem::path& path);

// `folder`/names[0]/names[1]/... with every name matched as MapWindowsPath
// matches it, when that path exists and is a folder.
std::optional<std::filesystem::path> FindFolderIgnoringCase(const std::filesystem::path& folder,
                                                            std::initializer_list<std::string_view> names);

}  // namespace tegmora::gamedir

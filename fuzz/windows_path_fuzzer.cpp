// Fuzz target: Windows path text mapped into a small Wine prefix made once
// at start, with mixed-case folders, a dangling drive and looping links.
#include "fuzz_support.h"
#include "wine_paths.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace tegmora::fuzz {
namespace {

bool StartsWithDrive(std::string_view text) {
    return text.size() >= 2 && ((text[0] | 0x20) >= 'a' && (text[0] | 0x20) <= 'z') && text[1] == ':';
}

bool EndsWithSeparator(std::string_view text) { return text.ends_with('\\') || text.ends_with('/'); }

// The Windows path of a mapped local one below `driveRoot`, spelt as the
// folders are on disk.
std::string WindowsPathOf(const std::filesystem::path& local, const std::filesystem::path& driveRoot,
                          char driveLetter, bool namesFolder) {
    std::string below = local.string().substr(driveRoot.string().size());
    std::ranges::replace(below, '/', '\\');
    std::string windows = std::string{driveLetter, ':'} + (below.starts_with('\\') ? below : '\\' + below);
    return namesFolder && !EndsWithSeparator(windows) ? windows + '\\' : windows;
}

void CheckMapped(std::string_view text, const std::filesystem::path& local) {
    const std::filesystem::path driveRoot = FuzzPrefix() / "dosdevices" / std::string{static_cast<char>(text[0] | 0x20), ':'};
    std::error_code error;
    Require(std::filesystem::exists(local, error), "a mapped path does not exist");
    Require(local.string().starts_with(driveRoot.string()), "a mapped path left its drive");
    const bool namesFolder = EndsWithSeparator(text);
    if (namesFolder) Require(std::filesystem::is_directory(local, error), "a path ending in \\ mapped to a file");
    const std::string again = WindowsPathOf(local, driveRoot, text[0], namesFolder);
    Require(gamedir::MapWindowsPath(again, FuzzPrefix()).path == local, "the Windows path of a mapped path maps elsewhere");
}

void Check(std::string_view text) {
    const gamedir::MappedPath mapped = gamedir::MapWindowsPath(text, FuzzPrefix());
    Require(mapped.path.has_value() == mapped.error.empty(), "a path both mapped and failed");
    const gamedir::MappedPath twice = gamedir::MapWindowsPath(text, FuzzPrefix());
    const auto shown = [](const gamedir::MappedPath& m) { return m.path ? m.path->string() : m.error; };
    if (twice.path != mapped.path || twice.error != mapped.error) {
        Require(false, "one path mapped two ways: " + shown(mapped) + " and then " + shown(twice));
    }
    if (mapped.path) {
        Require(StartsWithDrive(text), "a path without a drive mapped");
        CheckMapped(text, *mapped.path);
    } else {
        Require(mapped.error.find(FuzzPrefix().string()) != std::string::npos, "a failure does not name the prefix");
    }
}

}  // namespace
}  // namespace tegmora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tegmora::fuzz;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Check(text);
    if (!StartsWithDrive(text)) Check("C:\\" + std::string(text));
    return 0;
}

// Wine prefixes made on disk, plain C++: the demo installation, and the
// temporary prefixes and homes of the tests, fuzzers and benchmarks.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tegmora::demo {

// Where the demo installs the game, written as installations write it:
// without a trailing backslash.
inline constexpr std::string_view kDataFolder = "C:\\Program Files\\Maxis\\The Sims";

// A system.reg (HKEY_LOCAL_MACHINE) of a prefix of `arch` ("win32" or
// "win64") whose text after the header is `body`, written as Wine writes it.
std::string RegistryText(std::string_view body, std::string_view arch = "win32");

// The text of a system.reg with the game's key naming `dataFolder`.
std::string SystemRegistry(std::string_view dataFolder);

// Writes `text` to `file`, making its folders. Throws std::runtime_error.
void WriteFile(const std::filesystem::path& file, std::string_view text);

// Makes `prefix` a Wine prefix: drive_c and the link dosdevices/c: -> ../drive_c.
void MakeWinePrefix(const std::filesystem::path& prefix);

// A Wine prefix with the game installed: system.reg naming kDataFolder and an
// empty roofs folder below it. Returns the roofs folder. Throws
// std::filesystem::filesystem_error.
std::filesystem::path MakeGamePrefix(const std::filesystem::path& prefix);

// A fresh folder below the system's temporary folder, removed with all it
// holds when this ends. Throws std::runtime_error when it cannot be made.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace tegmora::demo

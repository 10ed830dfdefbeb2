#include "wine_prefix.h"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace tegmora::demo {
namespace {

namespace fs = std::filesystem;

// Registry files double every backslash of key names and string values.
std::string Escaped(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// "C:\Program Files\..." below the prefix's drive_c.
fs::path LocalOf(const fs::path& prefix, std::string_view windowsPath) {
    fs::path local = prefix / "drive_c";
    std::string_view rest = windowsPath.substr(3);
    while (!rest.empty()) {
        const std::size_t cut = rest.find('\\');
        local /= std::string(rest.substr(0, cut));
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    return local;
}

}  // namespace

std::string RegistryText(std::string_view body, std::string_view arch) {
    return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=" + std::string(arch) + "\n\n" +
           std::string(body);
}

std::string SystemRegistry(std::string_view dataFolder) {
    return RegistryText("[Software\\\\Maxis] 1701375000\n"
                        "#time=1da27c3b5e0f4a0\n"
                        "\n"
                        "[Software\\\\Maxis\\\\The Sims] 1701375000\n"
                        "#time=1da27c3b5e0f4a0\n"
                        "\"Installed\"=dword:00000001\n"
                        "\"SIMS_DATA\"=\"" +
                        Escaped(dataFolder) +
                        "\"\n"
                        "\n"
                        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion] 1701374990\n"
                        "#time=1da27c3b4c3a2b0\n"
                        "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n");
}

void WriteFile(const fs::path& file, std::string_view text) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) throw std::runtime_error("cannot write " + file.string());
}

void MakeWinePrefix(const fs::path& prefix) {
    fs::create_directories(prefix / "drive_c");
    fs::create_directories(prefix / "dosdevices");
    const fs::path driveC = prefix / "dosdevices" / "c:";
    fs::remove(driveC);
    fs::create_directory_symlink("../drive_c", driveC);
}

fs::path MakeGamePrefix(const fs::path& prefix) {
    MakeWinePrefix(prefix);
    const fs::path roofs = LocalOf(prefix, kDataFolder) / "GameData" / "Roofs";
    fs::create_directories(roofs);
    WriteFile(prefix / "system.reg", SystemRegistry(kDataFolder));
    return roofs;
}

TemporaryFolder::TemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "tegmora-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

}  // namespace tegmora::demo

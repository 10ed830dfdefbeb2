#include "demo_prefix.h"

#include "roof_textures.h"

#include <QImage>
#include <QString>

#include <fstream>
#include <stdexcept>

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

void WriteText(const fs::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

void WriteBitmap(const QImage& image, const fs::path& path) {
    if (!image.save(QString::fromStdString(path.string()), "BMP"))
        throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

std::string SystemRegistry(std::string_view dataFolder) {
    return "WINE REGISTRY Version 2\n"
           ";; All keys relative to \\\\Machine\n"
           "\n"
           "#arch=win32\n"
           "\n"
           "[Software\\\\Maxis] 1701375000\n"
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
           "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n";
}

fs::path MakeGamePrefix(const fs::path& prefix) {
    const fs::path roofs = LocalOf(prefix, kDataFolder) / "GameData" / "Roofs";
    fs::create_directories(roofs);
    fs::create_directories(prefix / "dosdevices");
    const fs::path driveC = prefix / "dosdevices" / "c:";
    fs::remove(driveC);
    fs::create_directory_symlink("../drive_c", driveC);
    WriteText(prefix / "system.reg", SystemRegistry(kDataFolder));
    return roofs;
}

void WriteDemoRoofs(const fs::path& folder) {
    auto at = [&folder](std::string_view name) { return folder / std::string(name); };
    WriteBitmap(ClayTiles(32, 32), at(kFirstRoof));
    WriteBitmap(BlueShingles(32, 32), at(kPalettedRoof));
    WriteBitmap(Slate(64, 64), at(kCapitalRoof));
    WriteBitmap(Thatch(48, 32), at(kThatchRoof));
    WriteBitmap(CorrugatedTin(32, 32), at(kOldRoof));
    // A bitmap whose header breaks off after the file header.
    WriteText(at(kDamagedRoof), std::string_view("BM\x36\x0c\x00\x00\x00\x00\x00\x00\x36\x00", 12));
    WriteText(at(kNotes), "Roof textures of the demo installation, drawn for Tegmora.\n");
}

}  // namespace tegmora::demo

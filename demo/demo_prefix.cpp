#include "demo_prefix.h"

#include "roof_textures.h"

#include <QImage>
#include <QString>

#include <stdexcept>

namespace tegmora::demo {
namespace {

namespace fs = std::filesystem;

void WriteBitmap(const QImage& image, const fs::path& path) {
    if (!image.save(QString::fromStdString(path.string()), "BMP"))
        throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

void WriteDemoRoofs(const fs::path& folder) {
    auto at = [&folder](std::string_view name) { return folder / std::string(name); };
    WriteBitmap(ClayTiles(32, 32), at(kFirstRoof));
    WriteBitmap(BlueShingles(32, 32), at(kPalettedRoof));
    WriteBitmap(Slate(64, 64), at(kCapitalRoof));
    WriteBitmap(Thatch(48, 32), at(kThatchRoof));
    WriteBitmap(CorrugatedTin(32, 32), at(kOldRoof));
    // A bitmap whose header breaks off after the file header.
    WriteFile(at(kDamagedRoof), std::string_view("BM\x36\x0c\x00\x00\x00\x00\x00\x00\x36\x00", 12));
    WriteFile(at(kNotes), "Roof textures of the demo installation, drawn for Tegmora.\n");
}

}  // namespace tegmora::demo

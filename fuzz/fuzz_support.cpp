#include "fuzz_support.h"

#include "wine_prefix.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace tegmora::fuzz {
namespace {

// Lives until the process exits, then takes the folder with it.
struct FuzzTree {
    FuzzTree() {
        namespace fs = std::filesystem;
        const fs::path drive = path() / "drive_c";
        demo::MakeWinePrefix(path());
        const fs::path roofs = drive / "Program Files/Maxis/The Sims/GameData/Roofs";
        demo::WriteFile(roofs / "roof1.bmp", "BM");
        demo::WriteFile(roofs / "ROOF2.BMP", "BM");
        fs::create_directories(drive / "program files/Maxis");
        fs::create_directories(drive / "Spiele/\xC3\x9C" "bergr\xC3\xB6\xC3\x9F" "e/Roofs");
        fs::create_directory_symlink("../drive_d", path() / "dosdevices/d:");
        fs::create_directory_symlink("loop", drive / "loop");
        fs::create_directory_symlink("..", drive / "up");
    }
    const std::filesystem::path& path() const { return folder.path(); }

    demo::TemporaryFolder folder;
};

std::string& CheckContext() {
    static std::string context;
    return context;
}

}  // namespace

void SetCheckContext(std::string context) { CheckContext() = std::move(context); }

std::string OtherCase(std::string_view text) {
    std::string swapped(text);
    for (char& c : swapped)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) c ^= 0x20;
    return swapped;
}

void Require(bool holds, std::string_view broken) {
    if (holds) return;
    std::fprintf(stderr, "FINDING: %.*s\n", static_cast<int>(broken.size()), broken.data());
    if (!CheckContext().empty()) std::fprintf(stderr, "while checking %s\n", CheckContext().c_str());
    std::abort();
}

const std::filesystem::path& FuzzPrefix() {
    static const FuzzTree tree;
    return tree.path();
}

}  // namespace tegmora::fuzz

#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>

namespace tegmora::fuzz {
namespace {

std::filesystem::path MakeTemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tegmora-fuzz-XXXXXX").string();
    Require(mkdtemp(pattern.data()) != nullptr, "cannot make a temporary folder");
    return pattern;
}

void MakeFile(const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << "BM";
}

void MakeTree(const std::filesystem::path& prefix) {
    namespace fs = std::filesystem;
    const fs::path drive = prefix / "drive_c";
    const fs::path roofs = drive / "Program Files/Maxis/The Sims/GameData/Roofs";
    MakeFile(roofs / "roof1.bmp");
    MakeFile(roofs / "ROOF2.BMP");
    fs::create_directories(drive / "program files/Maxis");
    fs::create_directories(drive / "Spiele/\xC3\x9C" "bergr\xC3\xB6\xC3\x9F" "e/Roofs");
    fs::create_directories(prefix / "dosdevices");
    fs::create_directory_symlink("../drive_c", prefix / "dosdevices/c:");
    fs::create_directory_symlink("../drive_d", prefix / "dosdevices/d:");
    fs::create_directory_symlink("loop", drive / "loop");
    fs::create_directory_symlink("..", drive / "up");
}

// Lives until the process exits, then takes the folder with it.
class TemporaryPrefix {
public:
    TemporaryPrefix() : path_(MakeTemporaryFolder()) { MakeTree(path_); }
    ~TemporaryPrefix() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryPrefix(const TemporaryPrefix&) = delete;
    TemporaryPrefix& operator=(const TemporaryPrefix&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::string& CheckContext() {
    static std::string context;
    return context;
}

}  // namespace

void SetCheckContext(std::string context) { CheckContext() = std::move(context); }

void Require(bool holds, std::string_view broken) {
    if (holds) return;
    std::fprintf(stderr, "FINDING: %.*s\n", static_cast<int>(broken.size()), broken.data());
    if (!CheckContext().empty()) std::fprintf(stderr, "while checking %s\n", CheckContext().c_str());
    std::abort();
}

const std::filesystem::path& FuzzPrefix() {
    static const TemporaryPrefix prefix;
    return prefix.path();
}

}  // namespace tegmora::fuzz

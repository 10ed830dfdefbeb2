// A fresh temporary folder for one test, removed with all it holds when the
// test ends; helpers build Wine prefix trees in it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace tegmora::gamedir::testing {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tegmora-gamedir-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot make a temporary folder";
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    void MakeFolders(const std::filesystem::path& relative) const {
        std::filesystem::create_directories(path_ / relative);
    }

    void WriteFile(const std::filesystem::path& relative, std::string_view text) const {
        std::filesystem::create_directories((path_ / relative).parent_path());
        std::ofstream(path_ / relative, std::ios::binary) << text;
    }

    void Link(const std::filesystem::path& relative, const std::filesystem::path& target) const {
        std::filesystem::create_directories((path_ / relative).parent_path());
        std::filesystem::create_directory_symlink(target, path_ / relative);
    }

private:
    std::filesystem::path path_;
};

// A prefix laid out as Wine lays it out: dosdevices/c: -> ../drive_c and
// dosdevices/z: -> /.
class TempPrefix : public TempFolder {
public:
    TempPrefix() {
        MakeFolders("drive_c");
        Link("dosdevices/c:", "../drive_c");
        Link("dosdevices/z:", "/");
    }

    void WriteRegistry(std::string_view text) const { WriteFile("system.reg", text); }
};

}  // namespace tegmora::gamedir::testing

// A test with a Wine prefix of its own, its C: drive and its registry.
#pragma once

#include "wine_prefix.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tegmora::gamedir {

namespace fs = std::filesystem;

class WinePrefixTest : public ::testing::Test {
protected:
    WinePrefixTest() { demo::MakeWinePrefix(prefix()); }
    const fs::path& prefix() const { return folder_.path(); }
    fs::path OnC(const std::string& relative) const { return prefix() / "dosdevices/c:" / relative; }
    void Make(const std::string& belowC) const { fs::create_directories(prefix() / "drive_c" / belowC); }
    void Registry(const std::string& body, const char* arch = "win32") const {
        demo::WriteFile(prefix() / "system.reg", demo::RegistryText(body, arch));
    }

private:
    demo::TemporaryFolder folder_;
};

}  // namespace tegmora::gamedir

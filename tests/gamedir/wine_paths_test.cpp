#include "registry.h"
#include "wine_paths.h"
#include "wine_prefix.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace tegmora::gamedir {
namespace {

namespace fs = std::filesystem;

class WinePathsTest : public ::testing::Test {
protected:
    WinePathsTest() { demo::MakeWinePrefix(prefix()); }
    const fs::path& prefix() const { return folder_.path(); }
    fs::path OnC(const std::string& relative) const { return prefix() / "dosdevices/c:" / relative; }
    void Make(const std::string& belowC) const { fs::create_directories(prefix() / "drive_c" / belowC); }
    void Registry(const std::string& body, const char* arch = "win32") const {
        demo::WriteFile(prefix() / "system.reg", demo::RegistryText(body, arch));
    }

private:
    demo::TemporaryFolder folder_;
};

TEST_F(WinePathsTest, MapsWithoutRegardToCasePreferringTheExactSpellingThenTheSmallest) {
    for (const char* folder : {"Program Files/Maxis/The Sims/GameData/Roofs", "x/gamedata", "x/GAMEDATA", "x/GameData2",
                               "\xC3\x89" "dition/\xD0\x96"}) Make(folder);
    const std::pair<const char*, const char*> cases[] = {
        {"c:\\PROGRAM FILES\\maxis\\the sims\\Gamedata\\roofs\\", "Program Files/Maxis/The Sims/GameData/Roofs"},
        {"C:/Program Files\\\\Maxis\\.\\The Sims\\..\\The Sims", "Program Files/Maxis/The Sims"},
        {"C:\\..\\x\\gamedata", "x/gamedata"},
        {"C:\\x\\GameData", "x/GAMEDATA"},
        {"C:\\\xC3\xA9" "DITION\\\xD0\xB6", "\xC3\x89" "dition/\xD0\x96"},
    };
    for (const auto& [windows, local] : cases) EXPECT_EQ(MapWindowsPath(windows, prefix()).path, OnC(local)) << windows;
}

TEST_F(WinePathsTest, SaysWhichPathPrefixAndNameWasNotFound) {
    Make("Games/roof.bmp");
    const std::string drive = OnC("").string();
    const std::pair<std::string, std::string> cases[] = {
        {"D:\\Games", "there is no drive \"d:\" in \"" + (prefix() / "dosdevices").string() + "\""},
        {"C:\\Games\\Missing\\", "\"Missing\" is not in \"" + drive + "Games\""},
        {"\\\\server\\share", "it is not an absolute path on a drive"},
        {"C:\\Games\\a<b", "\"a<b\" holds a character Windows does not allow"},
        {"C:" + std::string(32767, 'x'), "it is longer than Windows allows"},
    };
    for (const auto& [windows, why] : cases) {
        const MappedPath mapped = MapWindowsPath(windows, prefix());
        EXPECT_EQ(mapped.error, "The Windows path \"" + windows.substr(0, 260) + (windows.size() > 260 ? "...\"" : "\"") +
                                    " is not in the Wine prefix \"" + prefix().string() + "\": " + why + ".");
        EXPECT_FALSE(mapped.path) << windows;
    }
}

TEST_F(WinePathsTest, FindsTheGameFromSimsDataThenInstallPathThenTheUsualFolders) {
    for (const char* folder : {"Sims/GameData/Roofs", "EA/The Sims/gamedata/roofs", "Program Files (x86)/Maxis/The Sims/GameData/Roofs"}) {
        Make(folder);
    }
    const std::string key = "[Software\\\\Maxis\\\\The Sims] 1\n", wow = "[Software\\\\Wow6432Node\\\\Maxis\\\\The Sims] 1\n";
    const std::tuple<std::string, const char*, const char*, const char*> cases[] = {  // registry, arch, found where
        {key + "\"SIMS_DATA\"=\"C:\\\\Sims\"\n\"InstallPath\"=\"C:\\\\EA\"\n", "win32", "C:\\Sims\\", "Sims/GameData/Roofs"},
        {wow + "\"SIMS_DATA\"=\"C:\\\\Sims\\\\\"\n" + key + "\"SIMS_DATA\"=\"C:\\\\EA\"\n", "win64", "C:\\Sims\\", "Sims/GameData/Roofs"},
        {key + "\"SIMS_DATA\"=\"C:\\\\Gone\"\n\"InstallPath\"=\"C:\\\\EA\"\n", "win32", "C:\\EA\\The Sims\\", "EA/The Sims/gamedata/roofs"},
        {wow + "\"InstallPath\"=\"C:\\\\Sims\"\n", "win64", "C:\\Sims\\", "Sims/GameData/Roofs"},
        {"", "win32", "C:\\Program Files (x86)\\Maxis\\The Sims\\", "Program Files (x86)/Maxis/The Sims/GameData/Roofs"},
    };
    for (const auto& [body, arch, data, local] : cases) {
        Registry(body, arch);
        const RoofsLookup roofs = FindRoofsFolder(prefix());
        EXPECT_EQ(roofs.dataFolder, data) << body;
        EXPECT_EQ(roofs.local.path, OnC(local)) << roofs.local.error;
    }
}

TEST_F(WinePathsTest, NamesEveryEntryAndFolderTriedWhenTheGameIsMissing) {
    Registry("[Software\\\\Maxis\\\\The Sims] 1\n\"SIMS_DATA\"=\"C:\\\\Gone\"\n\"InstallPath\"=dword:00000001\n", "win64");
    const RoofsLookup roofs = FindRoofsFolder(prefix());
    EXPECT_EQ(roofs.dataFolder, kNotFound);
    EXPECT_EQ(roofs.local.error,
              "The game is not in the Wine prefix \"" + prefix().string() +
                  "\": the value \"InstallPath\" of HKEY_LOCAL_MACHINE\\Software\\Maxis\\The Sims cannot be read: "
                  "there is no key HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Maxis\\The Sims; the value \"InstallPath\" "
                  "of HKEY_LOCAL_MACHINE\\Software\\Maxis\\The Sims has type 4, neither a string (1) nor binary (3); "
                  "\"C:\\Gone\\GameData\\Roofs\\\" from the value \"SIMS_DATA\" of HKEY_LOCAL_MACHINE\\Software\\Maxis\\The "
                  "Sims is missing: \"Gone\" is not in \"" + (prefix() / "dosdevices/c:").string() + "\"; none of the usual install folders "
                  "\"C:\\Program Files\\EA Games\\The Sims Legacy\\\", \"C:\\Program Files (x86)\\Maxis\\The Sims\\\", "
                  "\"C:\\Program Files\\Maxis\\The Sims\\\" holds \"GameData\\Roofs\\\".");
}

}  // namespace
}  // namespace tegmora::gamedir

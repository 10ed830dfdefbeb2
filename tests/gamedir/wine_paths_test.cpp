#include "registry.h"
#include "registry_text.h"
#include "temp_folder.h"
#include "wine_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tegmora::gamedir {
namespace {

using testing::RegistryText;
using testing::TempPrefix;

constexpr const char* kSimsOnDisk = "drive_c/Program Files/Maxis/The Sims";

// A prefix with the game installed below C:\Program Files, its roofs folder
// spelt "GameData\Roofs" on disk.
class InstalledPrefix : public TempPrefix {
public:
    InstalledPrefix() {
        MakeFolders(std::string(kSimsOnDisk) + "/GameData/Roofs");
        WriteFile(std::string(kSimsOnDisk) + "/GameData/Roofs/roof1.bmp", "BM");
    }

    std::filesystem::path OnDrive(const std::string& relative) const {
        const std::filesystem::path drive = path() / "dosdevices/c:";
        return relative.empty() ? drive : drive / relative;
    }
};

TEST(MapWindowsPathTest, FindsFoldersAndFilesWithoutRegardToCase) {
    const InstalledPrefix prefix;
    struct Case {
        const char* windows;
        const char* local;  // below dosdevices/c:
    };
    const Case cases[] = {
        {"C:\\Program Files\\Maxis\\The Sims\\GameData\\Roofs\\", "Program Files/Maxis/The Sims/GameData/Roofs"},
        {"c:\\PROGRAM FILES\\maxis\\the sims\\Gamedata\\roofs\\", "Program Files/Maxis/The Sims/GameData/Roofs"},
        {"C:\\Program Files\\Maxis\\The Sims\\GameData\\Roofs\\ROOF1.BMP",
         "Program Files/Maxis/The Sims/GameData/Roofs/roof1.bmp"},
        {"C:/Program Files/Maxis/", "Program Files/Maxis"},
        {"C:\\Program Files\\\\Maxis\\.\\The Sims\\..\\The Sims", "Program Files/Maxis/The Sims"},
        {"C:\\..\\..\\Program Files", "Program Files"},
        {"C:\\", ""},
    };
    for (const Case& c : cases) {
        const MappedPath mapped = MapWindowsPath(c.windows, prefix.path());
        ASSERT_TRUE(mapped.path) << c.windows << ": " << mapped.error;
        EXPECT_EQ(*mapped.path, prefix.OnDrive(c.local)) << c.windows;
        EXPECT_EQ(mapped.error, "") << c.windows;
    }
}

TEST(MapWindowsPathTest, FollowsTheDriveLinks) {
    const InstalledPrefix prefix;
    std::string windows = "Z:";
    for (const auto& part : prefix.path() / "drive_c") {
        if (part != "/") windows += "\\" + part.string();
    }
    const MappedPath mapped = MapWindowsPath(windows, prefix.path());
    ASSERT_TRUE(mapped.path) << mapped.error;
    EXPECT_TRUE(std::filesystem::equivalent(*mapped.path, prefix.path() / "drive_c"));
}

TEST(MapWindowsPathTest, PrefersTheExactSpellingThenTheSmallestName) {
    const TempPrefix prefix;
    prefix.MakeFolders("drive_c/exact/gamedata");
    prefix.MakeFolders("drive_c/exact/GameData");
    prefix.MakeFolders("drive_c/exact/GAMEDATA");
    prefix.MakeFolders("drive_c/other/gamedata");
    prefix.MakeFolders("drive_c/other/GAMEDATA");
    prefix.MakeFolders("drive_c/other/GameDatum");
    EXPECT_EQ(MapWindowsPath("C:\\exact\\GameData", prefix.path()).path, prefix.path() / "dosdevices/c:/exact/GameData");
    EXPECT_EQ(MapWindowsPath("C:\\other\\GameData", prefix.path()).path, prefix.path() / "dosdevices/c:/other/GAMEDATA");
}

TEST(MapWindowsPathTest, MatchesNonAsciiNamesWithoutRegardToCase) {
    const TempPrefix prefix;
    prefix.MakeFolders("drive_c/\xC3\x89" "dition/\xD0\x96");
    const MappedPath mapped = MapWindowsPath("C:\\\xC3\xA9" "DITION\\\xD0\xB6", prefix.path());
    EXPECT_EQ(mapped.path, prefix.path() / "dosdevices/c:/\xC3\x89" "dition/\xD0\x96");
}

TEST(MapWindowsPathTest, SkipsBrokenLinksWhileScanning) {
    const TempPrefix prefix;
    prefix.MakeFolders("drive_c/games/ROOFS");
    std::filesystem::create_symlink("nowhere", prefix.path() / "drive_c/games/Roofs");
    std::filesystem::create_symlink("nowhere", prefix.path() / "drive_c/games/ROOFs");
    EXPECT_EQ(MapWindowsPath("C:\\games\\roofs", prefix.path()).path, prefix.path() / "dosdevices/c:/games/ROOFS");
}

TEST(MapWindowsPathTest, MapsOnlyAbsoluteDrivePaths) {
    const InstalledPrefix prefix;
    const char* notDrivePaths[] = {
        "", "12\\GameData\\Roofs\\", "C:", "C:Games\\Roofs", "\\\\server\\share\\Roofs", "\\Program Files",
        "1:\\x", "CC:\\x", "Not Found\\GameData\\Roofs\\", "\\\\?\\C:\\Program Files",
    };
    for (const char* windows : notDrivePaths) {
        const MappedPath mapped = MapWindowsPath(windows, prefix.path());
        EXPECT_FALSE(mapped.path) << windows;
        EXPECT_NE(mapped.error.find("is not an absolute path on a drive"), std::string::npos) << mapped.error;
    }
}

TEST(MapWindowsPathTest, SaysWhichPathPrefixAndNameWasNotFound) {
    const InstalledPrefix prefix;
    const std::string drive = (prefix.path() / "dosdevices/c:").string();
    struct Case {
        std::string windows;
        std::string why;
    };
    const Case cases[] = {
        {"D:\\Games", "there is no drive \"d:\" in \"" + (prefix.path() / "dosdevices").string() + "\""},
        {"C:\\Program Files\\Missing\\Roofs\\", "\"Missing\" is not in \"" + drive + "/Program Files\""},
        {"C:\\Program Files\\Maxis\\The Sims\\GameData\\Roofs\\roof1.bmp\\",
         "\"" + drive + "/Program Files/Maxis/The Sims/GameData/Roofs/roof1.bmp\" is not a folder"},
        {"C:\\Program Files\\Maxis\\The Sims\\GameData\\Roofs\\roof1.bmp\\x",
         "\"x\" is not in \"" + drive + "/Program Files/Maxis/The Sims/GameData/Roofs/roof1.bmp\""},
        {"C:\\Program Files\\a<b", "\"a<b\" holds a character Windows does not allow"},
        {std::string("C:\\Program Files\\a\0b", 19), "holds a character Windows does not allow"},
        {"C:\\Program Files\\a:b", "\"a:b\" holds a character Windows does not allow"},
    };
    for (const Case& c : cases) {
        const MappedPath mapped = MapWindowsPath(c.windows, prefix.path());
        EXPECT_FALSE(mapped.path) << c.windows;
        EXPECT_NE(mapped.error.find("Wine prefix \"" + prefix.path().string() + "\""), std::string::npos)
            << mapped.error;
        EXPECT_NE(mapped.error.find(c.why), std::string::npos) << mapped.error;
    }
    EXPECT_NE(MapWindowsPath(cases[1].windows, prefix.path()).error.find("\"" + cases[1].windows + "\""),
              std::string::npos);
}

TEST(MapWindowsPathTest, RefusesPathsLongerThanWindowsAllows) {
    const InstalledPrefix prefix;
    std::string windows = "C:";
    while (windows.size() <= 32767) windows += "\\Program Files";
    const MappedPath mapped = MapWindowsPath(windows, prefix.path());
    EXPECT_FALSE(mapped.path);
    EXPECT_NE(mapped.error.find("longer than Windows allows"), std::string::npos) << mapped.error;
    EXPECT_NE(mapped.error.find("\"" + windows.substr(0, 260) + "...\""), std::string::npos) << mapped.error;
    EXPECT_LT(mapped.error.size(), 1000u);
}

TEST(MapWindowsPathTest, AMissingPrefixMapsNothing) {
    const TempPrefix prefix;
    EXPECT_FALSE(MapWindowsPath("C:\\", prefix.path() / "missing").path);
}

std::string GameEntry(const char* key, const char* data) {
    return "[" + std::string(key) + "] 1600000000\n\"SIMS_DATA\"=\"" + data + "\"\n";
}

TEST(FindRoofsFolderTest, FindsTheRoofsOfAnInstalledGame) {
    struct Case {
        const char* name;
        std::string registry;
        const char* dataFolder;
    };
    const Case cases[] = {
        {"win32, no trailing backslash",
         RegistryText(GameEntry("Software\\\\Maxis\\\\The Sims", "C:\\\\Program Files\\\\Maxis\\\\The Sims")),
         "C:\\Program Files\\Maxis\\The Sims\\"},
        {"win32, trailing backslash",
         RegistryText(GameEntry("Software\\\\Maxis\\\\The Sims", "C:\\\\Program Files\\\\Maxis\\\\The Sims\\\\")),
         "C:\\Program Files\\Maxis\\The Sims\\"},
        {"win64, written by the installer",
         RegistryText("#arch=win64\n" + GameEntry("Software\\\\Wow6432Node\\\\Maxis\\\\The Sims",
                                                  "C:\\\\Program Files\\\\Maxis\\\\The Sims") +
                      GameEntry("Software\\\\Maxis\\\\The Sims", "C:\\\\Elsewhere")),
         "C:\\Program Files\\Maxis\\The Sims\\"},
        {"lower case registry entry",
         RegistryText(GameEntry("software\\\\maxis\\\\the sims", "c:\\\\program files\\\\maxis\\\\the sims")),
         "c:\\program files\\maxis\\the sims\\"},
    };
    for (const Case& c : cases) {
        const InstalledPrefix prefix;
        prefix.WriteRegistry(c.registry);
        const RoofsLookup roofs = FindRoofsFolder(prefix.path());
        EXPECT_EQ(roofs.dataFolder, c.dataFolder) << c.name;
        EXPECT_EQ(roofs.roofsFolder, std::string(c.dataFolder) + "GameData\\Roofs\\") << c.name;
        ASSERT_TRUE(roofs.local.path) << c.name << ": " << roofs.local.error;
        EXPECT_EQ(*roofs.local.path, prefix.OnDrive("Program Files/Maxis/The Sims/GameData/Roofs")) << c.name;
        EXPECT_EQ(roofs.local.error, "") << c.name;
    }
}

TEST(FindRoofsFolderTest, FindsAGamedataFolderSpeltAsSaveSpellsIt) {
    const TempPrefix prefix;
    prefix.MakeFolders("drive_c/Sims/Gamedata/roofs");
    prefix.WriteRegistry(RegistryText(GameEntry("Software\\\\Maxis\\\\The Sims", "C:\\\\Sims")));
    EXPECT_EQ(FindRoofsFolder(prefix.path()).local.path, prefix.path() / "dosdevices/c:/Sims/Gamedata/roofs");
}

TEST(FindRoofsFolderTest, NamesTheKeyThePrefixAndWhatWasMissing) {
    struct Case {
        const char* name;
        std::string registry;
        const char* dataFolder;
        std::vector<std::string> mentions;
    };
    const Case cases[] = {
        {"no value", RegistryText("[Software\\\\Maxis\\\\The Sims] 1\n"), "Not Found",
         {"has no value \"SIMS_DATA\""}},
        {"folder not on disk", RegistryText(GameEntry("Software\\\\Maxis\\\\The Sims", "C:\\\\Games\\\\Sims")),
         "C:\\Games\\Sims\\",
         {"\"C:\\Games\\Sims\\GameData\\Roofs\\\"", "\"Games\" is not in"}},
        {"binary value", RegistryText("[Software\\\\Maxis\\\\The Sims] 1\n\"SIMS_DATA\"=hex:0c,00\n"), "12\\",
         {"\"12\\GameData\\Roofs\\\"", "is not an absolute path on a drive"}},
    };
    for (const Case& c : cases) {
        const InstalledPrefix prefix;
        prefix.WriteRegistry(c.registry);
        const RoofsLookup roofs = FindRoofsFolder(prefix.path());
        EXPECT_EQ(roofs.dataFolder, c.dataFolder) << c.name;
        EXPECT_FALSE(roofs.local.path) << c.name;
        const std::string& error = roofs.local.error;
        EXPECT_NE(error.find("the value \"SIMS_DATA\" of HKEY_LOCAL_MACHINE\\Software\\Maxis\\The Sims"),
                  std::string::npos)
            << error;
        EXPECT_NE(error.find("Wine prefix \"" + prefix.path().string() + "\""), std::string::npos) << error;
        for (const std::string& mention : c.mentions) {
            EXPECT_NE(error.find(mention), std::string::npos) << c.name << ": " << error;
        }
    }
}

TEST(FindRoofsFolderTest, LeavesTheRoofsFolderEmptyWhenNothingIsRegistered) {
    const TempPrefix prefix;
    const RoofsLookup roofs = FindRoofsFolder(prefix.path());
    EXPECT_EQ(roofs.dataFolder, kNotFound);
    EXPECT_EQ(roofs.roofsFolder, "");
    EXPECT_FALSE(roofs.local.path);
    EXPECT_NE(roofs.local.error.find("system.reg\" does not exist"), std::string::npos) << roofs.local.error;
}

}  // namespace
}  // namespace tegmora::gamedir

#include "game_in_prefix.h"
#include "wine_prefix_fixture.h"

#include <string>
#include <tuple>

namespace tegmora::gamedir {
namespace {

TEST_F(WinePrefixTest, FindsTheGameFromSimsDataThenInstallPathThenTheUsualFolders) {
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
        const GameLookup lookup = FindGameInPrefix(prefix());
        ASSERT_TRUE(lookup.game) << lookup.whyNotFound;
        EXPECT_EQ(lookup.game->dataFolder, data) << body;
        EXPECT_EQ(lookup.game->roofs, OnC(local)) << body;
    }
}

TEST_F(WinePrefixTest, NamesEveryEntryAndFolderTriedWhenTheGameIsMissing) {
    Registry("[Software\\\\Maxis\\\\The Sims] 1\n\"SIMS_DATA\"=\"C:\\\\Gone\"\n\"InstallPath\"=dword:00000001\n", "win64");
    const GameLookup lookup = FindGameInPrefix(prefix());
    EXPECT_FALSE(lookup.game);
    for (const std::string& fact : {prefix().string(), std::string("\"InstallPath\""), std::string("has type 4"),
                                    std::string("Wow6432Node"), std::string("\"C:\\Gone\\GameData\\Roofs\\\" from"),
                                    "\"Gone\" is not in \"" + (prefix() / "dosdevices/c:").string(), std::string("Legacy"),
                                    std::string("C:\\Program Files (x86)\\Maxis\\The Sims\\")})
        EXPECT_NE(lookup.whyNotFound.find(fact), std::string::npos) << fact << " in " << lookup.whyNotFound;
}

}  // namespace
}  // namespace tegmora::gamedir

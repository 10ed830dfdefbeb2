#include "discovery.h"
#include "wine_prefix.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace tegmora::gamedir {
namespace {

namespace fs = std::filesystem;
using demo::WriteFile;

// A home of its own for every test, without WINEPREFIX.
class DiscoveryTest : public ::testing::Test {
protected:
    DiscoveryTest() {
        setenv("HOME", h.c_str(), 1);
        unsetenv("WINEPREFIX");
    }
    // A prefix whose win64 registry holds `body`, with roofs at drive_c/<game> when given.
    fs::path Prefix(const std::string& relative, const std::string& body, const char* game = nullptr) const {
        demo::MakeWinePrefix(h / relative);
        WriteFile(h / relative / "system.reg", demo::RegistryText(body, "win64"));
        if (game) fs::create_directories(h / relative / "drive_c" / game / "GameData/Roofs");
        return h / relative;
    }
    // The roofs folder found in a prefix with the game installed, and where.
    std::string Game(const std::string& relative, const std::string& where) const {
        demo::MakeGamePrefix(h / relative);
        return (h / relative).string() + "/dosdevices/c:/Program Files/Maxis/The Sims/GameData/Roofs\t" + where;
    }
    static std::vector<std::string> Found(const Search& search) {
        std::vector<std::string> found;
        for (const Installation& game : search.found) found.push_back(game.roofs.string() + "\t" + game.where);
        return found;
    }
    static void ExpectNotes(const Search& search, std::initializer_list<const char*> notes) {
        const std::string all = DescribeNotes(search);
        for (const char* note : notes) EXPECT_NE(all.find(note), std::string::npos) << note << " in " << all;
    }

    demo::TemporaryFolder home;
    const fs::path& h = home.path();
};

TEST_F(DiscoveryTest, FindsEveryLauncherInOrderPastDamagedFiles) {
    std::vector<std::string> expected = {Game(".wine", "Wine prefix ~/.wine")};
    const fs::path steam = h / ".local/share/Steam", games = h / "media/games", old = h / "media/old";
    fs::create_directories(h / ".steam");
    fs::create_directory_symlink(steam, h / ".steam/steam");
    WriteFile(steam / "steamapps/libraryfolders.vdf", "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + steam.string() +
                  "\"\n\t}\n\t\"1\" { \"PATH\" \"" + games.string() + "\" } \"2\" { \"path\" \"/unmounted\" }\n}\n");
    WriteFile(steam / "steamapps/appmanifest_3314060.acf", "\"AppState\" { \"installdir\" ");
    WriteFile(games / "steamapps/appmanifest_3314060.acf", "\"AppState\"\n{\n\t\"installdir\"\t\t\"Sims LC\"\n}\n");
    fs::create_directories(games / "steamapps/common/Sims LC/gamedata/ROOFS");
    expected.push_back(games.string() + "/steamapps/common/Sims LC/gamedata/ROOFS\tSteam library ~/media/games: The Sims Legacy Collection");
    Prefix("media/games/steamapps/compatdata/400/pfx", "", "Program Files/Maxis/The Sims");
    Prefix("media/games/steamapps/compatdata/2147483650/pfx",
           "[Software\\\\Wow6432Node\\\\Maxis\\\\The Sims] 1\n\"InstallPath\"=\"C:\\\\Sims\"\n", "Sims/The Sims");
    expected.push_back(games.string() + "/steamapps/compatdata/2147483650/pfx/dosdevices/c:/Sims/The Sims/GameData/Roofs\tSteam library "
                                        "~/media/games: non-Steam game 2147483650 (Proton prefix ~/media/games/steamapps/compatdata/2147483650/pfx)");
    WriteFile(h / ".var/app/com.valvesoftware.Steam/data/Steam/steamapps/libraryfolders.vdf",
              "// old\n\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\"1\"\n\t\"1\"\t\"" + old.string() + "\"\n}\n");
    WriteFile(old / "steamapps/appmanifest_3314060.acf", "\"AppState\" { \"installdir\" \"The Sims\" }");
    fs::create_directories(old / "steamapps/common/The Sims/GameData/Roofs");
    expected.push_back(old.string() + "/steamapps/common/The Sims/GameData/Roofs\tSteam library ~/media/old: The Sims Legacy Collection");
    expected.push_back(Game("Games/the-sims", "Lutris game the-sims (prefix ~/Games/the-sims)"));
    WriteFile(h / ".config/lutris/games/the-sims-1700000000.yml", "game:\n  exe: Sims.exe\n  prefix: " + (h / "Games/the-sims").string());
    WriteFile(h / ".config/lutris/games/broken.yml", "game: [prefix: \"\n");
    fs::create_directories(h / ".config/lutris/games/folder.yml");
    expected.push_back(Game(".local/share/bottles/bottles/Sims", "Bottles bottle Sims (~/.local/share/bottles/bottles/Sims)"));
    expected.push_back(Game("Games/Heroic/Prefixes/default/Sims", "Heroic game a1 (prefix ~/Games/Heroic/Prefixes/default/Sims)"));
    WriteFile(h / ".config/heroic/GamesConfig/a1.json", R"({"a1": {"winePrefix": "~/Games/Heroic/Prefixes/default/Sims", "x": {"y": 1}}})");
    WriteFile(h / ".config/heroic/GamesConfig/bad.json", "{\"a2\": {\"winePrefix\": ");
    expected.push_back(Game(".PlayOnLinux/wineprefix/Sims", "PlayOnLinux prefix Sims (~/.PlayOnLinux/wineprefix/Sims)"));
    fs::create_directories(h / ".Phoenicis/containers/wineprefix");
    fs::create_directory_symlink("loop", h / ".Phoenicis/containers/wineprefix/loop");

    const Search search = SearchEverywhere(h);
    EXPECT_EQ(Found(search), expected);
    ExpectNotes(search, {"Steam library ~/.local/share/Steam: The Sims Legacy Collection is not installed",
                         "Steam library /unmounted: not there (listed in ~/.local/share/Steam/steamapps/libraryfolders.vdf; is its disk mounted?)",
                         "Lutris ~/.config/lutris/games/broken.yml: names no Wine prefix",
                         "Lutris ~/.config/lutris/games/folder.yml: \"/", "lutris/games/folder.yml\" is not a regular file",
                         "Heroic ~/.config/heroic/GamesConfig/bad.json: names no Wine prefix"});
    // Steam and Lutris have folders missing, but they are installed.
    EXPECT_EQ(DescribeNotes(search).find(": not installed"), std::string::npos) << DescribeNotes(search);
}

TEST_F(DiscoveryTest, SaysWhereItSearchedWhenNothingIsFound) {
    Prefix(".wine", "[Software\\\\Maxis] 1\n");
    const Search search = SearchEverywhere(h);
    EXPECT_TRUE(search.found.empty());
    ExpectNotes(search, {"Searched:\n  - Wine prefix ~/.wine: The game is not in the Wine prefix",
                         "there is no key HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Maxis\\The Sims",
                         "\n  - Steam: not installed (no ~/.local/share/Steam, ~/.steam/steam, ~/.steam/root, ",
                         "\n  - Lutris: not installed (no ~/.config/lutris/games, ", "\n  - Phoenicis: not installed"});
    EXPECT_EQ(DescribeNotes(SearchEverywhere({})), "Searched:\n  - HOME: not set, so no launcher's places could be searched");
}

}  // namespace
}  // namespace tegmora::gamedir

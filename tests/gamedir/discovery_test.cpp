#include "discovery.h"
#include "wine_prefix.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace tegmora::gamedir {
namespace {

namespace fs = std::filesystem;
using demo::WriteFile;

// Sets an environment variable (null: unsets it) for one test.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnvironment() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class DiscoveryTest : public ::testing::Test {
protected:
    // A prefix below the home folder whose registry holds `body`; with the
    // game's roofs at drive_c/<game> when `game` is given.
    fs::path Prefix(const std::string& relative, const std::string& body, const char* game = nullptr) {
        const fs::path prefix = home() / relative;
        demo::MakeWinePrefix(prefix);
        WriteFile(prefix / "system.reg", demo::RegistryText(body, "win64"));
        if (game) fs::create_directories(prefix / "drive_c" / game / "GameData/Roofs");
        return prefix;
    }
    fs::path GamePrefix(const std::string& relative) {
        demo::MakeGamePrefix(home() / relative);
        return home() / relative;
    }
    std::vector<std::string> Found(const Search& search) {
        std::vector<std::string> found;
        for (const Installation& game : search.found) found.push_back(game.roofs.string() + "\t" + game.where);
        return found;
    }
    const fs::path& home() const { return home_.path(); }

    demo::TemporaryFolder home_;
};

TEST_F(DiscoveryTest, FindsEveryLauncherInOrderAndSkipsDamagedFiles) {
    const fs::path h = home();
    GamePrefix(".wine");
    const fs::path steam = h / ".local/share/Steam", games = h / "media/games", old = h / "media/old";
    fs::create_directories(h / ".steam");
    fs::create_directory_symlink(steam, h / ".steam/steam");
    WriteFile(steam / "steamapps/libraryfolders.vdf",
              "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + steam.string() +
                  "\"\n\t}\n\t\"1\" { \"PATH\" \"" + games.string() + "\" \"apps\" { \"3314060\" \"1\" } }\n"
                  "\t\"2\" { \"path\" \"" + (h / "unmounted").string() + "\" }\n}\n");
    WriteFile(steam / "steamapps/appmanifest_3314060.acf", "\"AppState\" { \"installdir\" ");
    WriteFile(games / "steamapps/appmanifest_3314060.acf", "\"AppState\"\n{\n\t\"installdir\"\t\t\"Sims LC\"\n}\n");
    fs::create_directories(games / "steamapps/common/Sims LC/gamedata/ROOFS");
    Prefix("media/games/steamapps/compatdata/400/pfx", "", "Program Files/Maxis/The Sims");
    Prefix("media/games/steamapps/compatdata/2147483650/pfx",
           "[Software\\\\Wow6432Node\\\\Maxis\\\\The Sims] 1\n\"InstallPath\"=\"C:\\\\Sims\"\n", "Sims/The Sims");
    const fs::path flatpak = h / ".var/app/com.valvesoftware.Steam/data/Steam";
    WriteFile(flatpak / "steamapps/libraryfolders.vdf",
              "// old\n\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\"1\"\n\t\"1\"\t\"" + old.string() + "\"\n}\n");
    WriteFile(old / "steamapps/appmanifest_3314060.acf", "\"AppState\" { \"installdir\" \"The Sims\" }");
    fs::create_directories(old / "steamapps/common/The Sims/GameData/Roofs");
    const fs::path lutris = GamePrefix("Games/the-sims");
    WriteFile(h / ".config/lutris/games/the-sims-1700000000.yml", "game:\n  exe: Sims.exe\n  prefix: " + lutris.string() + "\n");
    WriteFile(h / ".config/lutris/games/broken.yml", "game: [prefix: \"\n");
    GamePrefix(".local/share/bottles/bottles/Sims");
    const fs::path heroic = GamePrefix("Games/Heroic/Prefixes/default/Sims Legacy");
    WriteFile(h / ".config/heroic/GamesConfig/a1.json",
              "{\"a1\": {\"winePrefix\": \"~/Games/Heroic/Prefixes/default/Sims Legacy\", \"wineVersion\": {\"bin\": \"/x\"}}}");
    WriteFile(h / ".config/heroic/GamesConfig/bad.json", "{\"a2\": {\"winePrefix\": ");
    GamePrefix(".PlayOnLinux/wineprefix/Sims");
    fs::create_directories(h / ".Phoenicis/containers/wineprefix");
    fs::create_directory_symlink("loop", h / ".Phoenicis/containers/wineprefix/loop");

    const Search search = SearchEverywhere(h);
    const std::string sims = "/dosdevices/c:/Program Files/Maxis/The Sims/GameData/Roofs\t";
    EXPECT_EQ(Found(search),
              (std::vector<std::string>{
                  (h / ".wine").string() + sims + "Wine prefix ~/.wine",
                  games.string() + "/steamapps/common/Sims LC/gamedata/ROOFS\tSteam library ~/media/games: The Sims Legacy Collection",
                  games.string() + "/steamapps/compatdata/2147483650/pfx/dosdevices/c:/Sims/The Sims/GameData/Roofs\t"
                                   "Steam library ~/media/games: non-Steam game 2147483650 (Proton prefix "
                                   "~/media/games/steamapps/compatdata/2147483650/pfx)",
                  old.string() + "/steamapps/common/The Sims/GameData/Roofs\tSteam library ~/media/old: The Sims Legacy Collection",
                  lutris.string() + "/dosdevices/c:/Program Files/Maxis/The Sims/GameData/Roofs\tLutris game the-sims (prefix ~/Games/the-sims)",
                  (h / ".local/share/bottles/bottles/Sims").string() + sims + "Bottles bottle Sims (~/.local/share/bottles/bottles/Sims)",
                  heroic.string() + sims + "Heroic game a1 (prefix ~/Games/Heroic/Prefixes/default/Sims Legacy)",
                  (h / ".PlayOnLinux/wineprefix/Sims").string() + sims + "PlayOnLinux prefix Sims (~/.PlayOnLinux/wineprefix/Sims)",
              }));
    const std::string notes = DescribeNotes(search);
    for (const char* note : {"Steam library ~/.local/share/Steam: The Sims Legacy Collection is not installed",
                             "/unmounted: not there (listed in ~/.local/share/Steam/steamapps/libraryfolders.vdf; is its disk mounted?)",
                             "Lutris ~/.config/lutris/games/broken.yml: names no Wine prefix",
                             "Heroic ~/.config/heroic/GamesConfig/bad.json: names no Wine prefix"}) {
        EXPECT_NE(notes.find(note), std::string::npos) << note << " in " << notes;
    }
}

TEST_F(DiscoveryTest, SaysWhereItSearchedWhenNothingIsFound) {
    Prefix(".wine", "[Software\\\\Maxis] 1\n");
    const Search search = SearchEverywhere(home());
    EXPECT_TRUE(search.found.empty());
    const std::string notes = DescribeNotes(search);
    for (const char* note : {"Searched:\n  - Wine prefix ~/.wine: The game is not in the Wine prefix",
                             "there is no key HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Maxis\\The Sims",
                             "\n  - Steam: not installed (no ~/.local/share/Steam, ~/.steam/steam, ~/.steam/root, ",
                             "\n  - Lutris: not installed (no ~/.config/lutris/games, ", "\n  - Bottles: not installed",
                             "\n  - Heroic: not installed", "\n  - PlayOnLinux: not installed", "\n  - Phoenicis: not installed"}) {
        EXPECT_NE(notes.find(note), std::string::npos) << note << " in " << notes;
    }
    const ScopedEnvironment noHome("HOME", nullptr);
    EXPECT_EQ(DescribeNotes(SearchEverywhere(HomeFolder())), "Searched:\n  - HOME: not set, so no launcher's places could be searched");
}

TEST_F(DiscoveryTest, WineprefixIsTheOnlyPlaceSearchedWhenSet) {
    const fs::path game = GamePrefix(".wine");
    const fs::path empty = Prefix("empty", "");
    const ScopedEnvironment homeSet("HOME", home().c_str());
    {
        const ScopedEnvironment prefix("WINEPREFIX", empty.c_str());
        const Search search = SearchFromEnvironment();
        EXPECT_TRUE(search.found.empty());
        EXPECT_NE(DescribeNotes(search).find("WINEPREFIX is set, so no other place was searched: unset it"), std::string::npos);
    }
    const ScopedEnvironment prefix("WINEPREFIX", "");
    ASSERT_EQ(SearchFromEnvironment().found.size(), 1u);
    EXPECT_EQ(SearchFromEnvironment().found[0].where, "Wine prefix ~/.wine");
}

TEST_F(DiscoveryTest, ANamedFolderGivesTheRoofsFolderBelowIt) {
    fs::create_directories(home() / "Sims/gamedata/roofs");
    fs::create_directories(home() / "Other");
    EXPECT_EQ(RoofsFolderOfNamed(home() / "Sims"), home() / "Sims/gamedata/roofs");
    EXPECT_EQ(RoofsFolderOfNamed(home() / "Sims/gamedata"), home() / "Sims/gamedata/roofs");
    EXPECT_EQ(RoofsFolderOfNamed(home() / "Other"), home() / "Other");
    EXPECT_EQ(RoofsFolderOfNamed(home() / "Missing"), std::nullopt);
    EXPECT_TRUE(HoldsRoofs(home() / "Sims/gamedata/roofs"));
    EXPECT_FALSE(HoldsRoofs(home() / "Other"));
    WriteFile(home() / "Other/tile.BMP", "BM");
    EXPECT_TRUE(HoldsRoofs(home() / "Other"));
}

}  // namespace
}  // namespace tegmora::gamedir

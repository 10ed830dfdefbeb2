#include "wine_paths.h"
#include "wine_prefix_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace tegmora::gamedir {
namespace {

TEST_F(WinePrefixTest, MapsWithoutRegardToCasePreferringTheExactSpellingThenTheSmallest) {
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

TEST_F(WinePrefixTest, SaysWhichPathPrefixAndNameWasNotFound) {
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

}  // namespace
}  // namespace tegmora::gamedir

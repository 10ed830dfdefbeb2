#include "registry.h"
#include "registry_text.h"
#include "temp_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace tegmora::gamedir {
namespace {

using testing::ParsedRegistry;
using testing::RegistryText;
using testing::TempFolder;
using testing::TempPrefix;

std::string GameKeyWith(std::string_view valueLine) {
    return RegistryText("[Software\\\\Maxis\\\\The Sims] 1600000000\n" + std::string(valueLine) + "\n");
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(QueryRegistryValueTest, ReadsStringsAndSixteenBitBinaries) {
    struct Case {
        const char* line;
        const char* text;
    };
    const Case cases[] = {
        {R"("SIMS_DATA"="C:\\Program Files\\Maxis\\The Sims")", "C:\\Program Files\\Maxis\\The Sims"},
        {R"("SIMS_DATA"=str:"C:\\Games")", "C:\\Games"},
        {R"("SIMS_DATA"="C:\\a\0tail")", "C:\\a"},
        {R"("SIMS_DATA"="\0")", ""},
        {R"("SIMS_DATA"="")", ""},
        {R"("SIMS_DATA"="C:\\\x00c9dition")", "C:\\\xC3\x89" "dition"},
        {R"("SIMS_DATA"="\xd83d\xde00!")", "\xF0\x9F\x98\x80!"},
        {R"("SIMS_DATA"="\xd83d!")", "\xEF\xBF\xBD!"},
        {R"("SIMS_DATA"=hex(1):43,00,3a,00,5c,00)", "C:\\"},
        {R"("SIMS_DATA"=hex(1):43,00,3a)", "C"},
        {R"("SIMS_DATA"=hex(1):)", ""},
        {R"("SIMS_DATA"=hex(1):41,00,00,00,42,00)", "A"},
        {R"("SIMS_DATA"=hex:)", "0"},
        {R"("SIMS_DATA"=hex:07)", "7"},
        {R"("SIMS_DATA"=hex:ff)", "255"},
        {R"("SIMS_DATA"=hex:34,12)", "4660"},
        {R"("SIMS_DATA"=hex:ff,ff)", "-1"},
        {R"("SIMS_DATA"=hex:00,80)", "-32768"},
        {R"("SIMS_DATA"=hex(3):ff,7f)", "32767"},
        {R"("SIMS_DATA"=hex:01,00,ff,ff,ff)", "1"},
        {R"("SIMS_DATA"=str(2):"C:\\Games")", ""},
        {R"("SIMS_DATA"=hex(2):43,00,00,00)", ""},
        {R"("SIMS_DATA"=str(7):"C:\\Games\0")", ""},
        {R"("SIMS_DATA"=dword:00000001)", ""},
        {R"("SIMS_DATA"=hex(0):01)", ""},
        {R"("SIMS_DATA"=hex(b):01,00,00,00,00,00,00,00)", ""},
        {R"("OTHER"="C:\\Games")", ""},
    };
    for (const Case& c : cases) {
        const std::optional<RegistryKey> key = RegistryFile::Parse(GameKeyWith(c.line))->OpenKey(kGameKey);
        ASSERT_TRUE(key) << c.line;
        EXPECT_EQ(QueryRegistryValue(&*key, kDataFolderValue), c.text) << c.line;
    }
}

TEST(QueryRegistryValueTest, AKeyThatFailedToOpenGivesTheEmptyText) {
    EXPECT_EQ(QueryRegistryValue(nullptr, kDataFolderValue), "");
}

TEST(KeyPathsFor32BitProgramTest, RedirectsSoftwareInWin64Prefixes) {
    struct Case {
        PrefixArch arch;
        const char* path;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {PrefixArch::Win64, "Software\\Maxis\\The Sims",
         {"Software\\Wow6432Node\\Maxis\\The Sims", "Software\\Maxis\\The Sims"}},
        {PrefixArch::Win64, "software\\x", {"software\\Wow6432Node\\x", "software\\x"}},
        {PrefixArch::Win64, "Software", {"Software\\Wow6432Node", "Software"}},
        {PrefixArch::Win64, "Software\\wow6432node\\x", {"Software\\wow6432node\\x"}},
        {PrefixArch::Win64, "System\\Software", {"System\\Software"}},
        {PrefixArch::Win64, "SoftwareX\\y", {"SoftwareX\\y"}},
        {PrefixArch::Win32, "Software\\Maxis\\The Sims", {"Software\\Maxis\\The Sims"}},
    };
    for (const Case& c : cases) EXPECT_EQ(KeyPathsFor32BitProgram(c.arch, c.path), c.expected) << c.path;
}

TEST(GetRegistryStringTest, PrefersTheWow6432NodeKeyInWin64Prefixes) {
    struct Case {
        const char* name;
        const char* body;
        const char* expected;
    };
    const char* both =
        "[Software\\\\Wow6432Node\\\\Maxis\\\\The Sims] 1\n\"SIMS_DATA\"=\"C:\\\\32\"\n"
        "[Software\\\\Maxis\\\\The Sims] 1\n\"SIMS_DATA\"=\"C:\\\\64\"\n";
    const Case cases[] = {
        {"win64, both keys", "#arch=win64\n", "C:\\32"},
        {"win32, both keys", "#arch=win32\n", "C:\\64"},
        {"no arch line, both keys", "", "C:\\64"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetRegistryString(ParsedRegistry(std::string(c.body) + both), kGameKey, kDataFolderValue),
                  c.expected)
            << c.name;
    }
}

TEST(GetRegistryStringTest, FallsBackToTheKeyItselfWhenTheRedirectedOneGivesNothing) {
    struct Case {
        const char* name;
        const char* wow;
        const char* expected;
    };
    const Case cases[] = {
        {"no redirected key", "", "C:\\64"},
        {"redirected key without the value", "[Software\\\\Wow6432Node\\\\Maxis\\\\The Sims] 1\n\"X\"=\"1\"\n",
         "C:\\64"},
        {"redirected value of another type",
         "[Software\\\\Wow6432Node\\\\Maxis\\\\The Sims] 1\n\"SIMS_DATA\"=str(2):\"C:\\\\32\"\n", "C:\\64"},
        {"redirected value empty", "[Software\\\\Wow6432Node\\\\Maxis\\\\The Sims] 1\n\"SIMS_DATA\"=\"\"\n",
         "C:\\64"},
        {"redirected binary", "[Software\\\\Wow6432Node\\\\Maxis\\\\The Sims] 1\n\"SIMS_DATA\"=hex:05\n", "5"},
    };
    for (const Case& c : cases) {
        const RegistryFile file = ParsedRegistry(std::string("#arch=win64\n") + c.wow +
                                                 "[Software\\\\Maxis\\\\The Sims] 1\n\"SIMS_DATA\"=\"C:\\\\64\"\n");
        EXPECT_EQ(GetRegistryString(file, kGameKey, kDataFolderValue), c.expected) << c.name;
    }
}

TEST(GetRegistryStringTest, AMissingKeyOrValueGivesTheEmptyText) {
    const RegistryFile file = ParsedRegistry("#arch=win64\n[Software\\\\Maxis\\\\The Sims 2] 1\n\"SIMS_DATA\"=\"x\"\n");
    EXPECT_EQ(GetRegistryString(file, kGameKey, kDataFolderValue), "");
    EXPECT_EQ(GetRegistryString(file, "Software\\Maxis\\The Sims 2", "OTHER"), "");
    EXPECT_EQ(GetRegistryString(file, "Software\\Maxis\\The Sims 2", kDataFolderValue), "x");
}

TEST(GetGameDataFolderTest, EndsTheFolderInOneBackslash) {
    struct Case {
        const char* line;
        const char* folder;
    };
    const Case cases[] = {
        {R"("SIMS_DATA"="C:\\Program Files\\Maxis\\The Sims")", "C:\\Program Files\\Maxis\\The Sims\\"},
        {R"("SIMS_DATA"="C:\\Program Files\\Maxis\\The Sims\\")", "C:\\Program Files\\Maxis\\The Sims\\"},
        {R"("SIMS_DATA"="C:\\Games\\\\")", "C:\\Games\\\\"},
        {R"("SIMS_DATA"="C:\\Sims\0D:\\Other")", "C:\\Sims\\"},
        {R"("SIMS_DATA"=hex:0c,00)", "12\\"},
        {R"("SIMS_DATA"="Not Found")", "Not Found\\"},
        {R"("SIMS_DATA"="")", "Not Found"},
        {R"("SIMS_DATA"=str(2):"C:\\Program Files\\Maxis\\The Sims")", "Not Found"},
        {R"("SIMS_DATA"=dword:00000001)", "Not Found"},
        {R"("sims_data"="C:\\Lower")", "C:\\Lower\\"},
    };
    for (const Case& c : cases) {
        const TempPrefix prefix;
        prefix.WriteRegistry(GameKeyWith(c.line));
        EXPECT_EQ(GetGameDataFolder(prefix.path()), c.folder) << c.line;
    }
}

TEST(GetGameDataFolderTest, AnUnusableRegistryFileCountsAsNotFound) {
    struct Case {
        const char* name;
        std::string text;
    };
    const std::string good = GameKeyWith(R"("SIMS_DATA"="C:\\Games")");
    const Case cases[] = {
        {"empty", ""},
        {"wrong header", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Maxis\\The Sims]\n\"SIMS_DATA\"=\"C:\\\\x\"\n"},
        {"binary noise", std::string("\x00\xff\xfe\x01\n[\\", 7)},
        {"truncated in the value", good.substr(0, good.size() - 4)},
        {"truncated in the header", good.substr(0, 10)},
        {"no such key", RegistryText("[Software\\\\Maxis] 1\n\"SIMS_DATA\"=\"C:\\\\x\"\n")},
    };
    for (const Case& c : cases) {
        const TempPrefix prefix;
        prefix.WriteRegistry(c.text);
        EXPECT_EQ(GetGameDataFolder(prefix.path()), kNotFound) << c.name;
    }
}

TEST(GetGameDataFolderTest, AMissingOrSpecialRegistryFileCountsAsNotFound) {
    const TempPrefix missing;
    EXPECT_EQ(GetGameDataFolder(missing.path()), kNotFound);
    EXPECT_EQ(GetGameDataFolder(missing.path() / "no such prefix"), kNotFound);

    const TempPrefix folder;
    folder.MakeFolders("system.reg");
    EXPECT_EQ(GetGameDataFolder(folder.path()), kNotFound);

    const TempPrefix fifo;
    ASSERT_EQ(mkfifo((fifo.path() / "system.reg").c_str(), 0600), 0);
    EXPECT_EQ(GetGameDataFolder(fifo.path()), kNotFound);

    const TempPrefix device;
    std::filesystem::create_symlink("/dev/zero", device.path() / "system.reg");
    EXPECT_EQ(GetGameDataFolder(device.path()), kNotFound);
}

TEST(LoadMachineRegistryTest, RefusesFilesAboveTheLimit) {
    const TempPrefix prefix;
    const std::string text = GameKeyWith(R"("SIMS_DATA"="C:\\Games")");
    prefix.WriteRegistry(text);
    EXPECT_TRUE(LoadMachineRegistry(prefix.path(), text.size()).file);
    const LoadedRegistry refused = LoadMachineRegistry(prefix.path(), text.size() - 1);
    EXPECT_FALSE(refused.file);
    EXPECT_NE(refused.problem.find("system.reg\" is larger than"), std::string::npos) << refused.problem;
}

TEST(LookUpGameDataFolderTest, SaysWhatWasMissing) {
    struct Case {
        const char* name;
        std::optional<std::string> text;  // null: no system.reg at all
        std::vector<std::string> mentions;
    };
    const Case cases[] = {
        {"no file", std::nullopt, {"system.reg\" does not exist"}},
        {"not a registry file", "hello\n", {"is not a Wine registry file", "WINE REGISTRY Version 2"}},
        {"no key", RegistryText("[Software] 1\n"), {"there is no key HKEY_LOCAL_MACHINE\\Software\\Maxis\\The Sims"}},
        {"no value",
         GameKeyWith("\"Other\"=\"x\""),
         {"HKEY_LOCAL_MACHINE\\Software\\Maxis\\The Sims has no value \"SIMS_DATA\""}},
        {"wrong type", GameKeyWith("\"SIMS_DATA\"=str(2):\"C:\\\\x\""), {"has type 2, neither a string (1) nor binary (3)"}},
        {"empty", GameKeyWith("\"SIMS_DATA\"=\"\""), {"\"SIMS_DATA\" of HKEY_LOCAL_MACHINE\\Software\\Maxis\\The Sims is empty"}},
        {"win64, neither key",
         RegistryText("#arch=win64\n[Software] 1\n"),
         {"there is no key HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Maxis\\The Sims; there is no key "
          "HKEY_LOCAL_MACHINE\\Software\\Maxis\\The Sims"}},
    };
    for (const Case& c : cases) {
        const TempPrefix prefix;
        if (c.text) prefix.WriteRegistry(*c.text);
        const DataFolderLookup lookup = LookUpGameDataFolder(prefix.path());
        EXPECT_EQ(lookup.folder, kNotFound) << c.name;
        EXPECT_NE(lookup.missing.find("the value \"SIMS_DATA\" of HKEY_LOCAL_MACHINE\\Software\\Maxis\\The Sims"),
                  std::string::npos)
            << lookup.missing;
        EXPECT_NE(lookup.missing.find("Wine prefix \"" + prefix.path().string() + "\""), std::string::npos)
            << lookup.missing;
        for (const std::string& mention : c.mentions) {
            EXPECT_NE(lookup.missing.find(mention), std::string::npos) << c.name << ": " << lookup.missing;
        }
    }
}

TEST(LookUpGameDataFolderTest, SaysNothingWhenFound) {
    const TempPrefix prefix;
    prefix.WriteRegistry(GameKeyWith(R"("SIMS_DATA"="C:\\Games")"));
    const DataFolderLookup lookup = LookUpGameDataFolder(prefix.path());
    EXPECT_EQ(lookup.folder, "C:\\Games\\");
    EXPECT_EQ(lookup.missing, "");
}

TEST(WinePrefixTest, ComesFromWineprefixOrTheHomeFolder) {
    const TempFolder folder;
    const std::filesystem::path homePath = folder.path() / "player";
    const std::filesystem::path prefixPath = folder.path() / "sims-prefix";
    const ScopedEnvironment home("HOME", homePath.c_str());
    {
        const ScopedEnvironment prefix("WINEPREFIX", prefixPath.c_str());
        EXPECT_EQ(WinePrefix(), prefixPath);
    }
    {
        const ScopedEnvironment prefix("WINEPREFIX", "");
        EXPECT_EQ(WinePrefix(), homePath / ".wine");
    }
    {
        const ScopedEnvironment prefix("WINEPREFIX", nullptr);
        EXPECT_EQ(WinePrefix(), homePath / ".wine");
    }
}

TEST(WinePrefixTest, TheLookupWithoutArgumentsReadsThatPrefix) {
    const TempPrefix prefix;
    prefix.WriteRegistry(GameKeyWith(R"("SIMS_DATA"="C:\\From The Environment")"));
    const ScopedEnvironment environment("WINEPREFIX", prefix.path().c_str());
    EXPECT_EQ(GetGameDataFolder(), "C:\\From The Environment\\");
}

}  // namespace
}  // namespace tegmora::gamedir

#include "key_values.h"
#include "launcher_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tegmora::gamedir {
namespace {

TEST(KeyValuesTest, ReadsTokensEscapesBlocksAndComments) {
    const std::optional<KeyValue> root =
        ParseKeyValues("// c\n\"A\" { bare\tword \"q\" \"a\\\\b\\\"c\\nd\\te\" // x\n \"In\" { } }\n\"b\" \"\"");
    ASSERT_TRUE(root);
    ASSERT_EQ(root->children.size(), 2u);
    const KeyValue* a = root->Find("a");
    ASSERT_TRUE(a && a->isBlock);
    EXPECT_EQ(a->Find("BARE")->value, "word");
    EXPECT_EQ(a->Find("q")->value, "a\\b\"c\nd\te");
    EXPECT_TRUE(a->Find("in")->isBlock);
    EXPECT_EQ(root->Find("b")->value, "");
    EXPECT_EQ(root->Find("c"), nullptr);
}

TEST(KeyValuesTest, RefusesDamagedAndOverDeepText) {
    for (const std::string text : {"\"a\" {", "\"a\" }", "\"a\"", "{ }", "\"a\" \"b", "\"a\" \"\\x\"", "\"a\" \"b\\"}) {
        EXPECT_FALSE(ParseKeyValues(text)) << text;
    }
    std::string deep;
    for (std::size_t i = 0; i < kMaxKeyValuesDepth; ++i) deep = "k {" + deep + "}";
    EXPECT_TRUE(ParseKeyValues(deep));
    EXPECT_FALSE(ParseKeyValues("k {" + deep + "}"));
    EXPECT_FALSE(ParseKeyValues("k \"" + std::string(kMaxKeyValuesText, 'x') + "\""));
}

TEST(LauncherFilesTest, ReadsEachLaunchersFile) {
    EXPECT_EQ(SteamLibraryPaths("\"libraryfolders\" { \"0\" { \"path\" \"/a\\\\b\" } \"contentstatsid\" \"7\" \"1\" { \"label\" \"\" } }"),
              std::vector<std::string>{"/a\\b"});
    EXPECT_EQ(SteamLibraryPaths("\"LibraryFolders\" { \"TimeNextStatsReport\" \"1\" \"1\" \"/old\" \"2\" \"/two\" }"),
              (std::vector<std::string>{"/old", "/two"}));
    EXPECT_EQ(SteamInstallDir("\"AppState\" { \"appid\" \"3314060\" \"InstallDir\" \"Sims\" }"), "Sims");
    EXPECT_EQ(SteamInstallDir("\"AppState\" { \"installdir\" { } }"), std::nullopt);
    EXPECT_EQ(LutrisPrefix("game:\n  prefix: /p\nsystem: {}\n"), "/p");
    for (const char* yaml : {"game: /p", "game:\n  prefix: [a]", "prefix: /p", "[[[", "- a", "game: {prefix: "}) {
        EXPECT_EQ(LutrisPrefix(yaml), std::nullopt) << yaml;
    }
    EXPECT_EQ(BottlesCustomPath("custom_bottles_path: /b\n"), "/b");
    const std::vector<NamedPrefix> heroic = HeroicPrefixes(
        R"({"g1": {"winePrefix": "/h1", "x": {"y": [1]}}, "g2": {"winePrefix": 3}, "version": "v0", "g3": {"winePrefix": "/h3"}})");
    ASSERT_EQ(heroic.size(), 2u);
    EXPECT_EQ(heroic[0].name + heroic[0].prefix + heroic[1].name + heroic[1].prefix, "g1/h1g3/h3");
    EXPECT_TRUE(HeroicPrefixes("{\"g\": {\"winePrefix\": ").empty());
    EXPECT_TRUE(HeroicPrefixes("[" + std::string(100000, '[')).empty());
}

}  // namespace
}  // namespace tegmora::gamedir

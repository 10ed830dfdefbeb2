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
    ASSERT_TRUE(root && root->children.size() == 2 && root->Find("a") && root->Find("a")->isBlock);
    const KeyValue& a = *root->Find("a");
    EXPECT_EQ(a.Find("BARE")->value + "|" + a.Find("q")->value + "|" + root->Find("b")->value, "word|a\\b\"c\nd\te|");
    EXPECT_TRUE(a.Find("in")->isBlock && a.Find("in")->children.empty());
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
    // Both Steam formats and both launchers' YAML and JSON are read in the discovery tests too.
    EXPECT_EQ(SteamLibraryPaths("\"libraryfolders\" { \"0\" { \"path\" \"/a\\\\b\" } \"contentstatsid\" \"7\" \"1\" { \"label\" \"\" } }"),
              std::vector<std::string>{"/a\\b"});
    EXPECT_EQ(SteamInstallDir("\"AppState\" { \"installdir\" { } }"), std::nullopt);
    EXPECT_EQ(BottlesCustomPath("custom_bottles_path: /b\n"), "/b");
    std::string heroic;
    for (const auto& [game, prefix] : HeroicPrefixes(R"({"g1": {"winePrefix": "/h1", "x": {"y": [1]}}, "g2": {"winePrefix": 3},
                                                        "version": "v0", "g3": {"winePrefix": "/h3"}})")) heroic += game + prefix;
    EXPECT_EQ(heroic, "g1/h1g3/h3");
    EXPECT_TRUE(HeroicPrefixes("{\"g\": {\"winePrefix\": ").empty());
    EXPECT_TRUE(HeroicPrefixes("[" + std::string(100000, '[')).empty());
}

}  // namespace
}  // namespace tegmora::gamedir

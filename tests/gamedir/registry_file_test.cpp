#include "registry_file.h"
#include "registry_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tegmora::gamedir {
namespace {

using testing::ParsedRegistry;
using testing::RegistryText;

using Bytes = std::vector<std::uint8_t>;

Bytes Utf16WithNul(std::u16string_view text) {
    Bytes bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

std::optional<RegistryValue> ValueIn(const RegistryFile& file, std::string_view key, std::string_view name) {
    const std::optional<RegistryKey> opened = file.OpenKey(key);
    if (!opened) return std::nullopt;
    const RegistryValue* value = opened->FindValue(name);
    if (value == nullptr) return std::nullopt;
    return *value;
}

std::optional<RegistryValue> OnlyValue(std::string_view valueLine) {
    return ValueIn(ParsedRegistry("[K] 1\n" + std::string(valueLine) + "\n"), "K", "v");
}

TEST(RegistryFileTest, AcceptsOnlyTheHeaderLine) {
    EXPECT_TRUE(RegistryFile::Parse("WINE REGISTRY Version 2"));
    EXPECT_TRUE(RegistryFile::Parse("WINE REGISTRY Version 2\r\n[K]\r\n"));
    for (const char* text : {"", "\n", "WINE REGISTRY Version 1\n[K]\n", "REGEDIT4\n[K]\n",
                             "Windows Registry Editor Version 5.00\n", " WINE REGISTRY Version 2\n",
                             "WINE REGISTRY Version 22\n", "[K]\nWINE REGISTRY Version 2\n"}) {
        EXPECT_FALSE(RegistryFile::Parse(text)) << text;
    }
}

TEST(RegistryFileTest, ArchComesFromTheLineBeforeTheFirstKey) {
    struct Case {
        const char* body;
        PrefixArch arch;
    };
    const Case cases[] = {
        {"[K] 1\n", PrefixArch::Win32},
        {"#arch=win64\n\n[K] 1\n", PrefixArch::Win64},
        {"#arch=win32\n[K] 1\n", PrefixArch::Win32},
        {"#arch=win64\r\n", PrefixArch::Win64},
        {"[K] 1\n#arch=win64\n", PrefixArch::Win32},
        {"#arch=win128\n", PrefixArch::Win32},
    };
    for (const Case& c : cases) EXPECT_EQ(ParsedRegistry(c.body).Arch(), c.arch) << c.body;
}

TEST(RegistryFileTest, ReadsEveryValueFormat) {
    struct Case {
        const char* line;
        std::uint32_t type;
        Bytes data;
    };
    const Case cases[] = {
        {R"("v"="C:\\Games")", 1, Utf16WithNul(u"C:\\Games")},
        {R"("v"="")", 1, {0, 0}},
        {R"("v"=str:"ab")", 1, Utf16WithNul(u"ab")},
        {R"("v"=str(2):"%ProgramFiles%\\x")", 2, Utf16WithNul(u"%ProgramFiles%\\x")},
        {R"("v"=str(7):"one\0two\0")", 7, Utf16WithNul(std::u16string(u"one\0two\0", 8))},
        {R"("v"=hex:01,02,ff)", 3, {1, 2, 255}},
        {R"("v"=hex:)", 3, {}},
        {R"("v"=hex:A,0b , 7)", 3, {10, 11, 7}},
        {R"("v"=hex(1):43,00,3a,00)", 1, {0x43, 0, 0x3a, 0}},
        {R"("v"=hex(1):)", 1, {}},
        {R"("v"=hex(3):05)", 3, {5}},
        {R"("v"=hex(b):01,00,00,00,00,00,00,00)", 11, {1, 0, 0, 0, 0, 0, 0, 0}},
        {R"("v"=hex(ffffffff):)", 0xFFFFFFFF, {}},
        {R"("v"=dword:0000002a)", 4, {0x2a, 0, 0, 0}},
        {R"("v"=dword:fedcba98)", 4, {0x98, 0xba, 0xdc, 0xfe}},
        {R"("v"=dword:7)", 4, {7, 0, 0, 0}},
        {R"(  "v" = "spaced"  )", 1, Utf16WithNul(u"spaced")},
    };
    for (const Case& c : cases) {
        const std::optional<RegistryValue> value = OnlyValue(c.line);
        ASSERT_TRUE(value) << c.line;
        EXPECT_EQ(value->type, c.type) << c.line;
        EXPECT_EQ(value->data, c.data) << c.line;
    }
}

TEST(RegistryFileTest, ReadsTheDefaultValueAsTheEmptyName) {
    const RegistryFile file = ParsedRegistry("[K] 1\n@=\"default\"\n\"v\"=\"named\"\n");
    const std::optional<RegistryValue> value = ValueIn(file, "K", "");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->data, Utf16WithNul(u"default"));
}

TEST(RegistryFileTest, ReadsStringEscapes) {
    struct Case {
        const char* quoted;  // between the quotes of "v"="..."
        std::u16string text;
    };
    const Case cases[] = {
        {R"(a\\b)", u"a\\b"},
        {R"(say \"hi\")", u"say \"hi\""},
        {R"(\a\b\t\n\v\f\r\e)", u"\a\b\t\n\v\f\r\x1B"},
        {R"(x\0y)", std::u16string(u"x\0y", 3)},
        {R"(\0012)", u"\x01"
                     u"2"},
        {R"(\12\177)", u"\n\x7F"},
        {R"(\x00c9dition)", u"\u00C9dition"},
        {R"(\xc9t\xe9)", u"\u00C9t\u00E9"},
        {R"(\x41B)", u"\x41B"},
        {R"(\x0041B)", u"AB"},
        {R"(\x20ac)", u"\u20AC"},
        {R"(C:\\windows\\system32\\xaudio2_4.dll)", u"C:\\windows\\system32\\xaudio2_4.dll"},
        {R"(\xd83d\xde00)", u"\U0001F600"},
        {R"(\q\[\])", u"q[]"},
        {R"(\xg)", u"xg"},
        {"caf\xC3\xA9", u"caf\u00E9"},
        {"caf\xE9", u"caf\u00E9"},
        {"\\\xC3\xA9", u"\u00E9"},
    };
    for (const Case& c : cases) {
        const std::optional<RegistryValue> value = OnlyValue("\"v\"=\"" + std::string(c.quoted) + "\"");
        ASSERT_TRUE(value) << c.quoted;
        EXPECT_EQ(value->data, Utf16WithNul(c.text)) << c.quoted;
    }
}

TEST(RegistryFileTest, ReadsEscapesInKeyAndValueNames) {
    const RegistryFile file = ParsedRegistry(
        "[Software\\\\a\\[b\\]\\\\\\x00c9t\\xe9] 1600000000\n"
        "\"na\\\"me\\\\\"=dword:00000001\n");
    EXPECT_TRUE(ValueIn(file, "Software\\a[b]\\\u00C9t\u00E9", "na\"me\\"));
}

TEST(RegistryFileTest, JoinsContinuedHexLines) {
    const RegistryFile file = ParsedRegistry(
        "[K] 1\n"
        "\"bin\"=hex:01,02,\\\n"
        "  03,04,\\\n"
        "\t05\n"
        "\"str\"=hex(1):43,00,\\\r\n"
        "  3a,00,00,00\r\n"
        "\"after\"=dword:00000009\n");
    const std::optional<RegistryValue> binary = ValueIn(file, "K", "bin");
    ASSERT_TRUE(binary);
    EXPECT_EQ(binary->data, (Bytes{1, 2, 3, 4, 5}));
    const std::optional<RegistryValue> string = ValueIn(file, "K", "str");
    ASSERT_TRUE(string);
    EXPECT_EQ(string->type, 1u);
    EXPECT_EQ(string->data, Utf16WithNul(u"C:"));
    EXPECT_TRUE(ValueIn(file, "K", "after"));
}

TEST(RegistryFileTest, ContinuationLinesAreNeverReadAsLinesOfTheirOwn) {
    const RegistryFile file = ParsedRegistry(
        "[K] 1\n"
        "\"a\"=hex:01,\\\n"
        "\"b\"=\"swallowed\"\n"
        "\"c\"=hex:02,\\\n"
        "[Other] 2\n"
        "\"d\"=\"still in K\"\n");
    EXPECT_FALSE(ValueIn(file, "K", "a"));
    EXPECT_FALSE(ValueIn(file, "K", "b"));
    EXPECT_FALSE(ValueIn(file, "K", "c"));
    EXPECT_FALSE(file.OpenKey("Other"));
    EXPECT_TRUE(ValueIn(file, "K", "d"));
}

TEST(RegistryFileTest, AContinuationCutOffByTheEndOfTheFileIsDropped) {
    const RegistryFile file = ParsedRegistry("[K] 1\n\"ok\"=hex:01\n\"cut\"=hex:01,02,\\\n");
    EXPECT_TRUE(ValueIn(file, "K", "ok"));
    EXPECT_FALSE(ValueIn(file, "K", "cut"));
}

TEST(RegistryFileTest, ComparesKeyAndValueNamesWithoutRegardToCase) {
    const RegistryFile file = ParsedRegistry(
        "[software\\\\MAXIS\\\\the sims] 1\n\"sims_data\"=\"C:\\\\x\"\n"
        "[Software\\\\\\x00c9dition\\\\\\x0416] 1\n\"\\x00e9t\\x00e9\"=dword:00000001\n");
    EXPECT_TRUE(ValueIn(file, "Software\\Maxis\\The Sims", "SIMS_DATA"));
    EXPECT_TRUE(ValueIn(file, "SOFTWARE\\maxis\\THE SIMS", "Sims_Data"));
    EXPECT_TRUE(ValueIn(file, "software\\\u00E9DITION\\\u0436", "\u00C9T\u00C9"));
    EXPECT_FALSE(ValueIn(file, "Software\\Maxis\\The Sims2", "SIMS_DATA"));
    EXPECT_FALSE(ValueIn(file, "Software\\Maxis\\The Sims", "SIMS_DATA2"));
}

TEST(RegistryFileTest, OpensOnlyTheKeyItself) {
    const RegistryFile file = ParsedRegistry(
        "[Software\\\\Maxis] 1\n\"parent\"=\"p\"\n"
        "[Software\\\\Maxis\\\\The Sims] 1\n\"child\"=\"c\"\n"
        "[Software\\\\Maxis\\\\The Sims\\\\Sub] 1\n\"grandchild\"=\"g\"\n");
    const std::optional<RegistryKey> key = file.OpenKey("Software\\Maxis\\The Sims");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ValueCount(), 1u);
    EXPECT_NE(key->FindValue("child"), nullptr);
    EXPECT_EQ(key->FindValue("parent"), nullptr);
    EXPECT_EQ(key->FindValue("grandchild"), nullptr);
    EXPECT_FALSE(file.OpenKey("Software\\Max"));
    EXPECT_FALSE(file.OpenKey("Software"));
}

TEST(RegistryFileTest, AKeyWithoutValuesOpens) {
    const RegistryFile file = ParsedRegistry("[Empty] 1\n#time=1d6f0a2b3c4d5e6\n");
    const std::optional<RegistryKey> key = file.OpenKey("Empty");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ValueCount(), 0u);
}

TEST(RegistryFileTest, OptionLinesBelowAKeyDoNotEndIt) {
    const RegistryFile file = ParsedRegistry(
        "[K] 1600000000\n"
        "#time=1d6f0a2b3c4d5e6\n"
        "#class=\"Shell\"\n"
        "#link\n"
        ";; a comment\n"
        "\n"
        "\"v\"=\"kept\"\n");
    EXPECT_TRUE(ValueIn(file, "K", "v"));
}

TEST(RegistryFileTest, MergesRepeatedKeysAndLetLaterValuesWin) {
    const RegistryFile file = ParsedRegistry(
        "[K] 1\n\"a\"=\"first\"\n\"b\"=\"only\"\n"
        "[Other] 1\n\"a\"=\"other\"\n"
        "[k] 2\n\"A\"=\"second\"\n");
    const std::optional<RegistryKey> key = file.OpenKey("K");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ValueCount(), 2u);
    ASSERT_NE(key->FindValue("a"), nullptr);
    EXPECT_EQ(key->FindValue("a")->data, Utf16WithNul(u"second"));
    EXPECT_NE(key->FindValue("b"), nullptr);
}

TEST(RegistryFileTest, SkipsDamagedLinesAndKeepsTheRest) {
    const char* damaged[] = {
        "\"v\"=\"unterminated",
        "\"v\"=\"trailing\" junk",
        "\"v\"",
        "\"v\"\"x\"",
        "\"v\"=",
        "\"v\"=hex:0g",
        "\"v\"=hex:123",
        "\"v\"=hex:01,,02",
        "\"v\"=hex:01;02",
        "\"v\"=hex(:01",
        "\"v\"=hex(1:01",
        "\"v\"=hex(123456789):01",
        "\"v\"=dword:",
        "\"v\"=dword:123456789",
        "\"v\"=dword:12 34",
        "\"v\"=str(1):\"x\"",
        "\"v\"=str(2)\"x\"",
        "\"v\"=quad:1",
        "\"v\"=\"ends in a backslash\\",
        "\"unterminated name=\"x\"",
        "v=\"no quotes\"",
        "garbage",
    };
    for (const char* line : damaged) {
        const RegistryFile file =
            ParsedRegistry("[K] 1\n\"before\"=\"b\"\n" + std::string(line) + "\n\"after\"=\"a\"\n");
        EXPECT_FALSE(ValueIn(file, "K", "v")) << line;
        EXPECT_TRUE(ValueIn(file, "K", "before")) << line;
        EXPECT_TRUE(ValueIn(file, "K", "after")) << line;
    }
}

TEST(RegistryFileTest, ValuesBelowADamagedKeyLineBelongToNoKey) {
    const RegistryFile file = ParsedRegistry("[K] 1\n\"a\"=\"1\"\n[K\n\"b\"=\"2\"\n[K] 2\n\"c\"=\"3\"\n");
    const std::optional<RegistryKey> key = file.OpenKey("K");
    ASSERT_TRUE(key);
    EXPECT_NE(key->FindValue("a"), nullptr);
    EXPECT_EQ(key->FindValue("b"), nullptr);
    EXPECT_NE(key->FindValue("c"), nullptr);
}

TEST(RegistryFileTest, ValuesBeforeTheFirstKeyBelongToNoKey) {
    const RegistryFile file = ParsedRegistry("\"v\"=\"loose\"\n[K] 1\n");
    const std::optional<RegistryKey> key = file.OpenKey("K");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ValueCount(), 0u);
}

TEST(RegistryFileTest, ReadsWindowsLineEndsAndATextWithoutFinalLineEnd) {
    const RegistryFile file = ParsedRegistry("[K] 1\r\n\"a\"=\"x\"\r\n\"b\"=dword:00000001");
    EXPECT_EQ(ValueIn(file, "K", "a")->data, Utf16WithNul(u"x"));
    EXPECT_TRUE(ValueIn(file, "K", "b"));
}

TEST(RegistryFileTest, ReadsAHugeLine) {
    const std::string name(1'000'000, 'n');
    const RegistryFile file =
        ParsedRegistry("[K] 1\n\"" + name + "\"=\"long\"\n\"" + std::string(1'000'000, 'x') + "\n\"v\"=\"ok\"\n");
    const std::optional<RegistryKey> key = file.OpenKey("K");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ValueCount(), 2u);
    EXPECT_NE(key->FindValue(name), nullptr);
}

TEST(RegistryFileTest, AHexListThatNeverEndsIsDropped) {
    std::string body = "[K] 1\n\"v\"=hex:";
    for (int line = 0; line < 100'000; ++line) body += "00,\\\n";
    const RegistryFile file = ParsedRegistry(body);
    const std::optional<RegistryKey> key = file.OpenKey("K");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ValueCount(), 0u);
}

TEST(RegistryFileTest, AKeyRepeatedManyTimesHoldsEachValueOnce) {
    std::string body;
    for (int repeat = 0; repeat < 20'000; ++repeat) body += "[K] 1\n\"v\"=dword:" + std::to_string(repeat % 10) + "\n";
    const std::optional<RegistryKey> key = ParsedRegistry(body).OpenKey("K");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ValueCount(), 1u);
    EXPECT_EQ(key->FindValue("v")->data, (Bytes{9, 0, 0, 0}));
}

TEST(RegistryFileTest, ReadsEveryPrefixOfAFileWithoutFault) {
    const std::string text = RegistryText(
        "#arch=win64\n[Software\\\\Maxis\\\\The Sims] 1\n\"SIMS_DATA\"=\"C:\\\\Games\\x00c9\"\n"
        "\"bin\"=hex:01,02,\\\n  03\n\"d\"=dword:00000001\n");
    const std::optional<RegistryKey> whole = RegistryFile::Parse(text)->OpenKey("Software\\Maxis\\The Sims");
    ASSERT_TRUE(whole);
    ASSERT_EQ(whole->ValueCount(), 3u);
    for (std::size_t size = 0; size < text.size(); ++size) {
        const std::optional<RegistryFile> file = RegistryFile::Parse(text.substr(0, size));
        if (!file) continue;
        const std::optional<RegistryKey> key = file->OpenKey("Software\\Maxis\\The Sims");
        if (!key) continue;
        const RegistryValue* value = key->FindValue("SIMS_DATA");
        if (value != nullptr) {
            EXPECT_EQ(*value, *whole->FindValue("SIMS_DATA")) << size;
        }
        EXPECT_LE(key->ValueCount(), 3u);
    }
}

}  // namespace
}  // namespace tegmora::gamedir

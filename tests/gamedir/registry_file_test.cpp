#include "registry.h"
#include "registry_file.h"
#include "wine_prefix.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tegmora::gamedir {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Utf16WithNul(std::u16string_view text) {
    Bytes bytes;
    for (const char16_t unit : text) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)});
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

RegistryFile Parsed(const std::string& body, const char* arch = "win32") {
    return *RegistryFile::Parse(demo::RegistryText(body, arch));
}

std::optional<RegistryValue> ValueIn(const RegistryFile& file, std::string_view key, std::string_view name) {
    const std::optional<RegistryKey> opened = file.OpenKey(key);
    const RegistryValue* value = opened ? opened->FindValue(name) : nullptr;
    return value ? std::optional(*value) : std::nullopt;
}

TEST(RegistryFileTest, AcceptsOnlyTheHeaderLine) {
    EXPECT_TRUE(RegistryFile::Parse("WINE REGISTRY Version 2\r\n[K]\r\n"));
    for (const char* text : {"", "WINE REGISTRY Version 1\n", "REGEDIT4\n[K]\n", " WINE REGISTRY Version 2\n", "WINE REGISTRY Version 22\n"}) {
        EXPECT_FALSE(RegistryFile::Parse(text)) << text;
    }
}

TEST(RegistryFileTest, ReadsEveryValueFormatAndStringEscape) {
    struct Case {
        std::string data;  // after "v"=
        std::uint32_t type;
        Bytes bytes;
    };
    const Case cases[] = {
        {R"("C:\\Games")", 1, Utf16WithNul(u"C:\\Games")},
        {R"(str(2):"%x%")", 2, Utf16WithNul(u"%x%")},
        {R"(str(7):"a\0b\0")", 7, Utf16WithNul(std::u16string(u"a\0b\0", 4))},
        {R"(hex:01,ff , A)", 3, {1, 255, 10}},
        {R"(hex(1):43,00)", 1, {0x43, 0}},
        {R"(hex(ffffffff):)", 0xFFFFFFFF, {}},
        {R"(dword:fedcba98)", 4, {0x98, 0xba, 0xdc, 0xfe}},
        {R"("say \"hi\"\a\b\t\n\v\f\r\e")", 1, Utf16WithNul(u"say \"hi\"\a\b\t\n\v\f\r\x1B")},
        {R"("\0012\12\177")", 1, Utf16WithNul(u"\x01" u"2\n\x7F")},
        {R"("\x41B\x0041B\xc9t\xd83d\xde00")", 1, Utf16WithNul(u"\x41B" u"AB\u00C9t\U0001F600")},
        {R"("\q\[\]\xg")", 1, Utf16WithNul(u"q[]xg")},
        {"\"caf\xC3\xA9 caf\xE9 \\\xC3\xA9\"", 1, Utf16WithNul(u"caf\u00E9 caf\u00E9 \u00E9")},
    };
    for (const Case& c : cases) {
        const std::optional<RegistryValue> value = ValueIn(Parsed("[K] 1\n\"v\"=" + c.data + "\n"), "K", "v");
        ASSERT_TRUE(value) << c.data;
        EXPECT_EQ(*value, (RegistryValue{c.type, c.bytes})) << c.data;
    }
}

TEST(RegistryFileTest, SkipsDamagedLinesAndKeepsTheRest) {
    for (const char* line : {"\"v\"=\"unterminated", "\"v\"=\"x\" junk", "\"v\"", "\"v\"=", "\"v\"=hex:0g", "\"v\"=hex:123",
                             "\"v\"=hex:01,,02", "\"v\"=hex(1:01", "\"v\"=hex(123456789):01", "\"v\"=dword:123456789",
                             "\"v\"=str(1):\"x\"", "\"v\"=quad:1", "\"v\"=\"ends in a backslash\\", "v=\"x\"", "[K"}) {
        const RegistryFile file = Parsed("[K] 1\n\"before\"=\"b\"\n" + std::string(line) + "\n\"v2\"=\"a\"\n");
        EXPECT_FALSE(ValueIn(file, "K", "v")) << line;
        EXPECT_TRUE(ValueIn(file, "K", "before")) << line;
        EXPECT_EQ(ValueIn(file, "K", "v2").has_value(), line[0] != '[') << line;
    }
}

TEST(RegistryFileTest, JoinsContinuedHexLinesInsideAndOutsideTheKeyOpened) {
    const RegistryFile file = Parsed(
        "[Other] 1\n\"o\"=hex:01,\\\n[K] 1\n\"lost\"=\"x\"\n\"s\"=\"x [K] 1\"\n"
        " \t[K] 2\n\"bin\"=hex:01,02,\\\r\n  03,\\\n\t04\n\"a\"=hex:01,\\\n\"b\"=\"swallowed\"\n\"cut\"=hex:01,\\\n");
    const std::optional<RegistryKey> key = file.OpenKey("k");
    ASSERT_TRUE(key);
    ASSERT_EQ(key->ValueCount(), 1u);
    EXPECT_EQ(key->FindValue("bin")->data, (Bytes{1, 2, 3, 4}));
}

TEST(RegistryFileTest, MergesRepeatedKeysWithoutRegardToCase) {
    const RegistryFile file = Parsed(
        "[software\\\\MAXIS\\\\\\x00c9t\\xe9] 1\n\"a\"=\"first\"\n\"b\"=\"only\"\n[Software\\\\Maxis\\\\\\x00c9t\\xe9\\\\Sub] 1\n"
        "\"c\"=\"sub\"\n[SOFTWARE\\\\maxis\\\\\\x00e9T\\xc9] 2\n\"A\"=\"second\"\n");
    const std::optional<RegistryKey> key = file.OpenKey("Software\\Maxis\\\u00C9t\u00E9");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ValueCount(), 2u);
    EXPECT_EQ(key->FindValue("a")->data, Utf16WithNul(u"second"));
    EXPECT_FALSE(file.OpenKey("Software\\Maxis"));
}

TEST(RegistryFileTest, AWin64PrefixReadsWow6432NodeFirst) {
    const std::string wow = "[Software\\\\Wow6432Node\\\\Maxis\\\\The Sims] 1\n", key = "[Software\\\\Maxis\\\\The Sims] 1\n";
    struct Case {
        std::string body;
        const char* arch;
        const char* text;
    };
    const Case cases[] = {
        {wow + "\"SIMS_DATA\"=\"C:\\\\32\"\n" + key + "\"SIMS_DATA\"=\"C:\\\\64\"\n", "win64", "C:\\32"},
        {wow + "\"SIMS_DATA\"=\"C:\\\\32\"\n" + key + "\"SIMS_DATA\"=\"C:\\\\64\"\n", "win32", "C:\\64"},
        {wow + "\"SIMS_DATA\"=\"\"\n" + key + "\"SIMS_DATA\"=\"C:\\\\64\"\n", "win64", "C:\\64"},
        {wow + "\"SIMS_DATA\"=str(2):\"x\"\n" + key + "\"SIMS_DATA\"=hex:ff,ff,01\n", "win64", "-1"},
        {key + "\"SIMS_DATA\"=\"C:\\\\a\\0tail\"\n", "win64", "C:\\a"},
        {key + "\"SIMS_DATA\"=hex(1):43,00,3a\n", "win32", "C"},
        {key + "\"SIMS_DATA\"=dword:00000001\n", "win32", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(GetRegistryString(Parsed(c.body, c.arch), kGameKey, kDataFolderValue), c.text) << c.body;
    EXPECT_EQ(KeyPathsFor32BitProgram(PrefixArch::Win64, "Software\\wow6432node\\x"), std::vector<std::string>{"Software\\wow6432node\\x"});
}

}  // namespace
}  // namespace tegmora::gamedir

#include "game_in_prefix.h"
#include "registry.h"
#include "registry_file.h"
#include "wine_prefix.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace tegmora::gamedir {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Utf16WithNul(std::u16string_view text) {
    Bytes bytes;
    for (const char16_t unit : std::u16string(text) + u'\0') bytes.insert(bytes.end(), {static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)});
    return bytes;
}

RegistryFile Parsed(const std::string& body, const char* arch = "win32") {
    return *RegistryFile::Parse(demo::RegistryText(body, arch));
}

std::optional<RegistryValue> ValueIn(const RegistryFile& file, std::string_view name) {
    const std::optional<RegistryKey> opened = file.OpenKey("K");
    const RegistryValue* value = opened ? opened->FindValue(name) : nullptr;
    return value ? std::optional(*value) : std::nullopt;
}

TEST(RegistryFileTest, ReadsEveryValueFormatAndStringEscape) {
    const std::tuple<std::string, std::uint32_t, Bytes> cases[] = {  // what follows "v"=, the type and bytes read
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
    for (const auto& [data, type, bytes] : cases) {
        EXPECT_EQ(ValueIn(Parsed("[K] 1\n\"v\"=" + data + "\n"), "v"), (RegistryValue{type, bytes})) << data;
    }
}

TEST(RegistryFileTest, SkipsDamagedLinesAndKeepsTheRest) {
    for (const char* line : {"\"v\"=\"unterminated", "\"v\"=\"x\" junk", "\"v\"", "\"v\"=", "\"v\"=hex:0g", "\"v\"=hex:123",
                             "\"v\"=hex:01,,02", "\"v\"=hex(1:01", "\"v\"=hex(123456789):01", "\"v\"=dword:123456789",
                             "\"v\"=str(1):\"x\"", "\"v\"=quad:1", "\"v\"=\"ends in a backslash\\", "v=\"x\"", "[K"}) {
        const RegistryFile file = Parsed("[K] 1\n\"before\"=\"b\"\n" + std::string(line) + "\n\"v2\"=\"a\"\n");
        EXPECT_FALSE(ValueIn(file, "v")) << line;
        EXPECT_TRUE(ValueIn(file, "before")) << line;
        EXPECT_EQ(ValueIn(file, "v2").has_value(), line[0] != '[') << line;
    }
}

TEST(RegistryFileTest, JoinsContinuedHexLinesAndRepeatedKeysLaterValuesWinning) {
    const RegistryFile file = Parsed(
        "[Other] 1\n\"o\"=hex:01,\\\n[K] 1\n\"lost\"=\"x\"\n\"s\"=\"x [K] 1\"\n"
        " \t[K] 2\n\"dup\"=\"first\"\n\"bin\"=hex:01,02,\\\r\n  03,\\\n\t04\n\"a\"=hex:01,\\\n\"b\"=\"swallowed\"\n"
        "[k] 3\n\"DUP\"=\"later\"\n\"cut\"=hex:01,\\\n");
    EXPECT_EQ(file.OpenKey("k")->ValueCount(), 2u);
    EXPECT_EQ(ValueIn(file, "bin"), (RegistryValue{kRegBinary, {1, 2, 3, 4}}));
    EXPECT_EQ(ValueIn(file, "Dup"), (RegistryValue{kRegString, Utf16WithNul(u"later")}));
    const RegistryFile named = Parsed("[Software\\\\\xC3\x89t\\xe9\\\\\\x0416] 1\n\"v\"=dword:00000001\n");
    EXPECT_TRUE(named.OpenKey("software\\\u00E9T\u00C9\\\u0436"));
}

TEST(RegistryFileTest, AWin64PrefixReadsWow6432NodeFirst) {
    const std::string wow = "[Software\\\\Wow6432Node\\\\Maxis\\\\The Sims] 1\n", key = "[Software\\\\Maxis\\\\The Sims] 1\n";
    const std::tuple<std::string, const char*, const char*> cases[] = {  // registry, arch, text read
        {wow + "\"SIMS_DATA\"=\"C:\\\\32\"\n" + key + "\"SIMS_DATA\"=\"C:\\\\64\"\n", "win64", "C:\\32"},
        {wow + "\"SIMS_DATA\"=\"C:\\\\32\"\n" + key + "\"SIMS_DATA\"=\"C:\\\\64\"\n", "win32", "C:\\64"},
        {wow + "\"SIMS_DATA\"=\"\"\n" + key + "\"SIMS_DATA\"=\"C:\\\\64\"\n", "win64", "C:\\64"},
        {wow + "\"SIMS_DATA\"=str(2):\"x\"\n" + key + "\"SIMS_DATA\"=hex:ff,ff,01\n", "win64", "-1"},
        {key + "\"SIMS_DATA\"=\"C:\\\\a\\0tail\"\n", "win64", "C:\\a"},
        {key + "\"SIMS_DATA\"=hex(1):43,00,3a\n", "win32", "C"},
        {key + "\"SIMS_DATA\"=dword:00000001\n", "win32", ""},
    };
    for (const auto& [body, arch, text] : cases) EXPECT_EQ(GetRegistryString(Parsed(body, arch), kGameKey, kDataFolderValue), text) << body;
}

}  // namespace
}  // namespace tegmora::gamedir

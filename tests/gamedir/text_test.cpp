#include "text.h"

#include <gtest/gtest.h>

#include <string>

namespace tegmora::gamedir {
namespace {

TEST(Utf8ToUtf16Test, DecodesValidTextAndTakesOtherBytesAsLatin1) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
    };
    const Case cases[] = {
        {"abc", u"abc"},
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"\xC3\xA9", u"\u00E9"},
        {"\xE2\x82\xAC", u"\u20AC"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"caf\xE9", u"caf\u00E9"},
        {"\xC3", u"\u00C3"},
        {"\xC0\x80", u"\u00C0\u0080"},
        {"\xE0\x80\xAF", u"\u00E0\u0080\u00AF"},
        {"\xED\xA0\x80", u"\u00ED\u00A0\u0080"},
        {"\xF4\x90\x80\x80", u"\u00F4\u0090\u0080\u0080"},
        {"\xE2\x82", u"\u00E2\u0082"},
        {"\xE2\x82x", u"\u00E2\u0082x"},
        {"\xF5\x80", u"\u00F5\u0080"},
        {"\x80\xBF", u"\u0080\u00BF"},
    };
    for (const Case& c : cases) EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
}

TEST(Utf16ToUtf8Test, JoinsSurrogatePairsAndReplacesLoneOnes) {
    struct Case {
        std::u16string utf16;
        std::string utf8;
    };
    const Case cases[] = {
        {u"abc", "abc"},
        {std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
        {u"\u00C9", "\xC3\x89"},
        {u"\u0416", "\xD0\x96"},
        {u"\uFFFF", "\xEF\xBF\xBF"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {std::u16string{0xD83D}, "\xEF\xBF\xBD"},
        {std::u16string{0xDE00, u'x'}, "\xEF\xBF\xBDx"},
        {std::u16string{0xD83D, u'x'}, "\xEF\xBF\xBDx"},
        {std::u16string{0xDE00, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const Case& c : cases) EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.utf8;
}

TEST(Utf16ToUtf8Test, RoundTripsEveryCharacter) {
    for (char32_t code = 0; code <= 0x10FFFF; code += code < 0x10000 ? 1 : 0x1F) {
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        std::u16string units;
        if (code < 0x10000) {
            units.push_back(static_cast<char16_t>(code));
        } else {
            units.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        }
        ASSERT_EQ(Utf8ToUtf16(Utf16ToUtf8(units)), units) << static_cast<std::uint32_t>(code);
    }
}

TEST(FoldCaseTest, TurnsSmallLettersIntoCapitals) {
    struct Case {
        char16_t unit;
        char16_t folded;
    };
    const Case cases[] = {
        {u'a', u'A'},       {u'z', u'Z'},       {u'A', u'A'},       {u'1', u'1'},       {u'_', u'_'},
        {0x00E9, 0x00C9},   {0x00E0, 0x00C0},   {0x00FE, 0x00DE},   {0x00F7, 0x00F7},   {0x00DF, 0x00DF},
        {0x00FF, 0x0178},   {0x00B5, 0x039C},   {0x0101, 0x0100},   {0x0100, 0x0100},   {0x012F, 0x012E},
        {0x0131, 0x0131},   {0x0133, 0x0132},   {0x0138, 0x0138},   {0x013A, 0x0139},   {0x0148, 0x0147},
        {0x0149, 0x0149},   {0x014B, 0x014A},   {0x0177, 0x0176},   {0x017E, 0x017D},   {0x017F, 0x017F},
        {0x03AC, 0x0386},   {0x03AF, 0x038A},   {0x03B1, 0x0391},   {0x03C2, 0x03A3},   {0x03C3, 0x03A3},
        {0x03C9, 0x03A9},   {0x03CC, 0x038C},   {0x03CE, 0x038F},   {0x0430, 0x0410},   {0x044F, 0x042F},
        {0x0450, 0x0400},   {0x045F, 0x040F},   {0xD83D, 0xD83D},   {0xFFFF, 0xFFFF},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(static_cast<int>(FoldCase(c.unit)), static_cast<int>(c.folded)) << static_cast<int>(c.unit);
    }
}

TEST(FoldCaseTest, CapitalsStayAsTheyAre) {
    for (char32_t code = 0; code <= 0xFFFF; ++code) {
        const char16_t folded = FoldCase(static_cast<char16_t>(code));
        ASSERT_EQ(FoldCase(folded), folded) << static_cast<std::uint32_t>(code);
    }
}

TEST(EqualIgnoringCaseTest, ComparesLetterByLetter) {
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    };
    const Case cases[] = {
        {"GameData", "gamedata", true},
        {"GameData", "Gamedata", true},
        {"GameData", "GameDat", false},
        {"GameData", "GameDatb", false},
        {"", "", true},
        {"\xC3\x89" "dition", "\xC3\xA9" "DITION", true},
        {"\xCF\x82", "\xCE\xA3", true},
        {"\xD0\xB6", "\xD0\x96", true},
        {"\xC3\x9F", "SS", false},
        {"caf\xE9", "CAF\xC3\x89", true},
    };
    for (const Case& c : cases) EXPECT_EQ(EqualIgnoringCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
}

TEST(QuotedTest, WrapsInDoubleQuotes) {
    EXPECT_EQ(Quoted("C:\\x"), "\"C:\\x\"");
    EXPECT_EQ(Quoted(""), "\"\"");
}

}  // namespace
}  // namespace tegmora::gamedir

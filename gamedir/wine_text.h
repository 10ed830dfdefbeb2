// Text helpers for names that Wine keeps as UTF-16 and compares without
// regard to case, while the rest of the program works in UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tegmora::gamedir {

// UTF-8 to UTF-16. Bytes that do not form valid UTF-8 are taken one by one
// as Latin-1, so hand-edited files in that encoding still read sensibly.
std::u16string Utf8ToUtf16(std::string_view text);

// UTF-16 to UTF-8; a surrogate pair makes one character, a lone surrogate
// becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// The upper-case form of one code unit for comparisons: ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic letters; every other unit is itself.
char16_t FoldCase(char16_t unit);
std::u16string FoldCase(std::u16string_view text);

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b);
bool EqualIgnoringCase(std::string_view utf8A, std::string_view utf8B);

}  // namespace tegmora::gamedir

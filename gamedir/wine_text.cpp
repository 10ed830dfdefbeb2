#include "wine_text.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace tegmora::gamedir {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

struct DecodedCharacter {
    char32_t code = 0;
    std::size_t length = 0;  // 0: the bytes are not valid UTF-8
};

struct Utf8Lead {
    std::size_t length;
    char32_t payload;
    char32_t smallest;  // anything below is an overlong form
};

std::optional<Utf8Lead> ReadLead(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return Utf8Lead{2, lead & 0x1Fu, 0x80};
    if ((lead & 0xF0) == 0xE0) return Utf8Lead{3, lead & 0x0Fu, 0x800};
    if (lead >= 0xF0 && lead <= 0xF4) return Utf8Lead{4, lead & 0x07u, 0x10000};
    return std::nullopt;
}

DecodedCharacter DecodeUtf8(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text.front());
    if (lead < 0x80) return {lead, 1};
    const std::optional<Utf8Lead> start = ReadLead(lead);
    if (!start || text.size() < start->length) return {};
    char32_t code = start->payload;
    for (std::size_t i = 1; i < start->length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) return {};
        code = (code << 6) | (next & 0x3Fu);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (code < start->smallest || code > 0x10FFFF || surrogate) return {};
    return {code, start->length};
}

void AppendUtf16(std::u16string& out, char32_t code) {
    if (code < 0x10000) {
        out.push_back(static_cast<char16_t>(code));
        return;
    }
    code -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
}

void AppendUtf8(std::string& out, char32_t code) {
    const auto put = [&out](char32_t byte) { out.push_back(static_cast<char>(byte)); };
    if (code < 0x80) {
        put(code);
    } else if (code < 0x800) {
        put(0xC0 | (code >> 6));
        put(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        put(0xE0 | (code >> 12));
        put(0x80 | ((code >> 6) & 0x3F));
        put(0x80 | (code & 0x3F));
    } else {
        put(0xF0 | (code >> 18));
        put(0x80 | ((code >> 12) & 0x3F));
        put(0x80 | ((code >> 6) & 0x3F));
        put(0x80 | (code & 0x3F));
    }
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Small letters and the distance to their capitals. In alternating ranges
// capital and small letter sit side by side and only every other unit,
// counted from `first`, is a small letter.
struct CaseRange {
    char16_t first;
    char16_t last;
    int toCapital;
    bool alternating;
};

constexpr CaseRange kCaseRanges[] = {
    {u'a', u'z', -32, false},       {0x00B5, 0x00B5, 0x039C - 0x00B5, false},
    {0x00E0, 0x00F6, -32, false},   {0x00F8, 0x00FE, -32, false},
    {0x00FF, 0x00FF, 0x0178 - 0x00FF, false},
    {0x0101, 0x012F, -1, true},     {0x0133, 0x0137, -1, true},
    {0x013A, 0x0148, -1, true},     {0x014B, 0x0177, -1, true},
    {0x017A, 0x017E, -1, true},     {0x03AC, 0x03AC, 0x0386 - 0x03AC, false},
    {0x03AD, 0x03AF, 0x0388 - 0x03AD, false},
    {0x03B1, 0x03C1, -32, false},   {0x03C2, 0x03C2, 0x03A3 - 0x03C2, false},
    {0x03C3, 0x03CB, -32, false},   {0x03CC, 0x03CC, 0x038C - 0x03CC, false},
    {0x03CD, 0x03CE, 0x038E - 0x03CD, false},
    {0x0430, 0x044F, -32, false},   {0x0450, 0x045F, -80, false},
};

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const DecodedCharacter decoded = DecodeUtf8(text);
        if (decoded.length == 0) {
            out.push_back(static_cast<unsigned char>(text.front()));
            text.remove_prefix(1);
        } else {
            AppendUtf16(out, decoded.code);
            text.remove_prefix(decoded.length);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800u) << 10) + (text[i + 1] - 0xDC00u));
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(out, kReplacementCharacter);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

char16_t FoldCase(char16_t unit) {
    for (const CaseRange& range : kCaseRanges) {
        if (unit < range.first || unit > range.last) continue;
        if (range.alternating && (unit - range.first) % 2 != 0) return unit;
        return static_cast<char16_t>(unit + range.toCapital);
    }
    return unit;
}

std::u16string FoldCase(std::u16string_view text) {
    std::u16string folded(text);
    for (char16_t& unit : folded) unit = FoldCase(unit);
    return folded;
}

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
    return std::ranges::equal(a, b, [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); });
}

bool EqualIgnoringCase(std::string_view utf8A, std::string_view utf8B) {
    return EqualIgnoringCase(Utf8ToUtf16(utf8A), Utf8ToUtf16(utf8B));
}

}  // namespace tegmora::gamedir

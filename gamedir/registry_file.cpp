#include "registry_file.h"

#include "wine_text.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tegmora::gamedir {
namespace {

constexpr std::string_view kBlanks = " \t\r\f\v";

std::string_view TrimLeft(std::string_view text) {
    const std::size_t start = text.find_first_not_of(kBlanks);
    return start == std::string_view::npos ? std::string_view{} : text.substr(start);
}

std::string_view TrimRight(std::string_view text) {
    const std::size_t end = text.find_last_not_of(kBlanks);
    return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

unsigned HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    return static_cast<unsigned>(c - 'A' + 10);
}

// Reads the number in up to `maxDigits` leading digits of `base` from text,
// removing them. Zero digits read: null.
std::optional<std::uint32_t> TakeNumber(std::string_view& text, std::size_t maxDigits, unsigned base) {
    const auto isDigit = base == 8 ? IsOctalDigit : IsHexDigit;
    std::uint32_t value = 0;
    std::size_t digits = 0;
    while (digits < maxDigits && digits < text.size() && isDigit(text[digits])) {
        value = value * base + HexDigitValue(text[digits]);
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    text.remove_prefix(digits);
    return value;
}

// One line at a time, without its line end or trailing blanks.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest_(text) {}

    std::optional<std::string_view> Next() {
        if (rest_.empty()) return std::nullopt;
        const std::size_t end = rest_.find('\n');
        const std::string_view line = rest_.substr(0, end);
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
        return TrimRight(line);
    }

    std::string_view Rest() const { return rest_; }

private:
    std::string_view rest_;
};

constexpr std::array<std::pair<char, char16_t>, 8> kCharacterEscapes = {{
    {'a', u'\a'}, {'b', u'\b'}, {'t', u'\t'}, {'n', u'\n'},
    {'v', u'\v'}, {'f', u'\f'}, {'r', u'\r'}, {'e', 0x1B},
}};

// Reads the escape after a backslash (removing it) and appends what it
// stands for. Wine writes \x with four digits only when a hex digit follows,
// so up to four are read.
void TakeEscape(std::string_view& text, std::u16string& out) {
    const char escaped = text.front();
    for (const auto& [letter, unit] : kCharacterEscapes) {
        if (escaped == letter) {
            out.push_back(unit);
            text.remove_prefix(1);
            return;
        }
    }
    if (escaped == 'x') {
        std::string_view digits = text.substr(1);
        if (const auto value = TakeNumber(digits, 4, 16)) {
            out.push_back(static_cast<char16_t>(*value));
            text = digits;
            return;
        }
    }
    if (const auto value = TakeNumber(text, 3, 8)) {
        out.push_back(static_cast<char16_t>(*value));
        return;
    }
    if (static_cast<unsigned char>(escaped) < 0x80) {
        out.push_back(static_cast<char16_t>(escaped));
        text.remove_prefix(1);
    }
    // A backslash before a non-ASCII character stands for that character,
    // which the caller reads as ordinary text.
}

struct QuotedText {
    std::u16string text;
    std::string_view rest;  // after the closing character
};

// The text up to `closing`, which the file escapes with a backslash where it
// is part of the text. Null when the closing character is missing.
std::optional<QuotedText> ParseQuoted(std::string_view text, char closing) {
    const char stopCharacters[] = {'\\', closing};
    const std::string_view stops(stopCharacters, 2);
    QuotedText quoted;
    while (true) {
        const std::size_t stop = text.find_first_of(stops);
        if (stop == std::string_view::npos) return std::nullopt;
        quoted.text += Utf8ToUtf16(text.substr(0, stop));
        const bool isClosing = text[stop] == closing;
        text.remove_prefix(stop + 1);
        if (isClosing) break;
        if (text.empty()) return std::nullopt;
        TakeEscape(text, quoted.text);
    }
    quoted.rest = text;
    return quoted;
}

using Bytes = std::vector<std::uint8_t>;

Bytes Utf16Bytes(std::u16string_view text) {
    Bytes bytes;
    bytes.reserve(2 * text.size() + 2);
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

// Every data format reads from the value's line; only hex lists may go on
// to the lines after it.
using DataParser = std::optional<Bytes> (*)(std::string_view text, LineReader& lines);

std::optional<Bytes> ParseStringData(std::string_view text, LineReader&) {
    const std::optional<QuotedText> quoted = ParseQuoted(text, '"');
    if (!quoted || !quoted->rest.empty()) return std::nullopt;
    return Utf16Bytes(quoted->text);
}

std::optional<Bytes> ParseDwordData(std::string_view text, LineReader&) {
    const std::optional<std::uint32_t> value = TakeNumber(text, 8, 16);
    if (!value || !text.empty()) return std::nullopt;
    Bytes bytes;
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(*value >> shift));
    return bytes;
}

// Hex bytes separated by commas; a backslash at the end of a line continues
// the list on the next one. Continuation lines are taken from `lines`.
std::optional<Bytes> ParseHexData(std::string_view text, LineReader& lines) {
    Bytes bytes;
    while (true) {
        while (const auto byte = TakeNumber(text, 2, 16)) {
            if (!text.empty() && IsHexDigit(text.front())) return std::nullopt;
            bytes.push_back(static_cast<std::uint8_t>(*byte));
            text = TrimLeft(text);
            if (text.starts_with(',')) text = TrimLeft(text.substr(1));
        }
        if (text.empty()) return bytes;
        if (text != "\\") return std::nullopt;
        const std::optional<std::string_view> next = lines.Next();
        if (!next) return std::nullopt;
        text = TrimLeft(*next);
    }
}

// "hex(7):" names its type in hex; null when the text does not start so.
std::optional<std::uint32_t> TakeHexTypePrefix(std::string_view& text) {
    if (!text.starts_with("hex(")) return std::nullopt;
    std::string_view rest = text.substr(4);
    const std::optional<std::uint32_t> type = TakeNumber(rest, 8, 16);
    if (!type || !rest.starts_with("):")) return std::nullopt;
    text = rest.substr(2);
    return type;
}

struct DataPrefix {
    std::string_view prefix;
    std::uint32_t type;
    DataParser parse;
};

// A string's opening quote is part of its prefix.
constexpr DataPrefix kDataPrefixes[] = {
    {"\"", kRegString, ParseStringData},
    {"str:\"", kRegString, ParseStringData},
    {"str(2):\"", kRegExpandString, ParseStringData},
    {"str(7):\"", kRegMultiString, ParseStringData},
    {"hex:", kRegBinary, ParseHexData},
    {"dword:", kRegDword, ParseDwordData},
};

std::optional<RegistryValue> ParseValueData(std::string_view text, LineReader& lines) {
    if (const std::optional<std::uint32_t> type = TakeHexTypePrefix(text)) {
        std::optional<Bytes> data = ParseHexData(text, lines);
        if (!data) return std::nullopt;
        return RegistryValue{*type, std::move(*data)};
    }
    for (const DataPrefix& candidate : kDataPrefixes) {
        if (!text.starts_with(candidate.prefix)) continue;
        std::optional<Bytes> data = candidate.parse(text.substr(candidate.prefix.size()), lines);
        if (!data) return std::nullopt;
        return RegistryValue{candidate.type, std::move(*data)};
    }
    return std::nullopt;
}

struct NamedValue {
    std::u16string name;
    RegistryValue value;
};

// `"name"=data` or `@=data` for the default value.
std::optional<NamedValue> ParseValueLine(std::string_view line, LineReader& lines) {
    NamedValue named;
    std::string_view rest = line.substr(1);
    if (line.front() == '"') {
        std::optional<QuotedText> name = ParseQuoted(rest, '"');
        if (!name) return std::nullopt;
        named.name = std::move(name->text);
        rest = name->rest;
    }
    rest = TrimLeft(rest);
    if (!rest.starts_with('=')) return std::nullopt;
    std::optional<RegistryValue> value = ParseValueData(TrimLeft(rest.substr(1)), lines);
    if (!value) return std::nullopt;
    named.value = std::move(*value);
    return named;
}

// `[Software\\Maxis] 1600000000`: the name, escaped as strings are; the
// modification time after it does not matter here.
std::optional<std::u16string> ParseKeyLine(std::string_view line) {
    std::optional<QuotedText> name = ParseQuoted(line.substr(1), ']');
    if (!name) return std::nullopt;
    return std::move(name->text);
}

// One entry of the file: a key line, a value (with its continuation lines),
// a "#" option, or anything else, which is skipped.
struct Record {
    enum class Kind { Key, Value, Option, Other };
    Kind kind = Kind::Other;
    std::optional<std::u16string> keyName;  // Key: null when the line is damaged
    std::optional<NamedValue> value;        // Value: null when the line is damaged
    std::string_view option;                // Option: the text after "#"
};

char16_t AsciiUpper(char c) { return static_cast<char16_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); }

// False when the key line `line` cannot name the case-folded path `wanted`,
// decided on its plain ASCII characters and doubled backslashes alone (which
// fold as the full comparison folds them). True when it may: then the line
// is read in full. Most key lines of a registry differ early on.
bool MayNameKey(std::string_view line, std::u16string_view wanted) {
    std::size_t at = 0;
    for (std::size_t i = 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ']') return at == wanted.size();
        if (static_cast<unsigned char>(c) >= 0x80) return true;
        if (c == '\\') {
            if (i + 1 >= line.size() || line[i + 1] != '\\') return true;
            ++i;
        }
        if (at == wanted.size() || AsciiUpper(c) != wanted[at]) return false;
        ++at;
    }
    return true;
}

class RecordReader {
public:
    explicit RecordReader(std::string_view text) : lines_(text) {}

    // `wantValues` says whether the values of the key read last are kept;
    // others are parsed only when they may go on to the next line.
    std::optional<Record> Next(bool wantValues = true) {
        const std::optional<std::string_view> line = lines_.Next();
        if (!line) return std::nullopt;
        const std::string_view content = TrimLeft(*line);
        Record record;
        if (content.starts_with('[')) {
            record.kind = Record::Kind::Key;
            record.keyName = ParseKeyLine(content);
        } else if (content.starts_with('"') || content.starts_with('@')) {
            record.kind = Record::Kind::Value;
            if (wantValues || content.ends_with('\\')) record.value = ParseValueLine(content, lines_);
        } else if (content.starts_with('#')) {
            record.kind = Record::Kind::Option;
            record.option = content.substr(1);
        }
        return record;
    }

    // Outside the keys looked for, passes over every line up to the next key
    // line that may name one of `keys` (MayNameKey), looking only at lines
    // that start with "[": a registry of megabytes is searched in a few
    // milliseconds. A key line right after a line ending in "\\" may be part
    // of a hex list; then the lines up to it are read one by one as before.
    void SkipToPossibleKey(const std::vector<std::u16string>& keys) {
        const std::string_view rest = lines_.Rest();
        if (rest.data() < readOneByOneUntil_) return;
        for (std::size_t from = 0;;) {
            const std::size_t bracket = rest.find('[', from);
            if (bracket == std::string_view::npos) {
                lines_ = LineReader(rest.substr(rest.size()));
                return;
            }
            from = bracket + 1;
            const std::size_t newline = rest.rfind('\n', bracket);
            const std::size_t lineStart = newline == std::string_view::npos ? 0 : newline + 1;
            if (!TrimLeft(rest.substr(lineStart, bracket - lineStart)).empty()) continue;
            if (lineStart > 0) {
                const std::string_view before = rest.substr(0, lineStart - 1);
                const std::size_t previousEnd = before.rfind('\n');
                if (TrimRight(before.substr(previousEnd == std::string_view::npos ? 0 : previousEnd + 1)).ends_with('\\')) {
                    readOneByOneUntil_ = rest.data() + bracket;
                    return;
                }
            }
            const std::string_view line = rest.substr(bracket, rest.find('\n', bracket) - bracket);
            if (std::ranges::any_of(keys, [line](const auto& key) { return MayNameKey(line, key); })) {
                lines_ = LineReader(rest.substr(lineStart));
                return;
            }
        }
    }

private:
    LineReader lines_;
    const char* readOneByOneUntil_ = nullptr;
};

// The "#arch=" line stands before the first key.
PrefixArch ReadArch(std::string_view body) {
    RecordReader records(body);
    PrefixArch arch = PrefixArch::Win32;
    while (const std::optional<Record> record = records.Next()) {
        if (record->kind == Record::Kind::Key) break;
        if (record->kind != Record::Kind::Option) continue;
        if (record->option == "arch=win64") arch = PrefixArch::Win64;
        if (record->option == "arch=win32") arch = PrefixArch::Win32;
    }
    return arch;
}

}  // namespace

const RegistryValue* RegistryKey::FindValue(std::string_view name) const {
    const auto found = values_.find(FoldCase(Utf8ToUtf16(name)));
    return found == values_.end() ? nullptr : &found->second;
}

RegistryFile::RegistryFile(std::string text, std::size_t bodyStart, PrefixArch arch)
    : text_(std::move(text)), bodyStart_(bodyStart), arch_(arch) {}

std::optional<RegistryFile> RegistryFile::Parse(std::string text) {
    LineReader lines(text);
    if (lines.Next() != kRegistryFileHeader) return std::nullopt;
    const std::size_t lineEnd = text.find('\n');
    const std::size_t bodyStart = lineEnd == std::string::npos ? text.size() : lineEnd + 1;
    const PrefixArch arch = ReadArch(std::string_view(text).substr(bodyStart));
    return RegistryFile(std::move(text), bodyStart, arch);
}

std::optional<RegistryKey> RegistryFile::OpenKey(std::string_view path) const {
    return OpenKeys({std::string(path)}).front();
}

std::vector<std::optional<RegistryKey>> RegistryFile::OpenKeys(const std::vector<std::string>& paths) const {
    std::vector<std::u16string> wanted;
    for (const std::string& path : paths) wanted.push_back(FoldCase(Utf8ToUtf16(path)));
    std::vector<std::optional<RegistryKey>> keys(paths.size());
    RecordReader records(std::string_view(text_).substr(bodyStart_));
    std::optional<RegistryKey>* current = nullptr;
    while (true) {
        if (current == nullptr) records.SkipToPossibleKey(wanted);
        std::optional<Record> record = records.Next(current != nullptr);
        if (!record) break;
        if (record->kind == Record::Kind::Key) {
            current = nullptr;
            if (!record->keyName) continue;
            const std::u16string name = FoldCase(*record->keyName);
            for (std::size_t i = 0; i < wanted.size() && current == nullptr; ++i) {
                if (name == wanted[i]) current = &keys[i];
            }
            if (current != nullptr && !*current) current->emplace();
        } else if (record->kind == Record::Kind::Value && current != nullptr && record->value) {
            (*current)->values_[FoldCase(record->value->name)] = std::move(record->value->value);
        }
    }
    // A path asked for twice, in any case, was read into its first place.
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const auto first = std::ranges::find(wanted, wanted[i]);
        keys[i] = keys[static_cast<std::size_t>(first - wanted.begin())];
    }
    return keys;
}

}  // namespace tegmora::gamedir

#include "key_values.h"

#include <algorithm>

namespace tegmora::gamedir {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool EndsBareWord(char c) { return IsBlank(c) || c == '"' || c == '{' || c == '}'; }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

struct Token {
    enum class Kind { Text, Open, Close, End, Damaged };
    Kind kind = Kind::End;
    std::string text;
};

class Tokens {
public:
    explicit Tokens(std::string_view text) : rest_(text) {}

    Token Next() {
        SkipBlanksAndComments();
        if (rest_.empty()) return {Token::Kind::End, {}};
        const char first = rest_.front();
        if (first == '{' || first == '}') {
            rest_.remove_prefix(1);
            return {first == '{' ? Token::Kind::Open : Token::Kind::Close, {}};
        }
        if (first == '"') return Quoted();
        std::size_t end = 0;
        while (end < rest_.size() && !EndsBareWord(rest_[end])) ++end;
        Token word{Token::Kind::Text, std::string(rest_.substr(0, end))};
        rest_.remove_prefix(end);
        return word;
    }

private:
    void SkipBlanksAndComments() {
        while (!rest_.empty()) {
            if (IsBlank(rest_.front())) {
                rest_.remove_prefix(1);
            } else if (rest_.starts_with("//")) {
                rest_.remove_prefix(std::min(rest_.find('\n'), rest_.size()));
            } else {
                return;
            }
        }
    }

    Token Quoted() {
        Token token{Token::Kind::Text, {}};
        for (std::size_t i = 1; i < rest_.size(); ++i) {
            const char c = rest_[i];
            if (c == '"') {
                rest_.remove_prefix(i + 1);
                return token;
            }
            if (c != '\\') {
                token.text += c;
                continue;
            }
            if (++i == rest_.size()) break;
            switch (rest_[i]) {
                case '\\': token.text += '\\'; break;
                case '"': token.text += '"'; break;
                case 'n': token.text += '\n'; break;
                case 't': token.text += '\t'; break;
                default: return {Token::Kind::Damaged, {}};
            }
        }
        return {Token::Kind::Damaged, {}};
    }

    std::string_view rest_;
};

// Reads pairs into `block` up to its closing brace (or the end of the text
// at the top level). False when the text is damaged.
bool ReadBlock(Tokens& tokens, KeyValue& block, std::size_t depth, bool topLevel) {
    while (true) {
        Token key = tokens.Next();
        if (key.kind == Token::Kind::End) return topLevel;
        if (key.kind == Token::Kind::Close) return !topLevel;
        if (key.kind != Token::Kind::Text) return false;
        Token value = tokens.Next();
        KeyValue pair{std::move(key.text), {}, {}, false};
        if (value.kind == Token::Kind::Text) {
            pair.value = std::move(value.text);
        } else if (value.kind == Token::Kind::Open && depth < kMaxKeyValuesDepth) {
            pair.isBlock = true;
            if (!ReadBlock(tokens, pair, depth + 1, false)) return false;
        } else {
            return false;
        }
        block.children.push_back(std::move(pair));
    }
}

}  // namespace

const KeyValue* KeyValue::Find(std::string_view name) const {
    for (const KeyValue& child : children) {
        if (std::ranges::equal(child.key, name, [](char a, char b) { return AsciiLower(a) == AsciiLower(b); })) {
            return &child;
        }
    }
    return nullptr;
}

std::optional<KeyValue> ParseKeyValues(std::string_view text) {
    if (text.size() > kMaxKeyValuesText) return std::nullopt;
    Tokens tokens(text);
    KeyValue root;
    root.isBlock = true;
    if (!ReadBlock(tokens, root, 0, true)) return std::nullopt;
    return root;
}

}  // namespace tegmora::gamedir

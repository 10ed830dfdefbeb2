// Steam's text KeyValues format (.vdf, .acf): pairs of a key and either a
// value or a block of further pairs in braces. Tokens are quoted, with the
// escapes \\ \" \n \t, or bare words; "//" starts a comment to the line's end.
//
// The reader is strict and bounded: anything else, nesting deeper than
// kMaxKeyValuesDepth or text longer than kMaxKeyValuesText gives nothing, so
// a damaged or hostile file costs time and memory linear in its size.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tegmora::gamedir {

inline constexpr std::size_t kMaxKeyValuesDepth = 32;
inline constexpr std::size_t kMaxKeyValuesText = 4u << 20;

struct KeyValue {
    std::string key;
    std::string value;               // a value's text; empty for a block
    std::vector<KeyValue> children;  // a block's pairs, in file order
    bool isBlock = false;

    // The first pair of this block named `key`, compared without regard to
    // ASCII case; null when there is none.
    const KeyValue* Find(std::string_view key) const;
};

// The file's top-level pairs as the children of one block; null when the
// text is damaged or beyond the bounds.
std::optional<KeyValue> ParseKeyValues(std::string_view text);

}  // namespace tegmora::gamedir

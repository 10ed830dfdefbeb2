// Fuzz target: Steam's KeyValues text (libraryfolders.vdf, app manifests)
// through the reader and what game discovery takes from it.
#include "fuzz_support.h"
#include "key_values.h"
#include "launcher_files.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tegmora::fuzz {
namespace {

// Each pair is a value or a block and is found by its key; no block is
// deeper than the bound. Returns the number of pairs below `block`.
std::size_t CheckBlock(const gamedir::KeyValue& block, std::size_t depth) {
    Require(depth <= gamedir::kMaxKeyValuesDepth, "a block nested deeper than the bound");
    std::size_t pairs = 0;
    for (const gamedir::KeyValue& pair : block.children) {
        Require(pair.isBlock ? pair.value.empty() : pair.children.empty(), "a value with pairs or a block with a value");
        Require(block.Find(OtherCase(pair.key)) != nullptr, "a key that cannot be found in the other case");
        pairs += 1 + (pair.isBlock ? CheckBlock(pair, depth + 1) : 0);
    }
    return pairs;
}

}  // namespace
}  // namespace tegmora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tegmora;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<gamedir::KeyValue> root = gamedir::ParseKeyValues(text);
    // Every pair needs at least one character of the text for its key.
    if (root) fuzz::Require(fuzz::CheckBlock(*root, 0) <= text.size(), "more pairs than characters");
    for (const std::string& path : gamedir::SteamLibraryPaths(text)) {
        fuzz::Require(root && !path.empty(), "a library path from damaged text or an empty one");
    }
    const std::optional<std::string> dir = gamedir::SteamInstallDir(text);
    fuzz::Require(!dir || (root && !dir->empty()), "an install folder from damaged text or an empty one");
    return 0;
}

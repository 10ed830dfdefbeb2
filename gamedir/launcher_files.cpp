#include "launcher_files.h"

#include "key_values.h"

#include <nlohmann/json.hpp>
#include <yaml-cpp/yaml.h>

#include <exception>
#include <utility>

namespace tegmora::gamedir {
namespace {

bool IsNumber(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The scalar at `path` below the document's top, or null.
std::optional<std::string> YamlScalar(std::string_view yaml, std::initializer_list<const char*> path) {
    try {
        YAML::Node node = YAML::Load(std::string(yaml));
        for (const char* key : path) {
            if (!node.IsMap()) return std::nullopt;
            // Assigning would write the child into the document, and the
            // mutable lookup adds missing keys: step down read-only.
            node.reset(std::as_const(node)[key]);
        }
        if (!node.IsScalar() || node.Scalar().empty()) return std::nullopt;
        return node.Scalar();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

std::vector<std::string> SteamLibraryPaths(std::string_view libraryFoldersVdf) {
    std::vector<std::string> paths;
    const std::optional<KeyValue> root = ParseKeyValues(libraryFoldersVdf);
    const KeyValue* folders = root ? root->Find("libraryfolders") : nullptr;
    if (folders == nullptr) return paths;
    for (const KeyValue& entry : folders->children) {
        if (!IsNumber(entry.key)) continue;
        const KeyValue* path = entry.isBlock ? entry.Find("path") : &entry;
        if (path != nullptr && !path->isBlock && !path->value.empty()) paths.push_back(path->value);
    }
    return paths;
}

std::optional<std::string> SteamInstallDir(std::string_view appManifest) {
    const std::optional<KeyValue> root = ParseKeyValues(appManifest);
    const KeyValue* state = root ? root->Find("AppState") : nullptr;
    const KeyValue* dir = state != nullptr ? state->Find("installdir") : nullptr;
    if (dir == nullptr || dir->isBlock || dir->value.empty()) return std::nullopt;
    return dir->value;
}

std::optional<std::string> LutrisPrefix(std::string_view yaml) { return YamlScalar(yaml, {"game", "prefix"}); }

std::optional<std::string> BottlesCustomPath(std::string_view yaml) {
    return YamlScalar(yaml, {"custom_bottles_path"});
}

std::vector<NamedPrefix> HeroicPrefixes(std::string_view text) {
    using nlohmann::json;
    // Nothing below a game's settings is needed; deeper values are dropped
    // as they are read.
    const json::parser_callback_t shallow = [](int depth, json::parse_event_t, json&) { return depth <= 2; };
    const json config = json::parse(text.begin(), text.end(), shallow, false);
    std::vector<NamedPrefix> prefixes;
    if (!config.is_object()) return prefixes;
    for (const auto& [game, settings] : config.items()) {
        if (!settings.is_object()) continue;
        const auto prefix = settings.find("winePrefix");
        if (prefix != settings.end() && prefix->is_string() && !prefix->get_ref<const std::string&>().empty()) {
            prefixes.push_back({game, prefix->get<std::string>()});
        }
    }
    return prefixes;
}

}  // namespace tegmora::gamedir

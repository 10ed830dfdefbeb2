// Names, paths and lists put into the messages that say why the game was
// not found.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tegmora::gamedir {

// "text" in double quotes, for names and paths in messages.
std::string Quoted(std::string_view text);

// The parts with `separator` between each two, for lists in messages.
std::string Joined(const std::vector<std::string>& parts, std::string_view separator);

}  // namespace tegmora::gamedir

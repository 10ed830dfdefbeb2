// The one place where game discovery reads files: regular files only, up to
// a size limit, so that a pipe, a device or a huge file in a launcher's
// place cannot stall or flood the search.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace tegmora::gamedir {

struct FileText {
    std::optional<std::string> text;
    std::string problem;  // when there is no text: why, naming the file
};

FileText ReadRegularFile(const std::filesystem::path& file, std::uintmax_t limit);

}  // namespace tegmora::gamedir

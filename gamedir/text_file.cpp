#include "text_file.h"

#include "message_text.h"

#include <fstream>

namespace tegmora::gamedir {

FileText ReadRegularFile(const std::filesystem::path& file, std::uintmax_t limit) {
    const std::string name = Quoted(file.string());
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) return {std::nullopt, name + " does not exist"};
    if (error) return {std::nullopt, name + " cannot be read: " + error.message()};
    if (!std::filesystem::is_regular_file(status)) return {std::nullopt, name + " is not a regular file"};
    std::ifstream in(file, std::ios::binary);
    if (!in) return {std::nullopt, name + " cannot be opened"};
    std::string text;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (!error && size <= limit) text.reserve(static_cast<std::size_t>(size));
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > limit) {
            return {std::nullopt, name + " is larger than " + std::to_string(limit >> 20) + " MiB"};
        }
    }
    if (in.bad()) return {std::nullopt, name + " cannot be read"};
    return {std::move(text), {}};
}

}  // namespace tegmora::gamedir

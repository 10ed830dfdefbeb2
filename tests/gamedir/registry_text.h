// Small registry files written inline for the tests.
#pragma once

#include "registry_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

namespace tegmora::gamedir::testing {

inline std::string RegistryText(std::string_view body) {
    return std::string(kRegistryFileHeader) + "\n;; All keys relative to \\\\Machine\n\n" + std::string(body);
}

inline RegistryFile ParsedRegistry(std::string_view body) {
    std::optional<RegistryFile> file = RegistryFile::Parse(RegistryText(body));
    if (!file) ADD_FAILURE() << "the header was not accepted";
    return file ? std::move(*file) : *RegistryFile::Parse(std::string(kRegistryFileHeader));
}

}  // namespace tegmora::gamedir::testing

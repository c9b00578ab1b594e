#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Paths cross the portable code as std::filesystem::path; their text is UTF-8 on both systems.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

}  // namespace platform

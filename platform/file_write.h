#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace platform {

// Whether anything exists at the path (a file or a folder).
bool PathExists(const std::filesystem::path& path);

// The file's last-write time as one 64-bit number, 0 when it cannot be read.
std::uint64_t LastWriteTime(const std::filesystem::path& path);

// Replaces the file's content as a whole: written beside it under another name, then moved over
// it, so that a failed write (disk full, crash) leaves the old file intact. False on any failure.
bool ReplaceFileContent(const std::filesystem::path& path, std::string_view bytes);

}  // namespace platform

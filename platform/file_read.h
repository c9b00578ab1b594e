#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

enum class FileReadStatus {
    Ok,
    CannotOpen,  // missing, a directory, locked, or the size could not be read
    Empty,
    TooLarge,
};

struct FileRead {
    FileReadStatus status = FileReadStatus::CannotOpen;
    // The file's size as reported before reading.
    std::uint64_t size = 0;
    // Whatever a single read returned; shorter than `size` after a failed or short read.
    std::string bytes;
};

// Reads a whole file with one read call when it holds 1 to maxBytes bytes. The file is opened
// for reading and shared for reading only, so a file that someone is writing is refused.
FileRead ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes);

}  // namespace platform

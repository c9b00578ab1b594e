#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

namespace platform {

enum class FileReadStatus {
    Ok,
    CannotOpen,  // missing, not a regular file, being written, or it did not give all its bytes
    Empty,
    TooLarge,
};

// The whole content of a file, alive as long as this record (and its copies) are: mapped where
// the platform can keep the file from changing underneath, else read into memory.
struct FileContent {
    FileReadStatus status = FileReadStatus::CannotOpen;
    std::uint64_t size = 0;             // the size the file had when it was opened
    std::string_view bytes;             // all of them when the status is Ok
    std::shared_ptr<const void> owner;  // what keeps `bytes` alive
};

// The whole content of a file of 1 to maxBytes bytes. A file that someone has open for writing
// is refused rather than read half-written, and so is one that did not give as many bytes as it
// had when it was opened.
FileContent ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes);

// The size of the regular file at the path; nothing for a folder, a device, a pipe or nothing
// there. Looks only: nothing is opened for reading, and no time is changed.
std::optional<std::uint64_t> RegularFileSize(const std::filesystem::path& path);

// Whether a folder is at the path.
bool IsFolder(const std::filesystem::path& path);

}  // namespace platform

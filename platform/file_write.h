#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace platform {

// A file's size and last-write time, read without opening it: whether a file is still the one
// that was read, where its identity does not matter. Nothing when it cannot be looked at.
struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;
    bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> StampOf(const std::filesystem::path& path);

// What tells one version of a file from another: which file it is (volume and file number),
// its size and its last-write time. `exists` is false, and the rest 0, when there is none.
struct FileVersion {
    bool exists = false;
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;
    bool operator==(const FileVersion&) const = default;
};

FileVersion VersionOf(const std::filesystem::path& path);

enum class ReplaceResult {
    Replaced,
    Changed,  // the file is not the version that was read: left as it is
    Failed,
};

// Replaces the file's content as a whole, if it is still the version `read`: written beside it
// under another name, checked, then moved over it, so that a failed write (disk full, crash)
// leaves the old file intact and another writer's file is never replaced blind. Where there was
// no file, one is created only if none has appeared meanwhile.
ReplaceResult ReplaceFileIfUnchanged(const std::filesystem::path& path, std::string_view bytes,
                                     const FileVersion& read);

}  // namespace platform

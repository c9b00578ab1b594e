#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// One thing in a folder as a walk sees it that never follows a link: a symbolic link or a
// Windows junction is a Link, a pipe or a device Other.
struct FolderEntry {
    enum class Kind { File, Folder, Link, Other };
    std::filesystem::path path;
    std::string name;       // UTF-8 where the system's name is valid text
    bool validName = true;  // false for bytes that are no UTF-8 (Linux) or broken UTF-16
    Kind kind = Kind::Other;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // last write, in the system's own ticks: for noticing a change
    bool hidden = false;        // Windows' hidden attribute
    bool executable = false;    // its owner may run it (Linux)
};

// What is at a path, the link itself where it is one; nothing when there is nothing.
std::optional<FolderEntry> LookAt(const std::filesystem::path& path);

// The entries of a folder, "." and ".." left out, in no particular order; false when it cannot be
// read.
bool ListFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries);

}  // namespace platform

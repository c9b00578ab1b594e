#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace platform {

// The folder of the module this code is linked into: the plug-in DLL, or the executable of a
// tool or test. "." when the module's path has no separator.
std::filesystem::path ModuleFolder();

// The user's local application data: LOCALAPPDATA on Windows. Linux stands in with
// MARROWPEEK_HOME, else $XDG_DATA_HOME, else ~/.local/share. None when nothing is set.
std::optional<std::filesystem::path> LocalAppData();

// Whether a file can be created in the folder: ".wtest", deleted again at once.
bool CanCreateFileIn(const std::filesystem::path& folder);

// Creates the folder with all missing parents; failures are left to whoever uses it.
void CreateDirectories(const std::filesystem::path& folder);

// Creates one level only; failures (usually: it exists) are ignored.
void CreateOneDirectory(const std::filesystem::path& folder);

// Expands %NAME% environment references; the text unchanged when it cannot.
std::filesystem::path ExpandEnvironmentReferences(const std::filesystem::path& text);

}  // namespace platform

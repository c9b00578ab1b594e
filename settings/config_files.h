#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "settings/settings.h"
#include "settings/themes.h"

// Where the INI files live: the plug-in's folder when a file can be created there, else
// LOCALAPPDATA\Marrowpeek (the plug-in's folder when that is not set), which is then created.
// `create` tells whether the folder has to be made.
struct ConfigFolderChoice {
    std::filesystem::path folder;
    bool create = false;
};
ConfigFolderChoice ChooseConfigFolder(const std::filesystem::path& pluginFolder,
                                      bool pluginFolderWritable,
                                      const std::optional<std::filesystem::path>& localAppData);

// The configuration folder of this process, settled at the first call together with the
// default files; later calls touch no file.
std::filesystem::path ConfigFolder();

// Settles the configuration folder before its first use (the developer tool's --config-dir).
void UseConfigFolder(const std::filesystem::path& folder);

// Writes the default themes file, or appends the newer built-in themes to an existing one, then
// writes the default settings file when there is none. Failures are silent.
void EnsureConfigFiles(const std::filesystem::path& folder);

// The settings and theme list of the folder, read again only when the file's last-write time
// changed. The reference stays valid until the next refresh.
const Settings& LoadSettings(const std::filesystem::path& folder);
void InvalidateSettings();
const std::vector<Theme>& LoadThemes(const std::filesystem::path& folder);

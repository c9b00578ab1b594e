#include "settings/config_files.h"

#include <mutex>

#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/folders.h"

namespace {

// Settled by whichever thread asks first: the packer and the thumbnails ask from the host's
// worker threads.
struct ConfigFolderState {
    std::mutex mutex;
    bool settled = false;
    std::filesystem::path folder;
};

ConfigFolderState& SettledFolder() {
    static ConfigFolderState state;
    return state;
}

// What was read from one file, read again only when the file's last-write time changes. Keyed
// by the folder as well: one folder per process is the rule, but a second folder must never be
// served the first one's values.
template <typename Value>
struct FileCache {
    bool valid = false;
    std::filesystem::path folder;
    std::uint64_t lastWrite = 0;
    Value value;

    template <typename Read>
    const Value& Get(const std::filesystem::path& inFolder, const char* fileName, Read read) {
        const std::uint64_t time =
            platform::StampOf(inFolder / fileName).value_or(platform::FileStamp{}).lastWrite;
        if (!valid || lastWrite != time || folder != inFolder) {
            value = read(inFolder);
            folder = inFolder;
            lastWrite = time;
            valid = true;
        }
        return value;
    }
};

FileCache<Settings>& SettingsCache() {
    static FileCache<Settings> cache;
    return cache;
}

FileCache<std::vector<Theme>>& ThemesCache() {
    static FileCache<std::vector<Theme>> cache;
    return cache;
}

void EnsureThemesFile(const std::filesystem::path& path) {
    // A file that cannot be read whole (locked, 4 MiB or larger, a short read) is left alone:
    // rewriting it from what was read would lose the user's themes. So is one that another
    // writer replaced meanwhile.
    const std::optional<VersionedText> read = ReadIniToChange(path);
    if (!read) {
        return;
    }
    if (!read->version.exists) {
        platform::ReplaceFileIfUnchanged(path, DefaultThemesText(), read->version);
        return;
    }
    // An upgrade that would pass the read limit would make every theme read as missing.
    if (const auto upgraded = UpgradedThemesText(read->text);
        upgraded && upgraded->size() <= kMaxIniFileBytes) {
        platform::ReplaceFileIfUnchanged(path, *upgraded, read->version);
    }
}

}  // namespace

ConfigFolderChoice ChooseConfigFolder(const std::filesystem::path& pluginFolder,
                                      bool pluginFolderWritable,
                                      const std::optional<std::filesystem::path>& localAppData) {
    if (pluginFolderWritable) {
        return {pluginFolder, false};
    }
    return {localAppData ? *localAppData / "Marrowpeek" : pluginFolder, true};
}

void EnsureConfigFiles(const std::filesystem::path& folder) {
    EnsureThemesFile(folder / kThemesFileName);
    const auto settingsPath = folder / kSettingsFileName;
    // Created only where none is, even one that appears meanwhile.
    platform::ReplaceFileIfUnchanged(settingsPath, SettingsFileText(Settings{}),
                                     platform::FileVersion{});
}

std::filesystem::path ConfigFolder() {
    ConfigFolderState& state = SettledFolder();
    std::lock_guard lock(state.mutex);
    if (!state.settled) {
        const auto plugin = platform::ModuleFolder();
        const ConfigFolderChoice choice =
            ChooseConfigFolder(plugin, platform::CanCreateFileIn(plugin), platform::LocalAppData());
        if (choice.create) {
            platform::CreateDirectories(choice.folder);
        }
        EnsureConfigFiles(choice.folder);
        state.folder = choice.folder;
        state.settled = true;
    }
    return state.folder;
}

void UseConfigFolder(const std::filesystem::path& folder) {
    platform::CreateDirectories(folder);
    EnsureConfigFiles(folder);
    ConfigFolderState& state = SettledFolder();
    std::lock_guard lock(state.mutex);
    state.settled = true;
    state.folder = folder;
}

const Settings& LoadSettings(const std::filesystem::path& folder) {
    return SettingsCache().Get(folder, kSettingsFileName, ReadSettings);
}

void InvalidateSettings() {
    SettingsCache().valid = false;
}

const std::vector<Theme>& LoadThemes(const std::filesystem::path& folder) {
    return ThemesCache().Get(folder, kThemesFileName, [](const std::filesystem::path& in) {
        return ThemesFromText(ReadTextFile(in / kThemesFileName));
    });
}

#include "settings/settings_writer.h"

#include "settings/ini.h"

platform::ReplaceResult WriteSettings(const std::filesystem::path& folder, const Settings& settings,
                                      const SettingsToChange& read) {
    return platform::ReplaceFileIfUnchanged(
        folder / kSettingsFileName,
        ReplaceSection(read.text, "settings", SettingsFileText(settings)), read.version);
}

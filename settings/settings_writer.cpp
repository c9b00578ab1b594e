#include "settings/settings_writer.h"

platform::ReplaceResult WriteSettings(const std::filesystem::path& folder, const Settings& settings,
                                      const platform::FileVersion& read) {
    return platform::ReplaceFileIfUnchanged(folder / kSettingsFileName, SettingsFileText(settings),
                                            read);
}

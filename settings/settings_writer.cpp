#include "settings/settings_writer.h"

#include "platform/file_write.h"

bool WriteSettings(const std::filesystem::path& folder, const Settings& settings) {
    return platform::ReplaceFileContent(folder / kSettingsFileName, SettingsFileText(settings));
}

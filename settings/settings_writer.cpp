#include "settings/settings_writer.h"

#include "platform/file_write.h"
#include "settings/config_files.h"
#include "settings/config_payload.h"

bool WriteSettings(const std::filesystem::path& folder, const Settings& settings) {
    return platform::ReplaceFileContent(folder / kSettingsFileName, SettingsFileText(settings));
}

std::optional<std::string> PersistSetting(WebViewState& state, std::string_view key,
                                          std::string_view value) {
    if (key.empty()) {
        return std::nullopt;
    }
    Settings settings = ReadSettings(state.configDir);
    ApplySetting(settings, key, value);
    WriteSettings(state.configDir, settings);
    InvalidateSettings();
    if (key != "theme") {
        return std::nullopt;
    }
    const Theme* theme = ResolveTheme(LoadThemes(state.configDir), settings.theme, state.dark);
    state.themeCss = BuildThemeCss(theme);
    return "{\"css\":\"" + EscapeQuotes(state.themeCss) + "\"}";
}

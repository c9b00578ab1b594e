#include "view/page_messages.h"

#include "platform/json_text.h"
#include "platform/utf8.h"
#include "settings/config_document.h"
#include "settings/config_files.h"
#include "settings/settings_writer.h"

std::string ExtractJsonString(std::string_view text, std::string_view key) {
    const std::string needle = "\"" + std::string(key) + "\"";
    const std::size_t name = text.find(needle);
    if (name == std::string_view::npos) {
        return {};
    }
    const std::size_t colon = text.find(':', name);
    if (colon == std::string_view::npos) {
        return {};
    }
    const std::size_t open = text.find('"', colon);
    if (open == std::string_view::npos) {
        return {};
    }
    std::string value;
    for (std::size_t at = open + 1; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '"') {
            return value;
        }
        if (c != '\\') {
            value += c;
            continue;
        }
        if (++at == text.size()) {
            break;
        }
        switch (text[at]) {
            case 'n':
                value += '\n';
                break;
            case 'r':
                value += '\r';
                break;
            case 't':
                value += '\t';
                break;
            default:
                value += text[at];
        }
    }
    return {};
}

std::string FrontendTimingLine(std::string_view label, std::string_view milliseconds) {
    return "[Marrowpeek] frontend " + std::string(label.empty() ? "unknown" : label) + ": " +
           std::string(milliseconds.empty() ? "?" : milliseconds) + " ms\n";
}

SettingChange PersistSetting(WebViewState& state, std::string_view key, std::string_view value) {
    SettingChange change;
    if (key.empty()) {
        return change;
    }
    const std::optional<Settings> stored = ReadSettingsToChange(state.configDir);
    // The page shows the change whether or not it can be stored, and so does the style sheet.
    Settings changed = stored ? *stored : LoadSettings(state.configDir);
    const bool storable = ApplySetting(changed, key, value);
    change.saved = stored && storable && WriteSettings(state.configDir, changed);
    InvalidateSettings();
    if (key == "theme") {
        const Theme* theme = ResolveTheme(LoadThemes(state.configDir), changed.theme, state.dark);
        state.themeCss = BuildThemeCss(theme);
        change.styleSheet = StyleSheetMessage(state.themeCss);
    }
    return change;
}

std::string SettingNotSavedMessage(std::string_view key) {
    std::string message = "{\"settingNotSaved\":";
    platform::AppendJsonString(message, SanitizeUtf8(key), platform::ControlEscapes::Unicode);
    return message + "}";
}

PageMessageOutcome HandlePageMessage(WebViewState& state, std::string_view text, bool tracing) {
    PageMessageOutcome outcome;
    if (text.find("\"perf\"") != std::string_view::npos) {
        if (tracing) {
            outcome.debugLine =
                FrontendTimingLine(ExtractJsonString(text, "label"), ExtractJsonString(text, "ms"));
        }
        return outcome;
    }
    const std::string key = ExtractJsonString(text, "set");
    if (key.empty()) {
        return outcome;
    }
    SettingChange change = PersistSetting(state, key, ExtractJsonString(text, "value"));
    if (change.styleSheet) {
        outcome.replies.push_back(std::move(*change.styleSheet));
    }
    if (!change.saved) {
        outcome.replies.push_back(SettingNotSavedMessage(key));
    }
    return outcome;
}

#include "view/page_messages.h"

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
    return StyleSheetMessage(state.themeCss);
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
    outcome.reply = PersistSetting(state, key, ExtractJsonString(text, "value"));
    return outcome;
}

#include "view/page_messages.h"

#include "platform/hex.h"
#include "platform/json_text.h"
#include "platform/utf8.h"
#include "settings/config_document.h"
#include "settings/config_files.h"
#include "settings/settings_writer.h"

namespace {

// The UTF-16 unit of a "\uXXXX" escape whose "u" is at `at`, or -1.
long EscapedUnit(std::string_view text, std::size_t at) {
    if (text.size() - at < 5) {
        return -1;
    }
    long unit = 0;
    for (std::size_t i = at + 1; i < at + 5; ++i) {
        const int digit = platform::HexDigitValue(text[i]);
        if (digit < 0) {
            return -1;
        }
        unit = unit * 16 + digit;
    }
    return unit;
}

// Decodes the "\uXXXX" escape at `at` (its "u"), joining a surrogate pair; a lone surrogate
// becomes U+FFFD. Returns the index of the escape's last character, or `at` when it is not
// one, the "u" then standing for itself.
std::size_t AppendUnicodeEscape(std::string& out, std::string_view text, std::size_t at) {
    const long unit = EscapedUnit(text, at);
    if (unit < 0) {
        out += 'u';
        return at;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF && text.substr(at + 5, 2) == "\\u") {
        const long low = EscapedUnit(text, at + 6);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                                (static_cast<char32_t>(low) - 0xDC00));
            return at + 10;
        }
    }
    AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : static_cast<char32_t>(unit));
    return at + 4;
}

// The name of a message's first member: {"copy":...} gives "copy".
std::string_view FirstMemberName(std::string_view text) {
    const std::size_t open = text.find_first_not_of(" \t\r\n");
    if (open == std::string_view::npos || text[open] != '{') {
        return {};
    }
    const std::size_t quote = text.find_first_not_of(" \t\r\n", open + 1);
    if (quote == std::string_view::npos || text[quote] != '"') {
        return {};
    }
    const std::size_t close = text.find('"', quote + 1);
    return close == std::string_view::npos ? std::string_view()
                                           : text.substr(quote + 1, close - quote - 1);
}

}  // namespace

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
            case 'b':
                value += '\b';
                break;
            case 'f':
                value += '\f';
                break;
            case 'u':
                at = AppendUnicodeEscape(value, text, at);
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
    platform::AppendJsonRepaired(message, key, platform::ControlEscapes::Unicode);
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
    // The page's own messages name their kind first; a setting change is found anywhere.
    const std::string_view kind = FirstMemberName(text);
    if (kind == "key") {
        outcome.relayedKey = ExtractJsonString(text, "key");
        return outcome;
    }
    if (kind == "keys") {
        outcome.pageWantsKeys = ExtractJsonString(text, "keys") == "page";
        return outcome;
    }
    if (kind == "copy") {
        outcome.copiedText = ExtractJsonString(text, "copy");
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

#include "settings/config_document.h"

#include "platform/json_text.h"

namespace {

// Settings and themes come from files a user may have saved in any encoding: each string is
// repaired into UTF-8, so that the document stays JSON.
void AppendString(std::string& out, std::string_view text) {
    platform::AppendJsonRepaired(out, text, platform::ControlEscapes::Unicode);
}

void AppendName(std::string& out, std::string_view name) {
    out += ",\"";
    out += name;
    out += "\":";
}

void AppendText(std::string& out, std::string_view name, std::string_view text) {
    AppendName(out, name);
    AppendString(out, text);
}

void AppendFlag(std::string& out, std::string_view name, bool value) {
    AppendName(out, name);
    platform::AppendJsonBool(out, value);
}

void AppendSetting(std::string& out, const Settings& settings, const SettingField& field) {
    switch (field.rule) {
        case SettingRule::Flag:
            AppendFlag(out, field.key, settings.*std::get<bool Settings::*>(field.field));
            return;
        case SettingRule::FontSize:
            AppendName(out, field.key);
            platform::AppendJsonInteger(out,
                                        settings.*std::get<std::int32_t Settings::*>(field.field));
            return;
        case SettingRule::Text:
        case SettingRule::CacheMode:
            AppendText(out, field.key, settings.*std::get<std::string Settings::*>(field.field));
            return;
    }
}

}  // namespace

std::string BuildConfigJson(const std::vector<Theme>& themes, const Settings& settings,
                            std::string_view themeName, bool dark, bool perf) {
    // The theme setting as written goes first, as "mode", followed by the theme it resolved to.
    std::string out = "{\"mode\":";
    AppendString(out, settings.theme);
    AppendText(out, "theme", themeName);
    for (const SettingField& field : SettingFields()) {
        if (field.key == "theme") {
            continue;
        }
        AppendSetting(out, settings, field);
        if (field.key == "tree") {
            AppendFlag(out, "tcDark", dark);
        }
    }
    AppendFlag(out, "perf", perf);
    out += ",\"palettes\":{";
    for (std::size_t t = 0; t < themes.size(); ++t) {
        if (t != 0) {
            out += ',';
        }
        AppendString(out, themes[t].name);
        out += ":{";
        for (std::size_t e = 0; e < themes[t].entries.size(); ++e) {
            if (e != 0) {
                out += ',';
            }
            AppendString(out, themes[t].entries[e].first);
            out += ':';
            AppendString(out, themes[t].entries[e].second);
        }
        out += '}';
    }
    out += "}}";
    return out;
}

std::string StyleSheetMessage(std::string_view css) {
    std::string out = "{\"css\":";
    AppendString(out, css);
    out += '}';
    return out;
}

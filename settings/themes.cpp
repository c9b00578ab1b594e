#include "settings/themes.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "platform/hex.h"

namespace {

using Palette = std::vector<std::pair<const char*, const char*>>;

struct BuiltInTheme {
    const char* name;
    Palette palette;
};

const std::array<BuiltInTheme, 3>& OriginalThemes() {
    static const std::array<BuiltInTheme, 3> themes = {{
        {"Light",
         {{"bg", "#ffffff"},
          {"fg", "#1a1a1a"},
          {"muted", "#666666"},
          {"line", "#e3e3e3"},
          {"accent", "#2b7de9"},
          {"dir", "#c8901e"},
          {"hover", "#eef3fb"},
          {"chip", "#eef1f5"}}},
        {"Dark",
         {{"bg", "#1e1e1e"},
          {"fg", "#e6e6e6"},
          {"muted", "#9b9b9b"},
          {"line", "#333333"},
          {"accent", "#4a9eff"},
          {"dir", "#e0b050"},
          {"hover", "#2a3240"},
          {"chip", "#33373d"}}},
        {"Dracula",
         {{"bg", "#282a36"},
          {"fg", "#f8f8f2"},
          {"muted", "#6272a4"},
          {"line", "#44475a"},
          {"accent", "#bd93f9"},
          {"dir", "#ffb86c"},
          {"hover", "#44475a"},
          {"chip", "#44475a"}}},
    }};
    return themes;
}

// Added after the first release: an existing file that lacks them gets them appended.
const std::array<BuiltInTheme, 3>& NewerThemes() {
    static const std::array<BuiltInTheme, 3> themes = {{
        {"Night Owl",
         {{"bg", "#011627"},
          {"fg", "#d6deeb"},
          {"muted", "#7fdbca"},
          {"line", "#1d3b53"},
          {"accent", "#82aaff"},
          {"dir", "#ffeb95"},
          {"hover", "#0b2942"},
          {"chip", "#102a44"},
          {"icon-video", "#82aaff"},
          {"icon-audio", "#21c7a8"},
          {"icon-image", "#c792ea"},
          {"icon-archive", "#ffeb95"},
          {"icon-doc", "#addb67"},
          {"icon-pdf", "#ef5350"},
          {"icon-text", "#d6deeb"},
          {"icon-subtitle", "#c792ea"},
          {"icon-code", "#7fdbca"},
          {"icon-app", "#82aaff"},
          {"icon-disc", "#ff5874"}}},
        {"Craver",
         {{"bg", "#242424"},
          {"fg", "#fefefe"},
          {"muted", "#8b949e"},
          {"line", "#3a3a3a"},
          {"accent", "#3a86ff"},
          {"dir", "#33dd2d"},
          {"hover", "#282c34"},
          {"chip", "#30363d"},
          {"icon-video", "#3a86ff"},
          {"icon-audio", "#33dd2d"},
          {"icon-image", "#f1184c"},
          {"icon-archive", "#ffbb00"},
          {"icon-doc", "#0184bc"},
          {"icon-pdf", "#f1184c"},
          {"icon-text", "#fefefe"},
          {"icon-subtitle", "#8800dd"},
          {"icon-code", "#3a86ff"},
          {"icon-app", "#ffbb00"},
          {"icon-disc", "#8800dd"}}},
        {"Catppuccin",
         {{"bg", "#24273a"},
          {"fg", "#cad3f5"},
          {"muted", "#a5adcb"},
          {"line", "#363a4f"},
          {"accent", "#8aadf4"},
          {"dir", "#f5bde6"},
          {"hover", "#2f334d"},
          {"chip", "#363a4f"},
          {"icon-video", "#8aadf4"},
          {"icon-audio", "#a6da95"},
          {"icon-image", "#f5bde6"},
          {"icon-archive", "#eed49f"},
          {"icon-doc", "#b7bdf8"},
          {"icon-pdf", "#ed8796"},
          {"icon-text", "#cad3f5"},
          {"icon-subtitle", "#c6a0f6"},
          {"icon-code", "#91d7e3"},
          {"icon-app", "#8bd5ca"},
          {"icon-disc", "#f5a97f"}}},
    }};
    return themes;
}

std::string SectionLine(const BuiltInTheme& theme) {
    return std::string("[") + theme.name + "]";
}

// A line feed first: after a text that ends with one it makes an empty line, after one that
// does not it ends that text's last line.
std::string Block(const BuiltInTheme& theme) {
    std::string block = "\n" + SectionLine(theme) + "\n";
    for (const auto& [key, value] : theme.palette) {
        block += std::string(key) + "=" + value + "\n";
    }
    return block;
}

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

}  // namespace

std::string DefaultThemesText() {
    std::string text =
        "; Marrowpeek themes. Each [Name] is a selectable theme.\n"
        "; 'Light' and 'Dark' are the pair used by 'auto' mode (follows TC).\n"
        "; Add your own sections; they appear in the theme dropdown automatically.\n";
    for (const auto& theme : OriginalThemes()) {
        text += Block(theme);
    }
    for (const auto& theme : NewerThemes()) {
        text += Block(theme);
    }
    return text;
}

std::optional<std::string> UpgradedThemesText(std::string_view existing) {
    std::string text(existing);
    bool appended = false;
    for (const auto& theme : NewerThemes()) {
        if (existing.find(SectionLine(theme)) == std::string_view::npos) {
            text += Block(theme);
            appended = true;
        }
    }
    if (!appended) {
        return std::nullopt;
    }
    return text;
}

std::vector<Theme> ThemesFromText(std::string_view text) {
    std::vector<Theme> themes = ParseIni(text);
    const auto inert = [](const std::pair<std::string, std::string>& entry) {
        const auto& [key, value] = entry;
        const bool plainKey = !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
        });
        // url() would fetch from anywhere the moment the page used the colour.
        return plainKey && value.find_first_of(";{}<>@\\\"'") == std::string::npos &&
               value.find("/*") == std::string::npos &&
               AsciiLower(value).find("url(") == std::string::npos;
    };
    for (Theme& theme : themes) {
        std::erase_if(theme.entries, [&](const auto& entry) { return !inert(entry); });
    }
    return themes;
}

const Theme* FindTheme(const std::vector<Theme>& themes, std::string_view name) {
    const std::string wanted = AsciiLower(name);
    for (const Theme& theme : themes) {
        if (AsciiLower(theme.name) == wanted) {
            return &theme;
        }
    }
    return nullptr;
}

const Theme* ResolveTheme(const std::vector<Theme>& themes, std::string_view theme, bool dark) {
    const bool automatic = theme.empty() || AsciiLower(theme) == "auto";
    const Theme* chosen = FindTheme(themes, automatic ? (dark ? "Dark" : "Light") : theme);
    if (chosen == nullptr) {
        chosen = FindTheme(themes, "Light");
    }
    if (chosen == nullptr && !themes.empty()) {
        chosen = &themes.front();
    }
    return chosen;
}

std::string BuildThemeCss(const Theme* theme) {
    std::string css = ":root{";
    if (theme != nullptr) {
        for (const auto& [key, value] : theme->entries) {
            css += "--" + key + ":" + value + ";";
        }
    }
    return css + "}";
}

std::optional<std::uint32_t> ThemeBackground(std::string_view css) {
    return ThemeColour(css, "bg");
}

std::optional<std::uint32_t> ThemeColour(std::string_view css, std::string_view key) {
    const std::string entry = "--" + std::string(key) + ":#";
    std::size_t at = css.find(entry);
    // A key is whole: "--bg" is not the end of "--icon-bg".
    while (at != std::string_view::npos && at > 0 && css[at - 1] != '{' && css[at - 1] != ';') {
        at = css.find(entry, at + 1);
    }
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view digits = css.substr(at + entry.size());
    digits = digits.substr(0, digits.find(';'));
    if (digits.size() != 3 && digits.size() != 6) {
        return std::nullopt;
    }
    std::uint32_t color = 0;
    for (const char c : digits) {
        const int value = platform::HexDigitValue(c);
        if (value < 0) {
            return std::nullopt;
        }
        // A short form doubles each digit: #1e2 is #11ee22.
        color = digits.size() == 3 ? color << 8 | static_cast<std::uint32_t>(value * 17)
                                   : color << 4 | static_cast<std::uint32_t>(value);
    }
    return color;
}

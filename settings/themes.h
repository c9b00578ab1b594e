#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ini.h"

// One section of themes.ini: a named palette of CSS custom property values, taken whole.
using Theme = IniSection;

inline constexpr const char* kThemesFileName = "themes.ini";

// The themes file written into a folder that has none.
std::string DefaultThemesText();

// The existing themes file with the newer built-in themes it lacks appended, or none when it
// lacks nothing. A section counts as present when its section line appears anywhere in the text.
std::optional<std::string> UpgradedThemesText(std::string_view existing);

// The themes of a themes file, each keeping only entries that are palette values and nothing
// more: a key other than letters, digits, "-" and "_", or a value holding a backslash, any of
// ; { } < > @ " ' or "/*", is dropped (the property keeps its default), since it could add rules to
// the page's style sheet. A theme file passed between users restyles nothing beyond its palette.
std::vector<Theme> ThemesFromText(std::string_view text);

// The first theme whose name equals `name` regardless of ASCII letter case.
const Theme* FindTheme(const std::vector<Theme>& themes, std::string_view name);

// The theme to show for the `theme` setting: "auto" (any case) or empty follows the host's
// dark mode (Dark or Light); an unknown name falls back to Light, then to the first theme.
const Theme* ResolveTheme(const std::vector<Theme>& themes, std::string_view theme, bool dark);

// ":root{--key:value;...}" for the theme's entries in order; ":root{}" without a theme.
std::string BuildThemeCss(const Theme* theme);

// A colour a theme style sheet sets ("bg" for --bg), as 0xRRGGBB, when it is written "#rgb" or
// "#rrggbb".
std::optional<std::uint32_t> ThemeColour(std::string_view css, std::string_view key);

// The "bg" colour: what the web view shows before the page paints.
std::optional<std::uint32_t> ThemeBackground(std::string_view css);

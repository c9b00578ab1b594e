#pragma once

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

// The first theme whose name equals `name` regardless of ASCII letter case.
const Theme* FindTheme(const std::vector<Theme>& themes, std::string_view name);

// The theme to show for the `theme` setting: "auto" (any case) or empty follows the host's
// dark mode (Dark or Light); an unknown name falls back to Light, then to the first theme.
const Theme* ResolveTheme(const std::vector<Theme>& themes, std::string_view theme, bool dark);

// ":root{--key:value;...}" for the theme's entries in order; ":root{}" without a theme.
std::string BuildThemeCss(const Theme* theme);

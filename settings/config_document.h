#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"
#include "settings/themes.h"

// The configuration document: the settings, the chosen theme's name, the host's dark mode, the
// timing switch and every theme's palette, in a fixed order.
std::string BuildConfigJson(const std::vector<Theme>& themes, const Settings& settings,
                            std::string_view themeName, bool dark, bool perf);

// The message that hands the page a new theme style sheet: {"css":"..."}.
std::string StyleSheetMessage(std::string_view css);

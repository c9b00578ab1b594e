#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "plugin/view_records.h"
#include "settings/settings.h"
#include "settings/themes.h"

// Backslash before quotes and backslashes; bytes below 0x20 become \u00XX so that a setting
// holding a control byte cannot break the document. Everything else is copied.
std::string EscapeQuotes(std::string_view text);

// The configuration document: the settings, the chosen theme's name, the host's dark mode, the
// timing switch and every theme's palette, in a fixed order.
std::string BuildConfigJson(const std::vector<Theme>& themes, const Settings& settings,
                            std::string_view themeName, bool dark, bool perf);

// Fills the view's configuration folder, theme style sheet and configuration document; relies
// on `state.dark` being set for the file being loaded.
void FillConfigPayload(WebViewState& state);

#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "plugin/view_records.h"
#include "settings/settings.h"

// Persists one setting changed on the page: reads the file afresh, applies the change and
// rewrites it whole. For "theme" the view's style sheet is rebuilt and the message to post to
// the page ({"css":"..."}) is returned. An empty key does nothing.
std::optional<std::string> PersistSetting(WebViewState& state, std::string_view key,
                                          std::string_view value);

// Writes folder/Marrowpeek.ini; true when every byte reached the file.
bool WriteSettings(const std::filesystem::path& folder, const Settings& settings);

#pragma once

#include <filesystem>
#include <optional>

#include "settings/settings.h"

// The WebView2 user-data folder for the cache mode: "portable" beside the plug-in
// (webview2_data), "user" under the local application data (Marrowpeek\WebView2), "custom" the
// settings' path with %NAME% references expanded. A folder that cannot be written falls back
// to the user folder; folders are created on the way.
std::filesystem::path ChooseWebViewDataFolder(
    const Settings& settings, const std::filesystem::path& pluginFolder,
    const std::optional<std::filesystem::path>& localAppData);

// The folder of this process, settled at the first call from the configuration folder's
// settings; a later change of the settings takes effect in the next process.
std::filesystem::path WebViewDataFolder();

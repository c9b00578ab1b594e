#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

// The window handle type without <windows.h>, which portable code never includes.
struct HWND__;
using WindowHandle = HWND__*;

// What one view serves its page. Documents are replaced whole by each successful payload
// preparation, never edited in place.
struct WebViewState {
    std::string dataJson;    // the torrent document, "/data.json"
    std::string themeCss;    // the theme style sheet, "/theme.css"
    std::string configJson;  // the configuration document, "/config.json"
    std::filesystem::path configDir;
    bool dark = false;  // the host's dark mode with the last file that loaded
    std::int64_t navigationStart = 0;
};

// One view the host opened: its window, its loading label and what it serves. Reachable from
// the window through the window's user-data slot; owns its WebViewState.
struct ViewerWindow {
    WindowHandle hwnd = nullptr;          // the plug-in window, or the parking window
    WindowHandle loadingLabel = nullptr;  // null for a view that came back from parking
    std::unique_ptr<WebViewState> web = std::make_unique<WebViewState>();
};

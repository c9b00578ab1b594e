#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "view/text_search.h"

// What one view serves its page. Documents are replaced whole by each successful payload
// preparation, never edited in place.
struct WebViewState {
    std::string dataJson;    // the torrent document, "/data.json"
    std::string themeCss;    // the theme style sheet, "/theme.css"
    std::string configJson;  // the configuration document, "/config.json"
    std::filesystem::path configDir;
    bool dark = false;  // the host's dark mode, from the show flags last given
    SearchText search;  // what the Lister's find looks through
    std::int64_t navigationStart = 0;
};

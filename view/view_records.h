#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/file_write.h"
#include "view/text_search.h"

// What one view serves its page. Documents are replaced whole by each successful payload
// preparation, never edited in place.
struct WebViewState {
    std::string dataJson;    // the torrent document, "/data.json"
    std::string themeCss;    // the theme style sheet, "/theme.css"
    std::string configJson;  // the configuration document, "/config.json"
    std::filesystem::path configDir;
    bool dark = false;  // the host's dark mode, from the show flags last given
    // The file the torrent document was made from, as it was then: the find reads it again.
    std::filesystem::path torrentPath;
    platform::FileStamp torrentStamp;
    // What the Lister's find looks through, made by the first find: most views never need it.
    std::shared_ptr<SearchText> search;
    // The page's order of the tree's nodes ("3 1 2"), numbered each time the page sends one.
    std::string pageOrder;
    std::uint64_t pageOrderVersion = 0;
    std::int64_t navigationStart = 0;
};

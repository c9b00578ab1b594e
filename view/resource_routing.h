#pragma once

#include <array>
#include <string>
#include <string_view>

#include "view/view_records.h"

// What answers a request of the page origin.
enum class PageResource { TorrentDocument, ConfigDocument, ThemeStyleSheet, Page };

// The page's own files, in the order of their resource numbers (101 on) in the plug-in; the
// preview reads them from the page's folder. The first is the page itself.
struct PageFile {
    std::string_view name;
    std::string_view contentType;
};
inline constexpr std::array<PageFile, 10> kPageFiles = {{
    {"index.html", "text/html; charset=utf-8"},
    {"page.css", "text/css; charset=utf-8"},
    {"common.js", "text/javascript; charset=utf-8"},
    {"tree.js", "text/javascript; charset=utf-8"},
    {"filter.js", "text/javascript; charset=utf-8"},
    {"meta.js", "text/javascript; charset=utf-8"},
    {"settings.js", "text/javascript; charset=utf-8"},
    {"check.js", "text/javascript; charset=utf-8"},
    {"host.js", "text/javascript; charset=utf-8"},
    {"main.js", "text/javascript; charset=utf-8"},
}};
inline constexpr int kFirstPageResource = 101;

struct ResourceRoute {
    PageResource resource;
    std::string_view contentType;
    std::size_t pageFile = 0;  // for the page: which of kPageFiles
};

// The first document whose path occurs anywhere in the full address (case-sensitive), else the
// page file the address's path names; anything else, the start page and a favicon included, is
// the page itself.
ResourceRoute RouteRequest(std::string_view address);

// The body of a route: one of the view's documents, or the page.
const std::string& RouteBody(PageResource resource, const WebViewState& state,
                             const std::string& page);

// The response headers, two lines: the content type, and caching forbidden so that every load
// sees the view's current documents.
std::string ResponseHeaders(std::string_view contentType);

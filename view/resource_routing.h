#pragma once

#include <string>
#include <string_view>

#include "view/view_records.h"

// What answers a request of the page origin.
enum class PageResource { TorrentDocument, ConfigDocument, ThemeStyleSheet, Page };

struct ResourceRoute {
    PageResource resource;
    std::string_view contentType;
};

// The first row whose path occurs anywhere in the full address (case-sensitive); anything else,
// the start page and a favicon included, is the page.
ResourceRoute RouteRequest(std::string_view address);

// The body of a route: one of the view's documents, or the page.
const std::string& RouteBody(PageResource resource, const WebViewState& state,
                             const std::string& page);

// The response headers, two lines: the content type, and caching forbidden so that every load
// sees the view's current documents.
std::string ResponseHeaders(std::string_view contentType);

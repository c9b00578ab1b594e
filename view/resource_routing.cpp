#include "view/resource_routing.h"

#include <algorithm>
#include <array>

namespace {

struct RouteRow {
    std::string_view path;
    ResourceRoute route;
};

constexpr std::string_view kJson = "application/json; charset=utf-8";

constexpr std::array<RouteRow, 3> kRoutes{{
    {"/data.json", {PageResource::TorrentDocument, kJson}},
    {"/config.json", {PageResource::ConfigDocument, kJson}},
    {"/theme.css", {PageResource::ThemeStyleSheet, "text/css; charset=utf-8"}},
}};

}  // namespace

ResourceRoute RouteRequest(std::string_view address) {
    for (const RouteRow& row : kRoutes) {
        if (address.find(row.path) != std::string_view::npos) {
            return row.route;
        }
    }
    // The path alone: from the first "/" after the scheme's, without a query or fragment.
    const std::size_t scheme = address.find("://");
    std::string_view path = address.substr(scheme == std::string_view::npos ? 0 : scheme + 3);
    path = path.substr(std::min(path.find('/'), path.size()));
    path = path.substr(0, path.find_first_of("?#"));
    for (std::size_t i = 1; i < kPageFiles.size(); ++i) {
        if (path.size() == kPageFiles[i].name.size() + 1 && path.ends_with(kPageFiles[i].name)) {
            return {PageResource::Page, kPageFiles[i].contentType, i};
        }
    }
    return {PageResource::Page, kPageFiles[0].contentType, 0};
}

const std::string& RouteBody(PageResource resource, const WebViewState& state,
                             const std::string& page) {
    switch (resource) {
        case PageResource::TorrentDocument:
            return state.dataJson;
        case PageResource::ConfigDocument:
            return state.configJson;
        case PageResource::ThemeStyleSheet:
            return state.themeCss;
        case PageResource::Page:
            break;
    }
    return page;
}

std::string ResponseHeaders(std::string_view contentType) {
    return "Content-Type: " + std::string(contentType) +
           "\r\nCache-Control: no-store, no-cache, must-revalidate";
}

#include "view/resource_routing.h"

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
    return {PageResource::Page, "text/html; charset=utf-8"};
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

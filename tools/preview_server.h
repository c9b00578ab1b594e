#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

struct PreviewOptions {
    std::filesystem::path torrent;
    std::uint32_t flags = 0;
    int port = 8765;                   // 0: any free port
    std::filesystem::path page;        // the page to serve, read afresh for every request
    std::filesystem::path screenshot;  // when set: render once in headless Chromium and exit
};

// Serves the viewer page and the three documents of a torrent on 127.0.0.1 through the plug-in's
// own routing and message handling, with a small bridge standing in for the WebView2 message
// channel. Prints the page's address first. Returns the exit code.
int RunPreview(const PreviewOptions& options, std::ostream& out, std::ostream& err);

// The page with the bridge script, which carries the run's token, at the start of its head.
std::string WithPreviewBridge(const std::string& page, std::string_view token);

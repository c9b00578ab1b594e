#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Who may drive a running preview. It listens on the loopback address, but any web page the
// user opens can still send it requests: a page of another site, or one that rebinds its own
// name to 127.0.0.1. Only the preview's own page may read it or act on it.
struct PreviewGuard {
    int port = 0;
    std::string token;              // per run, handed to the page with its bridge
    std::filesystem::path torrent;  // the file named on the command line

    // A Host of 127.0.0.1 or localhost with the preview's port: a rebound name is refused.
    bool HostAllowed(std::string_view host) const;
    // A request that acts (every POST) comes from the preview's own origin with the run's
    // token, which only its page knows.
    bool ActionAllowed(std::string_view host, std::string_view origin,
                       std::string_view token) const;
    // Another file for the view: the one named on the command line, or one beside it.
    bool FileAllowed(const std::filesystem::path& file) const;
};

// A token no other page can guess: 128 random bits in hexadecimal.
std::string NewPreviewToken();

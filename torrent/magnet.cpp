#include "torrent/magnet.h"

#include <algorithm>
#include <cctype>

#include "platform/hex.h"

namespace torrent {
namespace {

void AppendEncoded(std::string& out, std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += static_cast<char>(std::toupper(platform::kLowerHexDigits[byte >> 4]));
            out += static_cast<char>(std::toupper(platform::kLowerHexDigits[byte & 0xF]));
        }
    }
}

// Addresses are written without the blanks around them, which no address can hold.
std::string_view TrimBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

struct Magnet {
    std::string text = "magnet:?";
    bool first = true;

    void Add(std::string_view name, std::string_view value, bool encode = true) {
        text += first ? "" : "&";
        first = false;
        text += name;
        text += '=';
        if (encode) {
            AppendEncoded(text, value);
        } else {
            text += value;
        }
    }
};

}  // namespace

std::string MagnetLink(const TorrentInfo& info) {
    Magnet magnet;
    // Written as clients expect them: hexadecimal, and colons being allowed in a query.
    if (!info.infoHashV1.empty()) {
        magnet.Add("xt", "urn:btih:" + info.infoHashV1, false);
    }
    if (!info.infoHashV2.empty()) {
        magnet.Add("xt", "urn:btmh:1220" + info.infoHashV2, false);
    }
    magnet.Add("dn", info.name);
    std::vector<std::string_view> trackers;
    for (const auto& tier : info.trackerTiers) {
        trackers.insert(trackers.end(), tier.begin(), tier.end());
    }
    if (trackers.empty()) {
        trackers.push_back(info.announce);
    }
    std::vector<std::string_view> written;
    for (std::string_view tracker : trackers) {
        tracker = TrimBlanks(tracker);
        if (!tracker.empty() &&
            std::find(written.begin(), written.end(), tracker) == written.end()) {
            written.push_back(tracker);
            magnet.Add("tr", tracker);
        }
    }
    for (const std::string& seed : info.webSeeds) {
        magnet.Add("ws", TrimBlanks(seed));
    }
    return magnet.text;
}

}  // namespace torrent

#include "torrent/magnet.h"

#include <cctype>
#include <unordered_set>

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
    std::string& text;
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

std::string MagnetLink(const TorrentInfo& info, bool withTrackers) {
    std::string link;
    AppendMagnetLink(link, info, withTrackers);
    return link;
}

bool HoldsPasskey(std::string_view url) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    constexpr std::string_view kWord = "passkey";
    for (std::size_t at = 0; at + kWord.size() <= url.size(); ++at) {
        std::size_t matched = 0;
        while (matched < kWord.size() && lower(url[at + matched]) == kWord[matched]) {
            ++matched;
        }
        if (matched == kWord.size()) {
            return true;
        }
    }
    const auto alphanumeric = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    };
    const auto separator = [](char c) { return c == '/' || c == '?' || c == '&'; };
    for (std::size_t at = 0; at < url.size(); ++at) {
        if (!separator(url[at])) {
            continue;
        }
        std::size_t end = at + 1;
        while (end < url.size() && alphanumeric(url[end])) {
            ++end;
        }
        if (end - at - 1 >= 32 && (end == url.size() || separator(url[end]))) {
            return true;
        }
    }
    return false;
}

bool MagnetHoldsPasskey(const TorrentInfo& info) {
    bool holds = false;
    ForEachTracker(info,
                   [&](std::string_view url, std::size_t) { holds = holds || HoldsPasskey(url); });
    return info.hasPrivate && info.isPrivate && holds;
}

std::size_t MagnetLinkSizeBound(const TorrentInfo& info) {
    constexpr std::size_t kFixed = 160;   // the prefix, both hashes and their names
    constexpr std::size_t kPerValue = 4;  // "&tr=" and the like
    std::size_t encoded = info.name.size() + info.announce.size();
    std::size_t values = 2;
    for (const auto& tier : info.trackerTiers) {
        for (const std::string& tracker : tier) {
            encoded += tracker.size();
        }
        values += tier.size();
    }
    for (const std::string& seed : info.webSeeds) {
        encoded += seed.size();
    }
    values += info.webSeeds.size();
    return kFixed + 3 * encoded + kPerValue * values;
}

void AppendMagnetLink(std::string& out, const TorrentInfo& info, bool withTrackers) {
    out += "magnet:?";
    Magnet magnet{out};
    // Written as clients expect them: hexadecimal, and colons being allowed in a query.
    if (!info.infoHashV1.empty()) {
        magnet.Add("xt", "urn:btih:" + info.infoHashV1, false);
    }
    if (!info.infoHashV2.empty()) {
        magnet.Add("xt", "urn:btmh:1220" + info.infoHashV2, false);
    }
    if (!info.name.empty()) {
        magnet.Add("dn", info.name);
    }
    // The document lists each address once already; trimmed, two may still be the same.
    std::unordered_set<std::string_view> written;
    const auto addTracker = [&](std::string_view tracker) {
        tracker = TrimBlanks(tracker);
        if (!tracker.empty() && written.insert(tracker).second) {
            magnet.Add("tr", tracker);
        }
    };
    if (withTrackers) {
        ForEachTracker(info, [&](std::string_view tracker, std::size_t) { addTracker(tracker); });
    }
    for (const std::string& seed : info.webSeeds) {
        if (const std::string_view trimmed = TrimBlanks(seed); !trimmed.empty()) {
            magnet.Add("ws", trimmed);
        }
    }
}

}  // namespace torrent

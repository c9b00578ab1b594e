#include "trackers/scrape_rules.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "platform/hex.h"
#include "torrent/bencode.h"

namespace trackers {
namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::uint64_t GetBigEndian(const std::vector<std::uint8_t>& in, std::size_t at, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value = (value << 8) | in[at + static_cast<std::size_t>(i)];
    }
    return value;
}

}  // namespace

std::optional<TrackerAddress> ParseTrackerAddress(std::string_view url) {
    const std::size_t colon = url.find("://");
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    TrackerAddress address;
    const std::string scheme = Lower(url.substr(0, colon));
    address.scheme = scheme == "http"    ? TrackerAddress::Scheme::Http
                     : scheme == "https" ? TrackerAddress::Scheme::Https
                     : scheme == "udp"   ? TrackerAddress::Scheme::Udp
                                         : TrackerAddress::Scheme::Other;
    std::string_view rest = url.substr(colon + 3);
    const std::size_t pathStart = std::min(rest.find_first_of("/?#"), rest.size());
    std::string_view authority = rest.substr(0, pathStart);
    std::string_view path = rest.substr(pathStart);
    address.fragment = path.find('#') != std::string_view::npos;
    path = path.substr(0, path.find('#'));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    std::string_view port;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        address.host = Lower(authority.substr(1, close - 1));
        port = authority.substr(close + 1);
        port = port.starts_with(':') ? port.substr(1) : std::string_view();
    } else {
        const std::size_t portColon = authority.rfind(':');
        address.host = Lower(authority.substr(0, portColon));
        port = portColon == std::string_view::npos ? std::string_view()
                                                   : authority.substr(portColon + 1);
    }
    unsigned number = address.scheme == TrackerAddress::Scheme::Https  ? 443
                      : address.scheme == TrackerAddress::Scheme::Http ? 80
                                                                       : 0;
    if (!port.empty()) {
        const auto read = std::from_chars(port.data(), port.data() + port.size(), number);
        if (read.ec != std::errc() || read.ptr != port.data() + port.size() || number > 65535) {
            return std::nullopt;
        }
    }
    if (address.host.empty() || number == 0) {
        return std::nullopt;
    }
    address.port = static_cast<std::uint16_t>(number);
    const std::size_t question = path.find('?');
    address.path =
        path.empty() || path.front() == '?' ? "/" + std::string(path) : std::string(path);
    address.query =
        question == std::string_view::npos ? "" : std::string(path.substr(question + 1));
    return address;
}

std::optional<std::string> ScrapeUrl(std::string_view announce) {
    announce = announce.substr(0, announce.find('#'));  // a fragment is never sent
    const std::size_t query = std::min(announce.find('?'), announce.size());
    const std::size_t slash = announce.substr(0, query).rfind('/');
    const std::size_t scheme = announce.find("://");
    if (slash == std::string_view::npos || scheme == std::string_view::npos || slash < scheme + 3 ||
        announce.substr(slash + 1, query - slash - 1).substr(0, 8) != "announce") {
        return std::nullopt;
    }
    return std::string(announce.substr(0, slash + 1)) + "scrape" +
           std::string(announce.substr(slash + 1 + 8));
}

namespace {

// The IPv4 address an IPv6 one stands for: IPv4-mapped (::ffff:a.b.c.d) and IPv4-compatible
// (::a.b.c.d) forms; nothing for any other.
std::optional<std::vector<std::uint8_t>> EmbeddedIpv4(const std::vector<std::uint8_t>& a) {
    const auto zero = [](std::uint8_t b) { return b == 0; };
    if (a.size() != 16 || !std::all_of(a.begin(), a.begin() + 10, zero)) {
        return std::nullopt;
    }
    const bool mapped = a[10] == 0xFF && a[11] == 0xFF;
    const bool compatible =
        a[10] == 0 && a[11] == 0 && !std::all_of(a.begin() + 12, a.begin() + 15, zero);
    if (!mapped && !compatible) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>{a[12], a[13], a[14], a[15]};
}

}  // namespace

bool IsLocalAddress(const std::vector<std::uint8_t>& a) {
    if (const auto v4 = EmbeddedIpv4(a)) {
        return IsLocalAddress(*v4);
    }
    if (a.size() == 4) {
        return a[0] == 127 || a[0] == 10 || (a[0] == 172 && (a[1] & 0xF0) == 16) ||
               (a[0] == 192 && a[1] == 168) || (a[0] == 169 && a[1] == 254);
    }
    if (a.size() != 16) {
        return true;  // nothing known is nothing to ask
    }
    if (std::all_of(a.begin(), a.begin() + 15, [](std::uint8_t b) { return b == 0; }) &&
        a[15] == 1) {
        return true;  // ::1
    }
    return (a[0] & 0xFE) == 0xFC || (a[0] == 0xFE && (a[1] & 0xC0) == 0x80);
}

bool IsReservedAddress(const std::vector<std::uint8_t>& a) {
    if (const auto v4 = EmbeddedIpv4(a)) {
        return IsReservedAddress(*v4);
    }
    if (a.size() == 4) {
        return a[0] == 0 || a[0] >= 224 || (a[0] == 100 && (a[1] & 0xC0) == 64) ||
               (a[0] == 192 && a[1] == 0 && a[2] == 0) || (a[0] == 198 && (a[1] & 0xFE) == 18);
    }
    if (a.size() != 16) {
        return true;
    }
    return a[0] == 0xFF || std::all_of(a.begin(), a.end(), [](std::uint8_t b) { return b == 0; });
}

bool MayAskLocal(const TrackerAddress& address) {
    return address.path == "/announce" && address.query.empty() && !address.fragment;
}

Figures Largest(const Figures& a, const Figures& b) {
    return {std::max(a.seeders, b.seeders), std::max(a.leechers, b.leechers),
            std::max(a.completed, b.completed)};
}

std::string HttpScrapeRequest(const std::string& scrapeUrl, const std::vector<InfoHash>& hashes) {
    std::string url = scrapeUrl;
    char separator = scrapeUrl.find('?') == std::string::npos ? '?' : '&';
    for (const InfoHash& hash : hashes) {
        url += separator;
        url += "info_hash=";
        for (const std::uint8_t byte : hash) {
            if (std::isalnum(byte) || byte == '-' || byte == '.' || byte == '_' || byte == '~') {
                url += static_cast<char>(byte);
            } else {
                url += '%';
                url += static_cast<char>(std::toupper(platform::kLowerHexDigits[byte >> 4]));
                url += static_cast<char>(std::toupper(platform::kLowerHexDigits[byte & 0xF]));
            }
        }
        separator = '&';
    }
    return url;
}

HttpAnswer ReadHttpScrape(std::string_view body, const std::vector<InfoHash>& hashes) {
    HttpAnswer answer;
    bencode::Decoder decoder = bencode::DecoderFor(body.data(), body.size());
    const auto top = bencode::decode(decoder);
    if (!top || top->kind != bencode::Kind::Dictionary) {
        answer.error = "not a scrape answer";
        return answer;
    }
    if (const auto failure = bencode::Node::find(top, "failure reason");
        failure && failure->kind == bencode::Kind::String) {
        answer.error = std::string(failure->bytes.substr(0, 300));
        return answer;
    }
    const auto files = bencode::Node::find(top, "files");
    if (!files || files->kind != bencode::Kind::Dictionary) {
        answer.error = "not a scrape answer";
        return answer;
    }
    const auto number = [](const std::optional<bencode::Node>& entry, std::string_view key) {
        const auto value = bencode::Node::find(entry, key);
        return value && value->kind == bencode::Kind::Integer
                   ? std::max<std::int64_t>(0, value->integer)
                   : 0;
    };
    for (const InfoHash& hash : hashes) {
        const auto entry = bencode::Node::find(
            files, std::string_view(reinterpret_cast<const char*>(hash.data()), hash.size()));
        if (!entry || entry->kind != bencode::Kind::Dictionary) {
            continue;
        }
        const Figures figures{number(entry, "complete"), number(entry, "incomplete"),
                              number(entry, "downloaded")};
        answer.figures = answer.figures ? Largest(*answer.figures, figures) : figures;
    }
    if (!answer.figures) {
        answer.error = "the torrent is not on this tracker";
    }
    return answer;
}

std::vector<std::uint8_t> UdpConnectRequest(std::uint32_t transaction) {
    std::vector<std::uint8_t> request;
    PutBigEndian(request, kUdpProtocolId, 8);
    PutBigEndian(request, 0, 4);  // connect
    PutBigEndian(request, transaction, 4);
    return request;
}

std::optional<std::uint64_t> ReadUdpConnect(const std::vector<std::uint8_t>& answer,
                                            std::uint32_t transaction) {
    if (answer.size() < 16 || GetBigEndian(answer, 0, 4) != 0 ||
        GetBigEndian(answer, 4, 4) != transaction) {
        return std::nullopt;
    }
    return GetBigEndian(answer, 8, 8);
}

std::vector<std::uint8_t> UdpScrapeRequest(std::uint64_t connection, std::uint32_t transaction,
                                           const std::vector<InfoHash>& hashes) {
    std::vector<std::uint8_t> request;
    PutBigEndian(request, connection, 8);
    PutBigEndian(request, 2, 4);  // scrape
    PutBigEndian(request, transaction, 4);
    for (const InfoHash& hash : hashes) {
        request.insert(request.end(), hash.begin(), hash.end());
    }
    return request;
}

HttpAnswer ReadUdpScrape(const std::vector<std::uint8_t>& answer, std::uint32_t transaction,
                         std::size_t hashCount) {
    HttpAnswer result;
    if (answer.size() < 8 || GetBigEndian(answer, 4, 4) != transaction) {
        result.error = "not a scrape answer";
        return result;
    }
    const std::uint64_t action = GetBigEndian(answer, 0, 4);
    if (action == 3) {
        result.error.assign(
            answer.begin() + 8,
            answer.begin() + static_cast<long>(std::min<std::size_t>(answer.size(), 308)));
        return result;
    }
    if (action != 2 || answer.size() < 8 + 12 * hashCount || hashCount == 0) {
        result.error = "not a scrape answer";
        return result;
    }
    for (std::size_t i = 0; i < hashCount; ++i) {
        const std::size_t at = 8 + 12 * i;
        const Figures figures{static_cast<std::int64_t>(GetBigEndian(answer, at, 4)),
                              static_cast<std::int64_t>(GetBigEndian(answer, at + 8, 4)),
                              static_cast<std::int64_t>(GetBigEndian(answer, at + 4, 4))};
        result.figures = result.figures ? Largest(*result.figures, figures) : figures;
    }
    return result;
}

}  // namespace trackers

#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trackers {

// A tracker address taken apart as far as asking it needs.
struct TrackerAddress {
    enum class Scheme { Http, Https, Udp, Other } scheme = Scheme::Other;
    std::string host;  // lower case, without brackets
    std::uint16_t port = 0;
    std::string path;  // from the first "/" on, query included; "/" when there is none
    std::string query;
    bool fragment = false;  // it had a "#…", which is never sent
};
std::optional<TrackerAddress> ParseTrackerAddress(std::string_view url);

// The scrape address of an HTTP tracker: "announce" at the start of the last path element
// becomes "scrape" (BEP 48). Nothing when there is no such element: the tracker cannot be asked.
std::optional<std::string> ScrapeUrl(std::string_view announce);

// Whether an address (IPv4 as 4 bytes, IPv6 as 16, an IPv4 address written as IPv6 as that
// IPv4 address) is the user's own network: loopback, private (10/8, 172.16/12, 192.168/16,
// fc00::/7), link-local.
bool IsLocalAddress(const std::vector<std::uint8_t>& address);

// Whether an address is no single public host and is never asked, at any path: multicast
// (224/4, ff00::/8), broadcast, "this network" (0/8, ::), shared (100.64/10), protocol
// assignments (192.0.0/24), benchmarking (198.18/15) and reserved (240/4) ranges.
bool IsReservedAddress(const std::vector<std::uint8_t>& address);

// A tracker on a local address is asked only at exactly "/announce", without a query or a
// fragment: a torrent must not make the viewer send requests to other services of the user's
// network.
bool MayAskLocal(const TrackerAddress& address);

using InfoHash = std::array<std::uint8_t, 20>;

// What a tracker says of one torrent.
struct Figures {
    std::int64_t seeders = 0;
    std::int64_t leechers = 0;
    std::int64_t completed = 0;
};

// The largest of each figure: a hybrid is asked about both its hashes.
Figures Largest(const Figures& a, const Figures& b);

// An HTTP scrape request's address: one info_hash parameter per hash, raw bytes percent-encoded.
std::string HttpScrapeRequest(const std::string& scrapeUrl, const std::vector<InfoHash>& hashes);

// An HTTP scrape answer: the figures for the hashes asked about, the largest over them; a
// "failure reason" as the error's message; anything else that is no scrape answer an error.
struct HttpAnswer {
    std::optional<Figures> figures;
    std::string error;
};
HttpAnswer ReadHttpScrape(std::string_view body, const std::vector<InfoHash>& hashes);

// BEP 15 over UDP: a connect request and its answer, then one scrape request for all hashes.
inline constexpr std::uint64_t kUdpProtocolId = 0x41727101980;
std::vector<std::uint8_t> UdpConnectRequest(std::uint32_t transaction);
std::optional<std::uint64_t> ReadUdpConnect(const std::vector<std::uint8_t>& answer,
                                            std::uint32_t transaction);
std::vector<std::uint8_t> UdpScrapeRequest(std::uint64_t connection, std::uint32_t transaction,
                                           const std::vector<InfoHash>& hashes);
// Seeders, completed and leechers for each hash in order, the largest over them; an error
// answer (action 3) gives its message.
HttpAnswer ReadUdpScrape(const std::vector<std::uint8_t>& answer, std::uint32_t transaction,
                         std::size_t hashCount);

}  // namespace trackers

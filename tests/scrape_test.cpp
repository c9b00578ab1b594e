#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>

#include "platform/net.h"
#include "trackers/scrape_rules.h"
#include "trackers/scrape_run.h"

#ifndef _WIN32
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

using trackers::InfoHash;

TEST(TrackerRules, ScrapeAddressesAndAddressClasses) {
    // clang-format off
    const std::pair<std::string, std::string> scrapes[] = {
        {"http://t.example/announce", "http://t.example/scrape"},
        {"http://t.example/x/announce.php?passkey=1", "http://t.example/x/scrape.php?passkey=1"},
        {"https://t.example:8443/announce?a=/b", "https://t.example:8443/scrape?a=/b"},
        {"http://t.example/a", ""}, {"http://t.example/announce/x", ""}, {"http://announce", ""},
        {"http://t.example/x/Announce", ""}};
    // clang-format on
    for (const auto& [announce, scrape] : scrapes) {
        EXPECT_EQ(trackers::ScrapeUrl(announce).value_or(""), scrape) << announce;
    }
    const std::pair<std::vector<std::uint8_t>, bool> addresses[] = {
        {{127, 0, 0, 1}, true},
        {{10, 1, 2, 3}, true},
        {{172, 16, 0, 1}, true},
        {{172, 32, 0, 1}, false},
        {{192, 168, 1, 1}, true},
        {{169, 254, 0, 1}, true},
        {{0, 0, 0, 0}, false},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 127, 0, 0, 1}, true},
        {{8, 8, 8, 8}, false},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, true},
        {{0xFD, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, true},
        {{0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, true},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 192, 168, 0, 1}, true},
        {{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, false}};
    for (const auto& [address, local] : addresses) {
        EXPECT_EQ(trackers::IsLocalAddress(address), local)
            << int(address[0]) << "." << int(address[1]);
    }
    const auto parsed = trackers::ParseTrackerAddress("UDP://[::1]:6969/announce?x#f");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->host + " " + std::to_string(parsed->port) + " " + parsed->path,
              "::1 6969 /announce?x");
    EXPECT_FALSE(trackers::MayAskLocal(*parsed));
    EXPECT_FALSE(trackers::MayAskLocal(*trackers::ParseTrackerAddress("http://h/announce#/../x")));
    EXPECT_EQ(trackers::ScrapeUrl("http://h/announce#/../x").value_or(""), "http://h/scrape");
    EXPECT_TRUE(trackers::MayAskLocal(*trackers::ParseTrackerAddress("http://127.0.0.1/announce")));
    EXPECT_FALSE(trackers::ParseTrackerAddress("http://t.example:99999/announce"));
}

// Addresses that are no single public host are never asked, however they are written.
TEST(TrackerRules, ReservedAddresses) {
    using Bytes = std::vector<std::uint8_t>;
    // The IPv6 forms of an IPv4 address: mapped (::ffff:a.b.c.d) or compatible (::a.b.c.d).
    const auto v6 = [](const Bytes& v4, std::uint8_t marker) {
        Bytes written(16, 0);
        written[10] = written[11] = marker;
        std::copy(v4.begin(), v4.end(), written.begin() + 12);
        return written;
    };
    const Bytes reserved[] = {{224, 0, 0, 1},   {239, 255, 255, 250}, {255, 255, 255, 255},
                              {0, 0, 0, 0},     {0, 1, 2, 3},         {100, 64, 0, 1},
                              {100, 127, 1, 1}, {192, 0, 0, 8},       {198, 18, 0, 1},
                              {198, 19, 9, 9},  {240, 0, 0, 1},       Bytes(16, 0)};
    for (const Bytes& address : reserved) {
        EXPECT_TRUE(trackers::IsReservedAddress(address))
            << int(address[0]) << "." << int(address[1]);
        if (address.size() == 4) {
            EXPECT_TRUE(trackers::IsReservedAddress(v6(address, 0xFF)));
            EXPECT_TRUE(trackers::IsReservedAddress(v6(address, 0)));
        }
    }
    Bytes multicast6(16, 0);
    multicast6[0] = 0xFF;
    EXPECT_TRUE(trackers::IsReservedAddress(multicast6));
    for (const Bytes& address :
         {Bytes{8, 8, 8, 8}, Bytes{100, 128, 0, 1}, Bytes{192, 0, 2, 1}, Bytes{198, 20, 0, 1},
          Bytes{223, 255, 255, 255}, Bytes{127, 0, 0, 1}}) {
        EXPECT_FALSE(trackers::IsReservedAddress(address))
            << int(address[0]) << "." << int(address[1]);
    }
}

// The packets of both protocols, and the largest figures over a hybrid's two hashes.
TEST(TrackerRules, PacketsAndAnswers) {
    const std::vector<InfoHash> hashes = {InfoHash{0x41}, InfoHash{0x25}};
    EXPECT_EQ(
        trackers::HttpScrapeRequest("http://t/scrape?k=1", hashes),
        "http://t/scrape?k=1&info_hash=A%00%00%00%00%00%00%00%00%00%00%00%00%00%00%00%00%00%00%00"
        "&info_hash=%25%00%00%00%00%00%00%00%00%00%00%00%00%00%00%00%00%00%00%00");
    const std::string key(reinterpret_cast<const char*>(hashes[1].data()), 20);
    const std::string body =
        "d5:filesd20:" + key + "d8:completei9e10:downloadedi3e10:incompletei2eeee";
    const auto http = trackers::ReadHttpScrape(body, hashes);
    ASSERT_TRUE(http.figures);
    EXPECT_EQ(http.figures->seeders * 100 + http.figures->leechers * 10 + http.figures->completed,
              923);
    EXPECT_EQ(trackers::ReadHttpScrape("d14:failure reason4:gonee", hashes).error, "gone");
    EXPECT_EQ(trackers::ReadHttpScrape("<html>", hashes).error, "not a scrape answer");

    const auto connect = trackers::UdpConnectRequest(7);
    EXPECT_EQ(connect, (std::vector<std::uint8_t>{0, 0, 4, 0x17, 0x27, 0x10, 0x19, 0x80, 0, 0, 0, 0,
                                                  0, 0, 0, 7}));
    EXPECT_EQ(trackers::ReadUdpConnect({0, 0, 0, 0, 0, 0, 0, 7, 1, 2, 3, 4, 5, 6, 7, 8}, 7),
              0x0102030405060708u);
    EXPECT_FALSE(trackers::ReadUdpConnect({0, 0, 0, 0, 0, 0, 0, 8, 1, 2, 3, 4, 5, 6, 7, 8}, 7));
    EXPECT_EQ(trackers::UdpScrapeRequest(1, 7, hashes).size(), 16u + 40u);
    // Seeders, completed, leechers for each hash: the largest of each.
    const std::vector<std::uint8_t> scrape = {0, 0, 0, 2, 0, 0, 0, 7, 0, 0, 0, 5, 0, 0, 0, 9,
                                              0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 6};
    const auto udp = trackers::ReadUdpScrape(scrape, 7, 2);
    ASSERT_TRUE(udp.figures);
    EXPECT_EQ(udp.figures->seeders * 100 + udp.figures->leechers * 10 + udp.figures->completed,
              569);
    EXPECT_FALSE(trackers::ReadUdpScrape(scrape, 7, 3).figures);
    EXPECT_EQ(trackers::ReadUdpScrape({0, 0, 0, 3, 0, 0, 0, 7, 'n', 'o'}, 7, 2).error, "no");
}

#ifndef _WIN32
// A tracker on 127.0.0.1 that takes connections and never answers.
class SilentTracker {
  public:
    SilentTracker() : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(socket_, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(socket_, 256);
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~SilentTracker() { ::close(socket_); }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/announce"; }

  private:
    int socket_;
    std::uint16_t port_ = 0;
};

// Nothing leaves the machine in these tests: any send to an address that is not loopback is
// refused here, and counted.
std::atomic<int> refusedSends{0};
bool LoopbackOnly(const platform::NetAddress& to) {
    const bool loopback = (to.bytes.size() == 4 && to.bytes[0] == 127) ||
                          (to.bytes.size() == 16 && to.bytes[15] == 1 &&
                           std::count(to.bytes.begin(), to.bytes.end(), 0) == 15);
    refusedSends += loopback ? 0 : 1;
    return loopback;
}

std::vector<trackers::TrackerAnswer> Ask(const std::vector<std::string>& urls, int trackerMs) {
    std::vector<trackers::TrackerAnswer> list;
    for (const std::string& url : urls) {
        list.push_back({url, 0, trackers::Status::Timeout, {}, {}});
    }
    const std::atomic<bool> never{false};
    return trackers::ScrapeAll(list, {trackers::InfoHash{1}}, {trackerMs, trackerMs + 500}, never);
}

// Reserved ranges are never asked, in any spelling; a local tracker only at exactly /announce,
// a fragment counting against it; one that refuses says so in plain words.
TEST(TrackerRun, ReservedAndLocalAddressesAreNotAsked) {
    platform::SetSendGuard(LoopbackOnly);
    const SilentTracker silent;
    const auto answers = Ask(
        {"http://224.0.0.1/announce", "udp://255.255.255.255:6969/announce",
         "http://[::ffff:100.64.0.1]/announce", "udp://[::224.0.0.5]:80/announce",
         "http://0.0.0.0:1/announce", "http://198.18.0.1/announce", "udp://[ff02::1]:6969/announce",
         "http://240.0.0.1/announce", silent.Url() + "#/../../admin",
         "http://[::127.0.0.1]:1/x/announce", "http://127.0.0.1:1/announce"},
        2000);
    std::string statuses;
    for (const auto& answer : answers) {
        statuses += std::string(trackers::StatusWord(answer.status)) + ":" + answer.message + " ";
    }
    EXPECT_EQ(statuses,
              "skipped:reserved address skipped:reserved address skipped:reserved address "
              "skipped:reserved address skipped:reserved address skipped:reserved address "
              "skipped:reserved address skipped:reserved address skipped:local address "
              "skipped:local address error:connection refused ");
    EXPECT_EQ(refusedSends, 0);
    platform::SetSendGuard(nullptr);
}

// However many trackers a torrent lists, a few are asked at once, each cut off at its time; the
// rest are not asked, and say so, and the run ends on time.
TEST(TrackerRun, ManyTrackersAreAskedByABoundedPool) {
    platform::SetSendGuard(LoopbackOnly);
    const SilentTracker silent;
    const auto start = std::chrono::steady_clock::now();
    const auto answers = Ask(std::vector<std::string>(100, silent.Url()), 600);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    int timedOut = 0, notAsked = 0;
    for (const auto& answer : answers) {
        timedOut += answer.status == trackers::Status::Timeout ? 1 : 0;
        notAsked += answer.status == trackers::Status::Skipped && answer.message == "time limit";
    }
    EXPECT_EQ(timedOut, 32);
    EXPECT_EQ(notAsked, 68);
    EXPECT_EQ(refusedSends, 0);
    platform::SetSendGuard(nullptr);
}
#endif

}  // namespace

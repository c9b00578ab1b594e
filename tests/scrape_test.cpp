#include <gtest/gtest.h>

#include "trackers/scrape_rules.h"

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
        {{0, 0, 0, 0}, true},
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
    EXPECT_TRUE(trackers::MayAskLocal(*trackers::ParseTrackerAddress("http://127.0.0.1/announce")));
    EXPECT_FALSE(trackers::ParseTrackerAddress("http://t.example:99999/announce"));
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

}  // namespace

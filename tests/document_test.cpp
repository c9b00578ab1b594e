#include <gtest/gtest.h>

#include <limits>

#include "platform/utf8.h"
#include "torrent/json.h"
#include "torrent/magnet.h"

using torrent::TorrentInfo;

namespace {

TEST(TorrentDocument, ExactTextOfARecord) {
    TorrentInfo info;
    info.ok = true;
    info.name = "a.iso";
    info.comment = "say \"hi\"\n";
    info.creationDate = 86400;
    info.pieceLength = 16384;
    info.pieceCount = 1;
    info.totalSize = 1000;
    info.fileCount = 1;
    info.hasPrivate = true;
    info.custom = {{"foo", "bar"}, {"n", "-12"}};
    info.trackerTiers = {{"u1", "u2"}, {"u3"}};
    info.tree.SetRoot("a.iso", true);
    EXPECT_EQ(
        torrent::toJson(info),
        R"({"ok":true,"name":"a.iso","announce":"","comment":"say \"hi\"\n","createdBy":"",)"
        R"("creationDate":86400,"pieceLength":16384,"pieceCount":1,"multiFile":false,)"
        R"("totalSize":1000,"fileCount":1,"hasPrivate":true,"isPrivate":false,"isV2":false,)"
        R"("infoHashV1":"","infoHashV2":"","custom":[{"k":"foo","v":"bar"},{"k":"n","v":"-12"}],)"
        R"("trackerTiers":[["u1","u2"],["u3"]],"tree":{"name":"a.iso","dir":true,"size":0,)"
        R"("children":[]},"source":"","webSeeds":[],"httpSeeds":[],"nodes":[],"similar":[],)"
        R"("collections":[],"magnet":"magnet:?dn=a.iso&tr=u1&tr=u2&tr=u3","padFileCount":0,)"
        R"("padFileSize":0,"warnings":[]})");
}

TEST(MagnetLink, HashesNameDistinctTrackersAndSeedsPercentEncoded) {
    TorrentInfo info;
    info.name = "Sé & co";
    info.announce = "http://ignored.example/";
    info.trackerTiers = {{" udp://t.example:1/a\t", "http://x.example/?q=1"},
                         {"udp://t.example:1/a"}};
    info.webSeeds = {"https://s.example/f/"};
    info.infoHashV1 = std::string(40, 'a');
    info.infoHashV2 = std::string(64, 'b');
    EXPECT_EQ(torrent::MagnetLink(info),
              "magnet:?xt=urn:btih:" + std::string(40, 'a') + "&xt=urn:btmh:1220" +
                  std::string(64, 'b') +
                  "&dn=S%C3%A9%20%26%20co&tr=udp%3A%2F%2Ft.example%3A1%2Fa"
                  "&tr=http%3A%2F%2Fx.example%2F%3Fq%3D1&ws=https%3A%2F%2Fs.example%2Ff%2F");
    // Without tiers, the announce address; without a version 2 hash, no multihash.
    info.trackerTiers.clear();
    info.infoHashV2.clear();
    EXPECT_EQ(torrent::MagnetLink(info).find("&xt="), std::string::npos);
    EXPECT_NE(torrent::MagnetLink(info).find("&tr=http%3A%2F%2Fignored.example%2F&ws="),
              std::string::npos);
    // Nothing is named for an empty name or a seed of blanks.
    info.name.clear();
    info.webSeeds = {" \t"};
    EXPECT_EQ(torrent::MagnetLink(info), "magnet:?xt=urn:btih:" + std::string(40, 'a') +
                                             "&tr=http%3A%2F%2Fignored.example%2F");
}

// The size a document will take is known before it is written, escapes and repairs counted, so
// that a file of control bytes is refused instead of making a document many times its size.
TEST(TorrentDocument, SizeBoundHoldsForEscapesAndRepairs) {
    TorrentInfo info;
    info.ok = true;
    const std::string hostile = std::string(300, '\x01') + "\"\\\n\xff\xC3" + "\xC3\xA9\x7f";
    info.name = hostile;
    info.comment = hostile;
    info.trackerTiers = {{hostile, "u"}};
    info.webSeeds = {hostile};
    info.nodes = {hostile};
    info.custom = {{hostile, hostile}};
    info.tree.SetRoot(hostile, true);
    info.tree.Add(0, "f\x02", false, -5);
    info.tree.SetLink("t\x03");
    info.tree.MarkNewest(true, true);
    const std::size_t bound = torrent::DocumentSizeBound(info);
    const std::size_t size = torrent::toJson(info).size();
    EXPECT_GE(bound, size);
    EXPECT_LT(bound, size + size / 4 + 1024);
}

TEST(SanitizeUtf8, ReplacesEachBadByteOnce) {
    // How many replacements each input gives: one per rejected byte.
    // clang-format off
    const std::pair<std::string, int> cases[] = {
        {"A\xff" "B", 1}, {"\xE0\xA0" "A", 2}, {"x\xE2\x82", 2}, {"\xED\xA0\x80", 3},
        {"\xF4\x90\x80\x80", 4}, {"\xC0\x80", 2}, {"\xE0\x9F\xBF", 3}, {"\xF5\x80", 2},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF\xED\x9F\xBF", 0}, {std::string("a\0b", 3), 0}};
    // clang-format on
    for (const auto& [input, replaced] : cases) {
        const std::string out = SanitizeUtf8(input);
        EXPECT_EQ(out.size(), input.size() + 2 * static_cast<std::size_t>(replaced)) << input;
        EXPECT_TRUE(IsValidUtf8(out) && IsValidUtf8(input) == (replaced == 0)) << input;
    }
}

TEST(TorrentDocument, DeepTreesAreWrittenWithoutRecursion) {
    TorrentInfo info;
    info.tree.SetRoot("", true);
    constexpr std::uint32_t kDepth = 500000;
    for (std::uint32_t i = 0; i < kDepth; ++i) {
        info.tree.Add(i, "d", true, 0);
    }
    const std::string json = torrent::toJson(info);
    EXPECT_EQ(json.find(R"(,"source")") - json.find(R"("tree":)"),
              sizeof R"("tree":{"name":"","dir":true,"size":0,"children":[]})" - 1 +
                  kDepth * (sizeof R"({"name":"d","dir":true,"size":0,"children":[]})" - 1));
}

}  // namespace

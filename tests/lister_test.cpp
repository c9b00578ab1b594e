// The Lister's find: every name and value the page shows, in its order, with the Lister's flags.
// Keys and commands are tested where they take effect, in the Wine host.

#include <gtest/gtest.h>

#include "tests/bencode_builder.h"
#include "torrent/torrent_info.h"
#include "view/text_search.h"

namespace {

class Find : public testing::Test {
  protected:
    void Load(const std::string& bytes) {
        bytes_ = bytes;
        info_ = torrent::extract(bytes_.data(), bytes_.size());
        ASSERT_TRUE(info_.ok);
        search_ = BuildSearchText(info_);
    }
    std::string Next(std::string_view needle, int flags = 0) {
        return FindNext(search_, needle, flags).value_or("none");
    }
    std::string bytes_;
    torrent::TorrentInfo info_;
    SearchText search_;
};

std::string Hit(std::string_view target, int start, int length) {
    return R"({"find":{)" + std::string(target) + ",\"start\":" + std::to_string(start) +
           ",\"length\":" + std::to_string(length) + "}}";
}

TEST_F(Find, WalksThePageInOrderAndHonoursEveryFlag) {
    Load(fixture::MultiFileTorrent(
        "Show", {{"Show s1/e1 show.mkv", 1}, {"Show s1/showcase.txt", 1}, {"notes.txt", 1}},
        "8:announce9:http://a/13:announce-listll9:http://b/9:http://a/ee"));
    EXPECT_EQ(search_.metaKeys[1], "tracker.0");
    EXPECT_EQ(search_.metaKeys[2], "tracker.1");
    // Unhashed, the record's magnet link names the torrent straight after "magnet:?dn=".
    const std::string name = R"("meta":"name")", magnet = R"("meta":"magnet")";
    EXPECT_EQ(Next("show", kFindFirst), Hit(name, 0, 4));
    EXPECT_EQ(Next("show"), Hit(magnet, 11, 4));
    EXPECT_EQ(Next("show"), Hit(R"("node":1)", 0, 4));
    EXPECT_EQ(Next("show"), Hit(R"("node":2)", 3, 4));
    EXPECT_EQ(Next("show"), Hit(R"("node":3)", 0, 4));
    EXPECT_EQ(Next("show"), "none");
    EXPECT_EQ(Next("show", kBackwards), Hit(R"("node":2)", 3, 4));
    EXPECT_EQ(Next("show", kBackwards | kFindFirst), Hit(R"("node":3)", 0, 4));
    EXPECT_EQ(Next("Show", kFindFirst | kMatchCase | kBackwards), Hit(R"("node":1)", 0, 4));
    EXPECT_EQ(Next("show", kFindFirst | kMatchCase), Hit(R"("node":2)", 3, 4));
    EXPECT_EQ(Next("show", kFindFirst | kWholeWords | kBackwards), Hit(R"("node":2)", 3, 4));
    EXPECT_EQ(Next("show", kWholeWords | kBackwards), Hit(R"("node":1)", 0, 4));
    EXPECT_EQ(Next("show", kWholeWords | kBackwards), Hit(magnet, 11, 4));
    EXPECT_EQ(Next("http://b/", kFindFirst), Hit(R"("meta":"tracker.0")", 0, 9));
    EXPECT_EQ(Next("NOTES", kFindFirst), Hit(R"("node":4)", 0, 5));
    // A hit never spans two names.
    EXPECT_EQ(Next("mkvshow", kFindFirst), "none");
    EXPECT_EQ(Next("", kFindFirst), "none");
}

TEST_F(Find, CaseFoldsBeyondAsciiAndCountsPlacesInUtf16) {
    Load(fixture::MultiFileTorrent(
        "x",
        {{"\xF0\x9F\x98\x80 \xC3\x89T\xC3\x89 \xD0\x9C\xD0\x98\xD0\xA0 \xC5\x81\xC3\xB3"
          "d\xC5\xBA",
          1}},
        "7:comment3:a\xFF"
        "z"));
    EXPECT_EQ(Next("\xC3\xA9t\xC3\xA9", kFindFirst), Hit(R"("node":1)", 3, 3));
    EXPECT_EQ(Next("\xD0\xBC\xD0\xB8\xD1\x80", kFindFirst), Hit(R"("node":1)", 7, 3));
    EXPECT_EQ(Next("\xC5\x82\xC3\x93"
                   "D\xC5\xB9",
                   kFindFirst),
              Hit(R"("node":1)", 11, 4));
    // The page shows a bad byte as U+FFFD; the hit after it is counted there.
    EXPECT_EQ(Next("z", kFindFirst | kMatchCase), Hit(R"("meta":"comment")", 2, 1));
}

TEST_F(Find, SingleFileTorrentIsOneRowUnderItsName) {
    Load(fixture::SingleFileTorrent("only.iso", 5));
    EXPECT_EQ(Next("only", kFindFirst | kBackwards), Hit(R"("node":1)", 0, 4));
}

}  // namespace

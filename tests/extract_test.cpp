#include <gtest/gtest.h>

#include <deque>
#include <limits>

#include "tests/bencode_builder.h"
#include "torrent/torrent_info.h"

using namespace fixture;
using torrent::TorrentInfo;

namespace {

// Kept alive, since the record's tree reads from them.
std::deque<std::string> inputs;

TorrentInfo Extract(const std::string& bytes) {
    const std::string& kept = inputs.emplace_back(bytes);
    return torrent::extract(kept.data(), kept.size());
}

// The tree below the root, depth first in stored order: "path size", folders ending in "/".
std::vector<std::string> TreeLines(const torrent::FileTree& tree, std::uint32_t folder = 0,
                                   const std::string& prefix = "") {
    std::vector<std::string> lines;
    for (auto at = tree.nodes()[folder].firstChild; at != torrent::kNoNode;
         at = tree.nodes()[at].nextSibling) {
        const torrent::TreeNode& child = tree.nodes()[at];
        const std::string path = prefix + std::string(tree.Name(child)) + (child.dir ? "/" : "");
        lines.push_back(path + " " + std::to_string(child.size));
        for (std::string& line : TreeLines(tree, at, path)) {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

std::string FileItem(std::initializer_list<std::string_view> path, std::int64_t length) {
    std::string list = "l";
    for (const auto element : path) {
        list += Str(element);
    }
    return Dict({{"length", Int(length)}, {"path", list + "e"}});
}

std::string MultiFile(std::initializer_list<std::string> items) {
    std::string list = "l";
    for (const auto& item : items) {
        list += item;
    }
    return Dict({{"info", Dict({{"files", list + "e"}, {"name", Str("root")}})}});
}

TEST(Extract, RefusesInputWithoutAnInfoDictionary) {
    for (const std::string input : {"l4:infoe", "d4:info3:abce", "d1:ai1ee", "i1e", "d4:infod"}) {
        const TorrentInfo info = Extract(input);
        EXPECT_FALSE(info.ok) << input;
        EXPECT_EQ(info.infoEnd, 0u);
        EXPECT_TRUE(info.tree.Name(info.tree.root()).empty());
    }
}

TEST(Extract, SingleFileTorrent) {
    const TorrentInfo info = Extract(SingleFileTorrent("a.iso", 1000));
    ASSERT_TRUE(info.ok);
    EXPECT_FALSE(info.multiFile);
    EXPECT_EQ(info.totalSize, 1000);
    EXPECT_EQ(info.fileCount, 1);
    EXPECT_EQ(info.tree.Name(info.tree.root()), "a.iso");
    EXPECT_TRUE(info.tree.root().dir);
    EXPECT_TRUE(TreeLines(info.tree).empty());
    EXPECT_EQ(info.pieceLength, 16384);
    EXPECT_EQ(info.pieceCount, 1);
    EXPECT_EQ(info.announce, "http://tracker.example/announce");
}

TEST(Extract, TreeKeepsFirstAppearanceReusesOnlyFoldersAndSumsSizes) {
    const TorrentInfo info =
        Extract(MultiFile({FileItem({"d"}, 1), FileItem({"d", "x"}, 2), FileItem({"e", "1"}, 3),
                           FileItem({"d", "y"}, 4), FileItem({"e", "2"}, 5)}));
    ASSERT_TRUE(info.ok);
    EXPECT_TRUE(info.multiFile);
    EXPECT_EQ(info.fileCount, 5);
    EXPECT_EQ(info.totalSize, 15);
    EXPECT_EQ(info.tree.Name(info.tree.root()), "root");
    EXPECT_EQ(info.tree.root().size, 15);
    EXPECT_EQ(TreeLines(info.tree), (std::vector<std::string>{"d 1", "d/ 6", "d/x 2", "d/y 4",
                                                              "e/ 8", "e/1 3", "e/2 5"}));
}

TEST(Extract, MalformedItemsAreSkippedAndOddNamesKept) {
    const TorrentInfo info = Extract(MultiFile(
        {Dict({{"length", Int(1)}, {"path", "le"}}), Dict({{"length", Int(2)}}),
         Dict({{"length", Int(3)}, {"path", Str("a")}}), Int(4), List({Str("a")}),
         Dict({{"path", List({Str("nolength")})}}), FileItem({"", ".", "a/b", "f\xff"}, 6)}));
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.fileCount, 2);
    EXPECT_EQ(TreeLines(info.tree),
              (std::vector<std::string>{"nolength 0", "/ 6", "/./ 6", "/./a/b/ 6",
                                        "/./a/b/f\xEF\xBF\xBD 6"}));
    // Names below the root are repaired here; the root's name is left to the document.
    const TorrentInfo root = Extract(
        "d4:infod5:filesle4:name2:r\xff"
        "ee");
    EXPECT_EQ(root.tree.Name(root.tree.root()), "r\xff");
}

TEST(Extract, SizesWrapInsteadOfOverflowing) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    const TorrentInfo info = Extract(MultiFile({FileItem({"a"}, kMax), FileItem({"b"}, 2)}));
    EXPECT_EQ(info.totalSize, std::numeric_limits<std::int64_t>::min() + 1);
    EXPECT_EQ(Extract(MultiFile({FileItem({"a"}, 10), FileItem({"b"}, -4)})).totalSize, 6);
    const TorrentInfo notAList =
        Extract(Dict({{"info", Dict({{"files", Dict({})}, {"length", Int(9)}})}}));
    EXPECT_FALSE(notAList.multiFile);
    EXPECT_EQ(notAList.totalSize, 9);
}

TEST(Extract, DeepPathsNeitherRecurseNorOverflow) {
    std::string path = "l";
    for (int i = 0; i < 300000; ++i) {
        path += "1:a";
    }
    const TorrentInfo info = Extract("d4:infod5:filesld6:lengthi3e4:path" + path + "eeeee");
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.tree.root().size, 3);
}

TEST(Extract, TrackersCustomKeysAndFlags) {
    const TorrentInfo info =
        Extract(Dict({{"announce-list",
                       List({List({Int(1)}), List({}), Str("u0"),
                             List({Str("u1"), Int(2), Str("u1"), Str("")}), List({Str("u2")})})},
                      {"foo", Str("bar")},
                      {"n", Int(-12)},
                      {"l", List({})},
                      {"encoding", Str("UTF-8")},
                      {"url-list", Str("http://seed")},
                      {"creator", Str("x")},
                      {"comment", Int(5)},
                      {"creation date", Str("yesterday")},
                      {"info", Dict({{"name", Int(1)},
                                     {"piece length", Str("big")},
                                     {"pieces", Str(std::string(41, 'p'))},
                                     {"private", Str("1")}})},
                      {"foo", Str("again")}}));
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.trackerTiers, (std::vector<std::vector<std::string>>{{"u1", "u1", ""}, {"u2"}}));
    EXPECT_EQ(info.custom, (std::vector<std::pair<std::string, std::string>>{
                               {"foo", "bar"}, {"n", "-12"}, {"foo", "again"}}));
    // Values of the wrong kind count as absent; pieces round down.
    EXPECT_EQ(info.comment, "");
    EXPECT_EQ(info.creationDate, 0);
    EXPECT_EQ(info.name, "");
    EXPECT_EQ(info.pieceLength, 0);
    EXPECT_EQ(info.pieceCount, 2);
    EXPECT_TRUE(info.hasPrivate);
    EXPECT_FALSE(info.isPrivate);

    const auto withInfo = [](const std::string& entries) {
        return Extract("d4:infod" + entries + "ee");
    };
    EXPECT_TRUE(withInfo("7:privatei1e").isPrivate);
    EXPECT_FALSE(withInfo("").hasPrivate);
    EXPECT_TRUE(withInfo("12:meta versioni2e").isV2);
    EXPECT_FALSE(withInfo("12:meta versioni1e").isV2);
    EXPECT_TRUE(withInfo("9:file treede12:meta versioni1e").isV2);
}

}  // namespace

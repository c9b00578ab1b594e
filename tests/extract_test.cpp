#include <gtest/gtest.h>

#include <limits>

#include "bencode_builder.h"
#include "torrent/torrent_info.h"

using namespace fixture;
using torrent::TorrentInfo;
using torrent::TreeNode;

namespace {

TorrentInfo Extract(const std::string& bytes) {
    return torrent::extract(bytes.data(), bytes.size());
}

std::string MultiFile(std::initializer_list<std::string> files, std::string extraInfo = "") {
    std::string list = "l";
    for (const auto& f : files)
        list += f;
    list += "e";
    return "d4:infod5:files" + list + extraInfo + "4:name4:roote" + "e";
}

std::string FileItem(std::initializer_list<std::string> path, std::int64_t length) {
    std::string list = "l";
    for (const auto& p : path)
        list += Str(p);
    return Dict({{"length", Int(length)}, {"path", list + "e"}});
}

TEST(ExtractRefuses, InputsWithoutAnInfoDictionary) {
    for (const std::string input : {"l4:infoe", "d4:info3:abce", "d1:ai1ee", "i1e", "d4:infod"}) {
        const TorrentInfo info = Extract(input);
        EXPECT_FALSE(info.ok) << input;
        EXPECT_EQ(info.infoEnd, 0u) << input;
        EXPECT_TRUE(info.tree.name.empty()) << input;
    }
}

TEST(ExtractSingleFile, RootIsAnEmptyDirectoryNamedAfterTheTorrent) {
    const TorrentInfo info = Extract(SingleFileTorrent("a.iso", 1000));
    ASSERT_TRUE(info.ok);
    EXPECT_FALSE(info.multiFile);
    EXPECT_EQ(info.totalSize, 1000);
    EXPECT_EQ(info.fileCount, 1);
    EXPECT_EQ(info.name, "a.iso");
    EXPECT_EQ(info.tree.name, "a.iso");
    EXPECT_TRUE(info.tree.dir);
    EXPECT_EQ(info.tree.size, 0);
    EXPECT_TRUE(info.tree.children.empty());
    EXPECT_EQ(info.pieceLength, 16384);
    EXPECT_EQ(info.pieceCount, 1);
    EXPECT_EQ(info.announce, "http://tracker.example/announce");
}

TEST(ExtractMultiFile, BuildsTheTreeInOrderOfFirstAppearance) {
    const TorrentInfo info =
        Extract(MultiFile({FileItem({"d", "x"}, 5), FileItem({"d", "y"}, 7), FileItem({"z"}, 1)}));
    ASSERT_TRUE(info.ok);
    EXPECT_TRUE(info.multiFile);
    EXPECT_EQ(info.fileCount, 3);
    EXPECT_EQ(info.totalSize, 13);
    const TreeNode& root = info.tree;
    EXPECT_EQ(root.name, "root");
    EXPECT_EQ(root.size, 13);
    ASSERT_EQ(root.children.size(), 2u);
    const TreeNode& d = root.children[0];
    EXPECT_EQ(d.name, "d");
    EXPECT_TRUE(d.dir);
    EXPECT_EQ(d.size, 12);
    ASSERT_EQ(d.children.size(), 2u);
    EXPECT_EQ(d.children[0].name, "x");
    EXPECT_EQ(d.children[1].name, "y");
    EXPECT_FALSE(root.children[1].dir);
    EXPECT_EQ(root.children[1].name, "z");
    EXPECT_EQ(root.children[1].size, 1);
}

TEST(ExtractMultiFile, ReusesOnlyDirectoriesAndAddsThemBesideFiles) {
    const TorrentInfo info =
        Extract(MultiFile({FileItem({"d"}, 1), FileItem({"d", "x"}, 2), FileItem({"e", "1"}, 3),
                           FileItem({"d", "y"}, 4), FileItem({"e", "2"}, 5)}));
    ASSERT_TRUE(info.ok);
    const auto& children = info.tree.children;
    ASSERT_EQ(children.size(), 3u);
    EXPECT_FALSE(children[0].dir);
    EXPECT_TRUE(children[1].dir);
    EXPECT_EQ(children[1].name, "d");
    ASSERT_EQ(children[1].children.size(), 2u);
    EXPECT_EQ(children[1].children[1].name, "y");
    EXPECT_EQ(children[2].name, "e");
    EXPECT_EQ(children[2].size, 8);
}

TEST(ExtractMultiFile, SkipsMalformedItemsAndCountsMissingLengthsAsZero) {
    const TorrentInfo info = Extract(MultiFile(
        {Dict({{"length", Int(1)}, {"path", "le"}}), Dict({{"length", Int(2)}}),
         Dict({{"length", Int(3)}, {"path", Str("a")}}), Int(4), List({Str("a")}),
         Dict({{"path", List({Str("nolength")})}}), FileItem({"", ".", "..", "a/b"}, 6)}));
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.fileCount, 2);
    EXPECT_EQ(info.totalSize, 6);
    ASSERT_EQ(info.tree.children.size(), 2u);
    EXPECT_EQ(info.tree.children[0].name, "nolength");
    EXPECT_EQ(info.tree.children[0].size, 0);
    const TreeNode& empty = info.tree.children[1];
    EXPECT_EQ(empty.name, "");
    EXPECT_EQ(empty.children[0].name, ".");
    EXPECT_EQ(empty.children[0].children[0].name, "..");
    EXPECT_EQ(empty.children[0].children[0].children[0].name, "a/b");
}

TEST(ExtractMultiFile, EmptyListAndNonListFiles) {
    const TorrentInfo empty = Extract(MultiFile({}));
    ASSERT_TRUE(empty.ok);
    EXPECT_TRUE(empty.multiFile);
    EXPECT_EQ(empty.fileCount, 0);
    EXPECT_TRUE(empty.tree.children.empty());

    const TorrentInfo dictFiles =
        Extract(Dict({{"info", Dict({{"files", Dict({})}, {"length", Int(9)}})}}));
    ASSERT_TRUE(dictFiles.ok);
    EXPECT_FALSE(dictFiles.multiFile);
    EXPECT_EQ(dictFiles.totalSize, 9);
    EXPECT_EQ(dictFiles.fileCount, 1);
}

TEST(ExtractMultiFile, SizesWrapAroundAndNegativeLengthsCountWithTheirSign) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    const TorrentInfo wrapped =
        Extract(MultiFile({FileItem({"d", "a"}, kMax), FileItem({"d", "b"}, 2)}));
    ASSERT_TRUE(wrapped.ok);
    EXPECT_EQ(wrapped.totalSize, std::numeric_limits<std::int64_t>::min() + 1);
    EXPECT_EQ(wrapped.tree.size, std::numeric_limits<std::int64_t>::min() + 1);
    EXPECT_EQ(wrapped.tree.children[0].size, std::numeric_limits<std::int64_t>::min() + 1);

    const TorrentInfo negative = Extract(MultiFile({FileItem({"a"}, 10), FileItem({"b"}, -4)}));
    EXPECT_EQ(negative.totalSize, 6);
    EXPECT_EQ(negative.tree.size, 6);
}

TEST(ExtractMultiFile, RepairsPathNamesButNotTheRootName) {
    const TorrentInfo info =
        Extract("d4:infod5:filesl" + FileItem({"f\xff"}, 1) + "e4:name2:r\xff" + "ee");
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.tree.name, "r\xff");
    EXPECT_EQ(info.tree.children[0].name, "f\xEF\xBF\xBD");
}

TEST(ExtractMultiFile, DeepPathsNeitherRecurseNorOverflow) {
    std::string path = "l";
    for (int i = 0; i < 300000; ++i)
        path += "1:a";
    path += "e";
    const TorrentInfo info = Extract("d4:infod5:filesld6:lengthi3e4:path" + path + "eeee");
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.tree.size, 3);
    const TreeNode* node = &info.tree;
    int depth = 0;
    while (!node->children.empty()) {
        node = &node->children[0];
        ++depth;
    }
    EXPECT_EQ(depth, 300000);
}

TEST(ExtractTrackers, KeepsNonEmptyTiersInOrder) {
    const TorrentInfo info =
        Extract(Dict({{"announce-list",
                       List({List({Int(1)}), List({}), Str("u0"),
                             List({Str("u1"), Int(2), Str("u1"), Str("")}), List({Str("u2")})})},
                      {"info", Dict({})}}));
    ASSERT_TRUE(info.ok);
    ASSERT_EQ(info.trackerTiers.size(), 2u);
    EXPECT_EQ(info.trackerTiers[0], (std::vector<std::string>{"u1", "u1", ""}));
    EXPECT_EQ(info.trackerTiers[1], (std::vector<std::string>{"u2"}));
    EXPECT_TRUE(info.announce.empty());
}

TEST(ExtractCustomKeys, ListsOtherTopLevelStringsAndIntegers) {
    const TorrentInfo info = Extract(Dict({{"foo", Str("bar")},
                                           {"n", Int(-12)},
                                           {"l", List({})},
                                           {"encoding", Str("UTF-8")},
                                           {"url-list", Str("http://seed")},
                                           {"creator", Str("x")},
                                           {"info", Dict({})},
                                           {"min", Int(std::numeric_limits<std::int64_t>::min())},
                                           {"zero", Int(0)},
                                           {"foo", Str("again")},
                                           {"d", Dict({})}}));
    ASSERT_TRUE(info.ok);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"foo", "bar"},
        {"n", "-12"},
        {"min", "-9223372036854775808"},
        {"zero", "0"},
        {"foo", "again"}};
    EXPECT_EQ(info.custom, expected);
}

TEST(ExtractFlags, PrivateAndVersionTwo) {
    auto withInfo = [](std::string infoEntries) {
        return Extract("d4:infod" + infoEntries + "ee");
    };
    const TorrentInfo privateZero = withInfo("7:privatei0e");
    EXPECT_TRUE(privateZero.hasPrivate);
    EXPECT_FALSE(privateZero.isPrivate);
    const TorrentInfo privateText = withInfo("7:private1:1");
    EXPECT_TRUE(privateText.hasPrivate);
    EXPECT_FALSE(privateText.isPrivate);
    EXPECT_TRUE(withInfo("7:privatei1e").isPrivate);
    EXPECT_FALSE(withInfo("").hasPrivate);

    EXPECT_TRUE(withInfo("12:meta versioni2e").isV2);
    EXPECT_TRUE(withInfo("12:meta versioni3e").isV2);
    EXPECT_FALSE(withInfo("12:meta versioni1e").isV2);
    EXPECT_FALSE(withInfo("12:meta versioni-5e").isV2);
    EXPECT_TRUE(withInfo("9:file treede12:meta versioni1e").isV2);

    const TorrentInfo v2Only = withInfo("9:file treede12:meta versioni2e4:name1:v");
    EXPECT_FALSE(v2Only.multiFile);
    EXPECT_EQ(v2Only.totalSize, 0);
    EXPECT_EQ(v2Only.fileCount, 1);
}

TEST(ExtractScalars, WrongKindsCountAsAbsentAndPiecesRoundDown) {
    const TorrentInfo info =
        Extract(Dict({{"announce", Int(5)},
                      {"comment", Str("c")},
                      {"created by", Str("me")},
                      {"creation date", Str("yesterday")},
                      {"info", Dict({{"name", Int(1)},
                                     {"piece length", Str("big")},
                                     {"pieces", Str(std::string(41, 'p'))}})}}));
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.announce, "");
    EXPECT_EQ(info.comment, "c");
    EXPECT_EQ(info.createdBy, "me");
    EXPECT_EQ(info.creationDate, 0);
    EXPECT_EQ(info.name, "");
    EXPECT_EQ(info.pieceLength, 0);
    EXPECT_EQ(info.pieceCount, 2);
}

}  // namespace

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

TEST(Extract, SingleFileTorrentAndInputWithoutAnInfoDictionary) {
    const TorrentInfo info = Extract(SingleFileTorrent("a.iso", 1000));
    ASSERT_TRUE(info.ok);
    EXPECT_FALSE(info.multiFile);
    EXPECT_EQ(info.totalSize + info.fileCount + info.pieceLength + info.pieceCount,
              1000 + 1 + 16384 + 1);
    EXPECT_EQ(info.tree.Name(info.tree.root()), "a.iso");
    EXPECT_TRUE(TreeLines(info.tree).empty());
    EXPECT_EQ(info.announce, "http://tracker.example/announce");
    for (const std::string input : {"l4:infoe", "d4:info3:abce", "d1:ai1ee", "i1e", "d4:infod"}) {
        EXPECT_FALSE(Extract(input).ok) << input;
    }
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
    // Past a few children a folder's subfolders are found through an index: the same rule.
    std::string files;
    for (int round = 0; round < 2; ++round) {
        for (char folder = 'a'; folder <= 'l'; ++folder) {
            files += FileItem({std::string(1, folder), std::to_string(round)}, 1);
            files += round == 0 && folder == 'c' ? FileItem({"c"}, 1) : "";
        }
    }
    const TorrentInfo many = Extract(MultiFile({files}));
    EXPECT_EQ(many.tree.nodes().size(), 1u + 12 + 25);
    EXPECT_EQ(TreeLines(many.tree)[9], "c 1");
    EXPECT_EQ(TreeLines(many.tree)[10], "d/ 2");
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

// A small valid file must not make the viewer take the host's memory: what it asks for is
// bounded by its size, and past a bound it is refused with the bound it passed.
TEST(Extract, WhatAFileAsksForIsBoundedByItsSize) {
    const auto path = [](std::size_t elements) {
        std::string list = "l";
        for (std::size_t i = 0; i < elements; ++i) {
            list += "1:a";
        }
        return "d4:infod5:filesld6:lengthi3e4:path" + list + "eeeee";
    };
    const TorrentInfo deepest = Extract(path(torrent::kMaxPathElements));
    EXPECT_TRUE(deepest.ok);
    EXPECT_EQ(deepest.tree.nodes().size(), torrent::kMaxPathElements + 1);
    const auto refusal = [](const std::string& bytes) { return Extract(bytes).exceeded; };
    EXPECT_EQ(refusal(path(torrent::kMaxPathElements + 1)), torrent::Limit::PathDepth);
    // Folders of one letter, a new chain for each file: a node for every three bytes is past
    // what a file of this size may ask for, once the fixed allowance is used up.
    std::string files;
    for (int i = 0; i < 2000; ++i) {
        files += "d6:lengthi1e4:pathl" + Str(std::to_string(i)) + path(100).substr(35, 300) + "ee";
    }
    EXPECT_EQ(refusal("d4:infod5:filesl" + files + "eee"), torrent::Limit::TreeNodes);
    std::string tiers, keys, nodes;
    for (int i = 0; i < 140000; ++i) {
        tiers += "l0:e";
        keys += "0:i0e";
        nodes += "l1:ai0ee";
    }
    EXPECT_EQ(refusal("d13:announce-listl" + tiers + "e4:infodee"), torrent::Limit::Trackers);
    EXPECT_EQ(refusal("d" + keys + "4:infodee"), torrent::Limit::CustomKeys);
    EXPECT_EQ(refusal("d4:infode5:nodesl" + nodes + "ee"), torrent::Limit::ListEntries);
    EXPECT_EQ(refusal("d4:infodee"), torrent::Limit::None);
}

TEST(Extract, TrackersCustomKeysAndFlags) {
    // clang-format off
    const TorrentInfo info = Extract(Dict({
        {"announce-list", List({List({Int(1)}), List({}), Str("u0"), List({Str("u1"), Int(2), Str("u1"), Str("")}), List({Str("u2"), Str("u1"), Str("\xff"), Str("\xfe")})})},
        {"nodes", List({List({Str("h"), Int(6881)}), List({Str("::1"), Int(0)}), List({Str("h"), Int(65536)})})},
        {"foo", Str("bar")}, {"n", Int(-12)}, {"l", List({})}, {"encoding", Str("UTF-8")}, {"url-list", Str("http://seed")},
        {"creator", Str("x")}, {"comment", Int(5)}, {"creation date", Str("yesterday")},
        {"info", Dict({{"name", Int(1)}, {"piece length", Str("big")}, {"pieces", Str(std::string(41, 'p'))}, {"private", Str("1")}})},
        {"foo", Str("again")}}));
    // clang-format on
    ASSERT_TRUE(info.ok);
    // Each address once, as the page shows it, in the first tier that names it.
    EXPECT_EQ(info.trackerTiers,
              (std::vector<std::vector<std::string>>{{"u1"}, {"u2", "\xEF\xBF\xBD"}}));
    EXPECT_EQ(info.nodes, (std::vector<std::string>{"h:6881", "[::1]:0 (invalid port)",
                                                    "h:65536 (invalid port)"}));
    EXPECT_EQ(info.custom, (std::vector<std::pair<std::string, std::string>>{
                               {"foo", "bar"}, {"n", "-12"}, {"foo", "again"}}));
    // Values of the wrong kind count as absent; pieces round down.
    EXPECT_EQ(info.comment + info.name, "");
    EXPECT_EQ(info.creationDate + info.pieceLength, 0);
    EXPECT_EQ(info.pieceCount, 2);
    EXPECT_TRUE(info.hasPrivate && !info.isPrivate);
    const auto withInfo = [](const std::string& entries) {
        return Extract("d4:infod" + entries + "ee");
    };
    EXPECT_TRUE(withInfo("7:privatei1e").isPrivate);
    EXPECT_TRUE(withInfo("12:meta versioni2e").isV2);
    EXPECT_FALSE(withInfo("12:meta versioni1e").isV2);
    EXPECT_TRUE(withInfo("9:file treede12:meta versioni1e").isV2);
}

std::string V2File(std::int64_t length, std::string_view attributes = "",
                   std::string symlink = "") {
    std::string file = "d";
    file += attributes.empty() ? "" : Str("attr") + Str(attributes);
    file += Str("length") + Int(length);
    file += symlink.empty() ? "" : Str("symlink path") + symlink;
    return Dict({{"", file + "e"}});
}

TEST(Extract, VersionTwoFileTreeAttributesAndPreferredNames) {
    // Folders are made only for what they hold; padding is counted apart, links weigh nothing.
    const std::string fileTree = Dict(
        {{"a", Dict({{"x.bin", V2File(40000)}, {"link", V2File(7, "lx", List({Str("x.bin")}))}})},
         {".pad", Dict({{"16", V2File(16, "p")}})},
         {"b.txt", V2File(5, "h")},
         {"empty", Dict({{"nothing", Int(1)}})},
         {"odd", Str("not a folder")}});
    const TorrentInfo v2 = Extract(Dict({{"info", Dict({{"file tree", fileTree},
                                                        {"meta version", Int(2)},
                                                        {"name", Str("n")},
                                                        {"name.utf-8", Str("N")},
                                                        {"piece length", Int(16384)}})}}));
    ASSERT_TRUE(v2.ok);
    EXPECT_TRUE(v2.multiFile && !v2.hasV1Data);
    EXPECT_EQ(v2.name, "N");
    EXPECT_EQ(v2.fileCount, 3);
    EXPECT_EQ(v2.totalSize, 40005);
    EXPECT_EQ(v2.pieceCount, 4);  // each file from a piece boundary: 3 + 1
    EXPECT_EQ(v2.padFileCount * 1000 + v2.padFileSize, 1016);
    EXPECT_EQ(TreeLines(v2.tree),
              (std::vector<std::string>{"a/ 40000", "a/x.bin 40000", "a/link 0", "b.txt 5"}));
    const auto& nodes = v2.tree.nodes();
    EXPECT_EQ(v2.tree.LinkTarget(3), "x.bin");
    EXPECT_TRUE(nodes[3].link && nodes[3].executable && !nodes[3].hidden);
    EXPECT_TRUE(nodes[4].hidden);
    // A lone file at the top is a single-file torrent.
    const TorrentInfo single = Extract(Dict({{"info", Dict({{"file tree", Dict({{"n", V2File(9)}})},
                                                            {"name", Str("n")},
                                                            {"piece length", Int(4)}})}}));
    EXPECT_FALSE(single.multiFile);
    EXPECT_EQ(single.totalSize, 9);
    EXPECT_EQ(single.pieceCount, 3);
    EXPECT_TRUE(TreeLines(single.tree).empty());
    // Clients save the lone file by its own name: one that differs from the torrent's shows.
    const TorrentInfo disguised =
        Extract(Dict({{"info", Dict({{"file tree", Dict({{"invoice.pdf.exe", V2File(9)}})},
                                     {"name", Str("holiday-video.mkv")},
                                     {"piece length", Int(16384)}})}}));
    EXPECT_EQ(TreeLines(disguised.tree), (std::vector<std::string>{"invoice.pdf.exe 9"}));
    EXPECT_EQ(disguised.fileCount * 100 + disguised.totalSize, 109);
    EXPECT_EQ(disguised.warnings, (std::vector<std::string>{torrent::kSingleFileNamedOtherwise}));
}

TEST(Extract, VersionOnePadFilesLinksAndUtf8Paths) {
    const std::string link = Dict({{"attr", Str("l")},
                                   {"length", Int(425)},
                                   {"path", List({Str("d"), Str("ln")})},
                                   {"symlink path", List({Str("d"), Str("f")})}});
    const std::string pad =
        Dict({{"attr", Str("p")}, {"length", Int(100)}, {"path", List({Str(".pad"), Str("100")})}});
    const std::string utf8 = Dict({{"length", Int(3)},
                                   {"path", List({Str("raw")})},
                                   {"path.utf-8", List({Str("d"), Str("\xC3\xA9")})}});
    const TorrentInfo info = Extract(MultiFile(
        {FileItem({"d", "f"}, 425), link, pad, FileItem({"_____padding_file_0"}, 7), utf8}));
    EXPECT_EQ(info.totalSize, 428);
    EXPECT_EQ(info.padFileCount * 1000 + info.padFileSize, 2107);
    EXPECT_EQ(TreeLines(info.tree),
              (std::vector<std::string>{"d/ 428", "d/f 425", "d/ln 0", "d/\xC3\xA9 3"}));
    EXPECT_EQ(info.tree.LinkTarget(3), "d/f");
}

TEST(Extract, HybridListsAreComparedWithoutPadding) {
    const auto hybrid = [](std::int64_t v2Length) {
        return Extract(Dict(
            {{"info",
              Dict({{"file tree", Dict({{"d", Dict({{"f", V2File(v2Length)}})}})},
                    {"files", List({FileItem({"d", "f"}, 5), Dict({{"attr", Str("p")},
                                                                   {"length", Int(3)},
                                                                   {"path", List({Str("p")})}})})},
                    {"name", Str("n")},
                    {"piece length", Int(16384)}})}}));
    };
    EXPECT_TRUE(hybrid(5).warnings.empty());
    EXPECT_EQ(hybrid(6).warnings, (std::vector<std::string>{torrent::kFileListsDisagree}));
    EXPECT_EQ(hybrid(5).fileCount, 1);
}

// What no client would take is shown, and said.
TEST(Extract, DamagedTorrentsSaySo) {
    const auto warnings = [](const std::string& info) {
        return Extract(Dict({{"info", "d" + info + "e"}})).warnings;
    };
    const std::string pieces = Str("pieces") + Str(std::string(20, 'p'));
    const std::string length = Str("piece length") + Int(16384);
    const std::string name = Str("name") + Str("n");
    using Warnings = std::vector<std::string>;
    EXPECT_EQ(warnings(Str("length") + Int(5) + name + length + pieces), Warnings{});
    EXPECT_EQ(warnings(Str("length") + Int(-5) + name + length + pieces),
              Warnings{torrent::kNegativeLength});
    EXPECT_EQ(warnings(Str("length") + Int(5) + name + Str("piece length") + Int(-1) + pieces),
              Warnings{torrent::kPieceLengthNotPositive});
    EXPECT_EQ(warnings(Str("length") + Int(16385) + name + length + pieces),
              Warnings{torrent::kPiecesDoNotMatch});
    EXPECT_EQ(
        warnings(Str("files") + List({FileItem({"a"}, 1), Int(3), Dict({{"path", List({})}})}) +
                 name + length + pieces),
        Warnings{torrent::kEntriesNotFiles});
    EXPECT_EQ(warnings(Str("length") + Int(5) + length + pieces), Warnings{torrent::kNoName});
}

TEST(Extract, HostileVersionTwoTreesAreBoundedAndTypeChecked) {
    std::string deep = V2File(1);
    for (int i = 0; i < 5000; ++i) {
        deep = Dict({{"d", deep}});
    }
    EXPECT_FALSE(Extract(Dict({{"info", Dict({{"file tree", deep}})}})).ok);
    std::string wide = "d";
    for (int i = 0; i < 20000; ++i) {
        wide += Str("f" + std::to_string(100000 + i)) + V2File(1);
    }
    const TorrentInfo many = Extract(Dict({{"info", Dict({{"file tree", wide + "e"}})}}));
    EXPECT_EQ(many.fileCount, 20000);
    const TorrentInfo odd = Extract(Dict(
        {{"info", Dict({{"file tree", Dict({{"a", Dict({{"", Int(1)}})}, {"b", List({})}})}})}}));
    EXPECT_TRUE(odd.ok);
    EXPECT_EQ(odd.fileCount, 0);
}

}  // namespace

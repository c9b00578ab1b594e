#include <gtest/gtest.h>

#include <chrono>
#include "tests/bencode_builder.h"
#include "tests/scratch_directory.h"

#include "torrent/load.h"
#include "verify/check_report.h"
#include "verify/content_check.h"
#include "verify/content_layout.h"

namespace {

TEST(ContentCheck, PathElementsThatWouldLeaveTheContentFolder) {
    // element, safe on Linux, safe on Windows
    // clang-format off
    const std::tuple<std::string, bool, bool> cases[] = {
        {"a.bin", true, true}, {"", false, false}, {".", false, false}, {"..", false, false},
        {"a/b", false, false}, {"a\\b", false, false}, {"C:", false, false}, {std::string("a\0b", 3), false, false},
        {"CON", true, false}, {"nul.txt", true, false}, {"Com1", true, false}, {"lpt9.x", true, false},
        {"COM10", true, true}, {"console", true, true}, {"a.", true, false}, {"a ", true, false}, {"...a", true, true}};
    // clang-format on
    for (const auto& [element, posix, windows] : cases) {
        EXPECT_EQ(verify::IsSafePathElement(element, false), posix) << element;
        EXPECT_EQ(verify::IsSafePathElement(element, true), windows) << element;
    }
}

// A check stopped before it starts reads nothing and says it did not finish.
TEST(ContentCheck, AStoppedCheckIsNeverComplete) {
    ScratchDirectory dir;
    const std::string content(40000, 'c');
    const std::string pieces = fixture::PieceHashes(content, 16384);
    const auto path =
        dir.Write("one.torrent",
                  fixture::Dict({{"info", fixture::Dict({{"length", fixture::Int(40000)},
                                                         {"name", fixture::Str("one.bin")},
                                                         {"piece length", fixture::Int(16384)},
                                                         {"pieces", fixture::Str(pieces)}})}}));
    dir.Write("one.bin", content);
    torrent::LoadedTorrent torrent;
    ASSERT_EQ(torrent::LoadTorrent(path, torrent), torrent::LoadStatus::Ready);
    std::string whyNot;
    const auto plan = verify::PlanCheck(torrent, whyNot);
    ASSERT_TRUE(plan) << whyNot;
    const auto root = *verify::ContentRoot(*plan, path, {}, whyNot);
    std::atomic<bool> cancel{false};
    const verify::CheckResult whole = verify::CheckContent(*plan, root, cancel, {}, 2);
    EXPECT_TRUE(whole.complete && !whole.cancelled);
    EXPECT_EQ(whole.goodPieces, 3);
    cancel = true;
    const verify::CheckResult stopped = verify::CheckContent(*plan, root, cancel, {}, 2);
    EXPECT_TRUE(stopped.cancelled && !stopped.complete);
    EXPECT_EQ(stopped.goodPieces, 0);
}

// A plan of the torrent written to `name` in `dir`.
verify::CheckPlan PlanOf(const ScratchDirectory& dir, std::string_view name, std::string bytes,
                         torrent::LoadedTorrent& torrent) {
    const auto path = dir.Write(name, bytes);
    EXPECT_EQ(torrent::LoadTorrent(path, torrent), torrent::LoadStatus::Ready);
    std::string whyNot;
    auto plan = verify::PlanCheck(torrent, whyNot);
    EXPECT_TRUE(plan) << whyNot;
    return plan ? std::move(*plan) : verify::CheckPlan{};
}

// Folders are kept once however the list names them, and each path is whole again; a report
// names twenty troubled files at most, then how many more.
TEST(ContentCheck, PathsFromSharedFoldersAndAReportOfManyFiles) {
    ScratchDirectory dir;
    torrent::LoadedTorrent torrent;
    const verify::CheckPlan plan =
        PlanOf(dir, "paths.torrent",
               fixture::MultiFileTorrent(
                   "P", {{"a/x", 1}, {"b/y", 1}, {"a/z", 1}, {"a/s/t", 1}, {"u", 1}}),
               torrent);
    std::vector<std::string> paths;
    for (const verify::PlannedFile& file : plan.files) {
        paths.push_back(verify::PathOf(plan, file));
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"a/x", "b/y", "a/z", "a/s/t", "u"}));
    EXPECT_EQ(plan.folders.size(), 3u);

    std::string list = "l";
    for (int i = 0; i < 25; ++i) {
        list += fixture::Dict({{"length", fixture::Int(1)},
                               {"path", "l" + fixture::Str("f" + std::to_string(i)) + "e"}});
    }
    torrent::LoadedTorrent many;
    const verify::CheckPlan manyPlan = PlanOf(
        dir, "many.torrent",
        fixture::Dict({{"info", fixture::Dict({{"files", list + "e"},
                                               {"name", fixture::Str("Many")},
                                               {"piece length", fixture::Int(16384)},
                                               {"pieces", fixture::Str(std::string(20, 'p'))}})}}),
        many);
    std::filesystem::create_directories(dir.path() / "Many");
    const std::atomic<bool> never{false};
    const std::string nothing =
        verify::CheckText(manyPlan, verify::CheckContent(manyPlan, dir.path() / "Many", never));
    EXPECT_EQ(nothing,
              "No download at " + (dir.path() / "Many").string() + " (0 of 25 files present)\n");
    dir.Write("Many/f0", "x");
    const std::string some =
        verify::CheckText(manyPlan, verify::CheckContent(manyPlan, dir.path() / "Many", never));
    EXPECT_EQ(std::count(some.begin(), some.end(), '\n'), 22) << some;
    EXPECT_NE(some.find("missing  f19\nand 5 more\n25 files in "), std::string::npos) << some;
}

// A stop is heard between reads: a file that is one piece of gigabytes, a version 2 file without
// a piece layer, is left within a read, unchecked rather than bad.
TEST(ContentCheck, AStopInsideOneHugePieceEndsTheCheckUnchecked) {
    ScratchDirectory dir;
    constexpr std::int64_t kSize = std::int64_t{8} << 30;
    const std::string entry =
        fixture::Dict({{"", fixture::Dict({{"length", fixture::Int(kSize)},
                                           {"pieces root", fixture::Str(std::string(32, 'r'))}})}});
    torrent::LoadedTorrent torrent;
    const verify::CheckPlan plan = PlanOf(
        dir, "huge.torrent",
        fixture::Dict({{"info", fixture::Dict({{"file tree", fixture::Dict({{"huge.bin", entry}})},
                                               {"meta version", fixture::Int(2)},
                                               {"name", fixture::Str("huge.bin")},
                                               {"piece length", fixture::Int(16384)}})}}),
        torrent);
    std::filesystem::resize_file(dir.Write("huge.bin", ""), kSize);  // sparse: costs no disk
    std::atomic<bool> cancel{false};
    std::chrono::steady_clock::time_point cancelled;
    const verify::CheckResult result = verify::CheckContent(
        plan, dir.path() / "huge.bin", cancel, [&](const verify::CheckProgress& progress) {
            if (progress.bytesDone > 0 && !cancel) {
                cancel = true;
                cancelled = std::chrono::steady_clock::now();
            }
        });
    ASSERT_TRUE(cancel);
    // Reading it all would take seconds; a stop that waited for the piece's end would too.
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(1));
    EXPECT_TRUE(result.cancelled && !result.complete);
    ASSERT_EQ(result.files.size(), 1u);
    EXPECT_EQ(result.files[0].status, verify::FileStatus::Unchecked);
    EXPECT_EQ(result.pieces, std::vector<verify::PieceState>{verify::PieceState::Unchecked});
}

}  // namespace

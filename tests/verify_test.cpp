#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <mutex>
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

// One file checked alone, as it is copied out: version 1 reads the neighbours' bytes in the
// pieces it shares, and it verifies only when they do; its own bytes reach the tap exactly once.
TEST(ContentCheck, OneFileAloneWithTheNeighboursItSharesPiecesWith) {
    ScratchDirectory dir;
    const std::string a(10000, 'a'), b(30000, 'b'), c(10000, 'c'), d(40000, 'd');
    const std::string pieces = fixture::PieceHashes(a + b + c + d, 16384);
    std::string list = "l";
    for (const auto& [name, size] :
         {std::pair{"a", a.size()}, {"b", b.size()}, {"c", c.size()}, {"d", d.size()}}) {
        list += fixture::Dict({{"length", fixture::Int(static_cast<std::int64_t>(size))},
                               {"path", "l" + fixture::Str(name) + "e"}});
    }
    torrent::LoadedTorrent torrent;
    const verify::CheckPlan plan =
        PlanOf(dir, "four.torrent",
               fixture::Dict({{"info", fixture::Dict({{"files", list + "e"},
                                                      {"name", fixture::Str("Four")},
                                                      {"piece length", fixture::Int(16384)},
                                                      {"pieces", fixture::Str(pieces)}})}}),
               torrent);
    std::filesystem::create_directories(dir.path() / "Four");
    dir.Write("Four/a", a), dir.Write("Four/b", b), dir.Write("Four/c", "damaged!!!"),
        dir.Write("Four/d", d);
    const std::atomic<bool> never{false};
    const std::vector<bool>* scopeVerified = nullptr;
    const auto alone = [&](std::uint32_t file, std::string* copy) {
        verify::FileScope scope{file, {}, scopeVerified};
        std::mutex mutex;
        if (copy != nullptr) {
            copy->assign(plan.files[file].size, '\0');
            scope.tap = [&](std::int64_t at, const unsigned char* data, std::size_t length) {
                std::lock_guard lock(mutex);
                std::memcpy(copy->data() + at, data, length);
                return true;
            };
        }
        const verify::CheckResult result =
            verify::CheckContent(plan, dir.path() / "Four", never, {}, 2, scope);
        const auto it = std::find_if(result.files.begin(), result.files.end(),
                                     [&](const verify::FileCheck& f) { return f.file == file; });
        return it == result.files.end() ? verify::FileStatus::Missing : it->status;
    };
    std::string copied;
    EXPECT_EQ(alone(0, &copied), verify::FileStatus::Complete);
    EXPECT_EQ(copied, a);
    // b shares its last piece with c, which has the wrong size: b cannot be vouched for.
    EXPECT_EQ(alone(1, nullptr), verify::FileStatus::Partial);
    EXPECT_EQ(alone(2, nullptr), verify::FileStatus::WrongSize);
    dir.Write("Four/c", c);
    EXPECT_EQ(alone(1, &copied), verify::FileStatus::Complete);
    EXPECT_EQ(copied, b);
    EXPECT_EQ(alone(3, &copied), verify::FileStatus::Complete);
    EXPECT_EQ(copied, d);
    // Pieces found good before are not read again for a test, but always for a copy.
    const std::vector<bool> verified(plan.pieceCount, true);
    scopeVerified = &verified;
    EXPECT_EQ(alone(3, &copied), verify::FileStatus::Complete);
    EXPECT_EQ(copied, d);
    dir.Write("Four/d", std::string(d.size(), 'x'));
    EXPECT_EQ(alone(3, nullptr), verify::FileStatus::Complete);
    EXPECT_EQ(alone(3, &copied), verify::FileStatus::Partial);
    // A failed write ends the check, which then never says the file is whole.
    verify::FileScope failing{
        3, [](std::int64_t, const unsigned char*, std::size_t) { return false; }};
    const verify::CheckResult stopped =
        verify::CheckContent(plan, dir.path() / "Four", never, {}, 2, failing);
    EXPECT_TRUE(stopped.cancelled && !stopped.complete);
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

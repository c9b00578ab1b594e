#include <gtest/gtest.h>

#include "tests/bencode_builder.h"
#include "tests/scratch_directory.h"
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

}  // namespace

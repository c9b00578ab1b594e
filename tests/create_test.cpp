#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "create/make_torrent.h"
#include "tests/scratch_directory.h"

namespace {

// A file that changes while it is hashed, in each way it can, makes no torrent: the refusal
// names it. So does a stop.
TEST(MakeTorrent, AFileThatChangesWhileHashedOrAStopMakesNothing) {
    ScratchDirectory dir;
    const auto folder = dir.path() / "Pack";
    std::filesystem::create_directories(folder);
    const auto big = folder / "big.bin";
    for (const std::string change : {"grow", "shrink", "vanish", "stop"}) {
        std::ofstream(big, std::ios::binary).close();
        std::filesystem::resize_file(big, std::int64_t{1} << 30);  // sparse: a second to hash
        create::CreateRequest request;
        request.inputs = {folder};
        request.version = create::Version::V1;
        std::atomic<bool> stop{false};
        bool changed = false;
        create::Created made;
        std::string whyNot;
        const bool ok = create::MakeTorrent(
            request, stop,
            [&](const create::HashProgress& progress) {
                if (changed || progress.bytesDone == 0) {
                    return;
                }
                changed = true;
                if (change == "grow") {
                    std::ofstream(big, std::ios::binary | std::ios::app) << "more";
                } else if (change == "shrink") {
                    std::filesystem::resize_file(big, 1000);
                } else if (change == "vanish") {
                    std::filesystem::remove(big);
                } else {
                    stop = true;
                }
            },
            made, whyNot);
        EXPECT_FALSE(ok) << change;
        EXPECT_TRUE(made.bytes.empty()) << change;
        EXPECT_EQ(whyNot,
                  change == "stop" ? "stopped" : big.string() + " changed while it was hashed")
            << change;
    }
}

// The piece length people get without asking: 1,000 to 2,000 pieces, from 16 KiB to 16 MiB.
TEST(MakeTorrent, AutomaticPieceLength) {
    EXPECT_EQ(create::AutoPieceLength(0), 16384);
    EXPECT_EQ(create::AutoPieceLength(1 << 20), 16384);
    EXPECT_EQ(create::AutoPieceLength(std::int64_t{1} << 30), 1 << 20);
    EXPECT_EQ(create::AutoPieceLength(std::int64_t{1} << 50), 16 << 20);
    EXPECT_TRUE(create::IsValidPieceLength(16384) && create::IsValidPieceLength(256 << 20));
    EXPECT_FALSE(create::IsValidPieceLength(8192) || create::IsValidPieceLength(20000) ||
                 create::IsValidPieceLength(512 << 20));
    EXPECT_TRUE(create::GlobMatches("*.nfo", "a.nfo") && create::GlobMatches("s[0-9]?/*", "s1x/a"));
    EXPECT_FALSE(create::GlobMatches("*.nfo", "a.nfo.txt") || create::GlobMatches("[!a]*", "abc"));
}

}  // namespace

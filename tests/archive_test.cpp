#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "archive/detect.h"
#include "archive/entries.h"
#include "archive/pack_options.h"
#include "archive/pack_request.h"
#include "tests/bencode_builder.h"
#include "tests/scratch_directory.h"
#include "torrent/load.h"

namespace {

using fixture::Dict;
using fixture::Int;
using fixture::Str;

std::vector<std::string> Listing(const std::string& bytes) {
    const torrent::TorrentInfo info = torrent::extract(bytes.data(), bytes.size());
    EXPECT_TRUE(info.ok);
    std::vector<std::string> lines;
    archive::EntryWalker walker(info);
    for (archive::Entry entry; walker.Next(entry);) {
        lines.push_back(entry.name + (entry.folder ? "\\" : "") + " " + std::to_string(entry.size) +
                        (entry.hidden ? " h" : "") + (entry.safe ? "" : " unsafe") + " <" +
                        entry.treePath + ">");
    }
    return lines;
}

std::string FileItem(std::initializer_list<std::string_view> path, std::int64_t length,
                     std::string_view attributes = "") {
    std::string elements = "l";
    for (const std::string_view element : path) {
        elements += Str(element);
    }
    return attributes.empty() ? Dict({{"length", Int(length)}, {"path", elements + "e"}})
                              : Dict({{"attr", Str(attributes)},
                                      {"length", Int(length)},
                                      {"path", elements + "e"}});
}

// Entries are named as a client writes them below the torrent's folder: folders first and on
// their own, pads never, hidden files marked, and a name Windows cannot hold renamed and unsafe.
TEST(ArchiveEntries, NamesFoldersPadsHiddenAndUnsafeElements) {
    const std::string files = "l" + FileItem({"a", "x.bin"}, 5) + FileItem({".pad", "7"}, 7, "p") +
                              FileItem({"a", "y.bin"}, 3, "h") + FileItem({"..", "evil"}, 1) +
                              FileItem({"CON"}, 2) + FileItem({"b:c?"}, 4) + FileItem({"dot."}, 6) +
                              "e";
    const std::string torrent = Dict({{"info", Dict({{"files", files},
                                                     {"name", Str("Pack")},
                                                     {"piece length", Int(16384)},
                                                     {"pieces", Str(std::string(20, 'p'))}})}});
    EXPECT_EQ(Listing(torrent),
              (std::vector<std::string>{
                  "Pack\\ 21 <>", "Pack\\a\\ 8 <a>", "Pack\\a\\x.bin 5 <a/x.bin>",
                  "Pack\\a\\y.bin 3 h <a/y.bin>", "Pack\\_.._\\ 1 unsafe <..>",
                  "Pack\\_.._\\evil 1 unsafe <../evil>", "Pack\\_CON 2 unsafe <CON>",
                  "Pack\\b_c_ 4 unsafe <b:c?>", "Pack\\dot._ 6 unsafe <dot.>"}));
    // A single file is its own name; a version 2 torrent's lone file keeps its key.
    EXPECT_EQ(Listing(fixture::SingleFileTorrent("one.iso", std::int64_t{5} << 32)),
              (std::vector<std::string>{"one.iso 21474836480 <one.iso>"}));
    const std::string entry =
        Dict({{"", Dict({{"length", Int(9)}, {"pieces root", Str(std::string(32, 'r'))}})}});
    EXPECT_EQ(Listing(Dict({{"info", Dict({{"file tree", Dict({{"real.txt", entry}})},
                                           {"meta version", Int(2)},
                                           {"name", Str("shown")},
                                           {"piece length", Int(16384)}})}})),
              (std::vector<std::string>{"real.txt 9 <real.txt>"}));
    EXPECT_EQ(archive::SafeElement(""), "_");
    EXPECT_EQ(archive::SafeElement("nul.txt"), "_nul.txt");
    EXPECT_EQ(archive::SafeElement("ok name.txt"), "ok name.txt");
}

TEST(ArchiveEntries, DosTimesAreKeptInTheirRange) {
    std::tm t{};
    t.tm_year = 124, t.tm_mon = 1, t.tm_mday = 29, t.tm_hour = 13, t.tm_min = 45, t.tm_sec = 59;
    EXPECT_EQ(archive::DosTime(t),
              (44u << 25) | (2u << 21) | (29u << 16) | (13u << 11) | (45u << 5) | 29u);
    t.tm_year = 60;
    EXPECT_EQ(archive::DosTime(t), (1u << 21) | (1u << 16));
    t.tm_year = 300;
    EXPECT_EQ(archive::DosTime(t) >> 25, 127u);
}

// Detection reads the first 64 KiB alone: an "info" dictionary after well-formed keys is a
// torrent, whatever the file is called; anything else is not.
TEST(ArchiveDetect, AnInfoDictionaryAfterWellFormedKeys) {
    const std::string info = Dict({{"name", Str("x")}});
    const std::pair<std::string, bool> cases[] = {
        {Dict({{"info", info}}), true},
        {Dict({{"announce", Str("u")}, {"announce-list", "ll1:aeli5ee1:be"}, {"info", info}}),
         true},
        {Dict({{"info", Str("d4:infod")}}), false},
        {Dict({{"a", "ld4:infodeee"}, {"z", Int(1)}}), false},  // deeper is not the torrent's
        {Dict({{"info", "l" + info + "e"}}), false},
        {"d4:info", false},
        {"d99999999999999999999:info", false},
        {"d1:ai12", false},
        {"l4:infod", false},
        {"", false},
        {Dict({{"comment", Str(std::string(70000, 'c'))}, {"info", info}}), false},
    };
    for (const auto& [bytes, torrent] : cases) {
        EXPECT_EQ(archive::BeginsLikeTorrent(bytes), torrent) << bytes.substr(0, 40);
    }
    // Every real torrent whose "info" starts early is recognised.
    const char* corpus = std::getenv("MARROWPEEK_CORPUS");
    if (corpus == nullptr || !std::filesystem::is_directory(corpus)) {
        return;
    }
    int recognised = 0;
    for (const auto& file : std::filesystem::recursive_directory_iterator(corpus)) {
        torrent::LoadedTorrent loaded;
        if (!file.is_regular_file() ||
            torrent::LoadTorrent(file.path(), loaded) != torrent::LoadStatus::Ready) {
            continue;
        }
        const std::string_view bytes = loaded.content.bytes;
        if (loaded.info.infoStart < archive::kDetectBytes / 2) {
            EXPECT_TRUE(archive::BeginsLikeTorrent(bytes)) << file.path();
            ++recognised;
        }
    }
    EXPECT_GT(recognised, 0);
}

// "Pack files": one folder, one file or several names, and of a folder only the files listed.
TEST(ArchivePack, TheListedNamesBecomeTheMakersRequest) {
    ScratchDirectory dir;
    std::filesystem::create_directories(dir.path() / "src/Pack/sub");
    dir.Write("src/Pack/a.txt", "a"), dir.Write("src/Pack/sub/b.txt", "b");
    dir.Write("src/Pack/sub/c.txt", "c"), dir.Write("src/one.txt", "1");
    CreateSettings settings;
    settings.version = "v2";
    settings.pieceLength = 12345;  // no power of two: chosen from the size instead
    settings.trackers = {{"http://t.example/announce"}};
    const auto request = [&](std::vector<std::filesystem::path> names, std::string* whyNot) {
        create::CreateRequest made;
        std::string ignored;
        const archive::PackAsk ask{dir.path() / "out/My Torrent.torrent", dir.path() / "src",
                                   std::move(names)};
        EXPECT_EQ(archive::PackRequest(ask, settings, made, whyNot ? *whyNot : ignored),
                  whyNot == nullptr);
        return made;
    };
    const create::CreateRequest folder =
        request({"Pack/", "Pack/a.txt", "Pack/sub/", "Pack/sub/b.txt"}, nullptr);
    EXPECT_EQ(folder.inputs, std::vector<std::filesystem::path>{dir.path() / "src/Pack"});
    EXPECT_EQ(folder.version, create::Version::V2);
    EXPECT_EQ(folder.pieceLength, 0);
    EXPECT_EQ(folder.description.trackerTiers, settings.trackers);
    create::FileSet set;
    std::string whyNot;
    ASSERT_TRUE(create::SelectFiles(folder.inputs, folder.name, folder.select, set, whyNot));
    EXPECT_EQ(set.name, "Pack");
    ASSERT_EQ(set.files.size(), 2u);  // c.txt was not chosen
    EXPECT_EQ(set.files[1].path, (std::vector<std::string>{"sub", "b.txt"}));

    const create::CreateRequest several = request({"Pack/", "Pack/a.txt", "one.txt"}, nullptr);
    EXPECT_EQ(several.inputs.size(), 2u);
    EXPECT_EQ(several.name, "My Torrent");
    for (const char* bad : {"../x", "/abs", ""}) {
        std::string why;
        request({bad}, &why);
        EXPECT_FALSE(why.empty()) << bad;
    }
}

// The dialog's lists: a blank line between tiers however many, blanks around lines dropped.
TEST(ArchivePack, TrackerTiersFromTheDialogsLines) {
    using Tiers = std::vector<std::vector<std::string>>;
    EXPECT_EQ(archive::TiersFromLines("\r\n a \r\nb\r\n\r\n\r\n c\n\n"),
              (Tiers{{"a", "b"}, {"c"}}));
    EXPECT_EQ(archive::TiersFromLines(" \n\n"), Tiers{});
    const Tiers tiers{{"u1", "u2"}, {"u3"}};
    EXPECT_EQ(archive::TiersFromLines(archive::LinesFromTiers(tiers)), tiers);
    EXPECT_EQ(archive::ItemsFromLines("x\r\n\r\n y"), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(archive::PieceLengthLabel(0), "Auto");
    EXPECT_EQ(archive::PieceLengthLabel(16 << 10), "16 KiB");
    EXPECT_EQ(archive::PieceLengthLabel(256 << 20), "256 MiB");
}

}  // namespace

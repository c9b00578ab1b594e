#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>

#include "platform/text.h"
#include "tests/bencode_builder.h"
#include "tests/scratch_directory.h"
#include "tools/tool.h"
#include "torrent/magnet.h"
#ifndef _WIN32
#include "tools/preview_guard.h"
#endif

namespace {

struct ToolRun {
    int code;
    std::string out;
    std::string err;
};

ToolRun Tool(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = RunTool(args, out, err);
    return {code, out.str(), err.str()};
}

// Real metainfo files written by others, many of them deliberately broken. The corpus is not
// part of the repository: the test is skipped without it.
TEST(DeveloperTool, EveryCorpusFileIsRefusedInOneLineOrGivesAValidDocument) {
    const char* folder = std::getenv("MARROWPEEK_CORPUS");
    if (folder == nullptr || !std::filesystem::is_directory(platform::PathFromUtf8(folder))) {
        GTEST_SKIP() << "no corpus folder (MARROWPEEK_CORPUS)";
    }
    int accepted = 0;
    for (const auto& entry : std::filesystem::directory_iterator(platform::PathFromUtf8(folder))) {
        const std::string file = platform::PathToUtf8(entry.path());
        const ToolRun run = Tool({"data", file});
        if (run.code == 0) {
            ++accepted;
            EXPECT_TRUE(nlohmann::json::accept(run.out)) << file;
            EXPECT_EQ(run.out.rfind(R"({"ok":true,)", 0), 0u) << file;
        } else {
            EXPECT_EQ(run.code, 1) << file;
            EXPECT_EQ(run.out, "") << file;
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        }
    }
    EXPECT_GT(accepted, 0);
}

// The columns' values, as the content plug-in gives them, through the tool: every field of a
// A creation date stored in milliseconds is shown as the date it means, and said to be so, by
// the document, the fields and their text alike.
TEST(DeveloperTool, CreationDatesInMilliseconds) {
    ScratchDirectory dir;
    const std::string file = platform::PathToUtf8(dir.Write(
        "ms.torrent",
        fixture::Dict(
            {{"creation date", fixture::Int(1700000000123)},
             {"info", fixture::Dict({{"length", fixture::Int(1)},
                                     {"name", fixture::Str("a")},
                                     {"piece length", fixture::Int(16384)},
                                     {"pieces", fixture::Str(std::string(20, 'p'))}})}})));
    const nlohmann::json document = nlohmann::json::parse(Tool({"data", file}).out);
    EXPECT_EQ(document["creationDate"], 1700000000);
    EXPECT_EQ(document["creationDateInMilliseconds"], true);
    EXPECT_EQ(nlohmann::json::parse(Tool({"fields", file, "--json"}).out)["Creation date"],
              "2023-11-14T22:13:20Z");
    EXPECT_NE(Tool({"fields", file})
                  .out.find("Creation date: 2023-11-14T22:13:20Z (stored in milliseconds)\n"),
              std::string::npos);
}

// torrent with each kind of value, and the content beside it found by its sizes alone.
TEST(DeveloperTool, FieldsOfATorrentAndItsContentOnDisk) {
    ScratchDirectory dir;
    const std::string torrent = fixture::Dict(
        {{"announce", fixture::Str("udp://Tracker.EXAMPLE:6969/announce")},
         {"announce-list",
          fixture::List({fixture::List({fixture::Str("udp://tracker.example:6969/announce"),
                                        fixture::Str("http://b.example/announce")})})},
         {"comment", fixture::Str("C")},
         {"creation date", fixture::Int(1700000000)},
         {"info",
          fixture::Dict(
              {{"files",
                fixture::List({fixture::Dict({{"length", fixture::Int(3)},
                                              {"path", fixture::List({fixture::Str("d"),
                                                                      fixture::Str("a.bin")})}}),
                               fixture::Dict({{"length", fixture::Int(2)},
                                              {"path", fixture::List({fixture::Str("b.bin")})}})})},
               {"name", fixture::Str("Pack")},
               {"piece length", fixture::Int(16384)},
               {"pieces", fixture::Str(std::string(20, 'p'))},
               {"private", fixture::Int(1)}})},
         {"url-list", fixture::Str("http://seed.example/")}});
    const std::string file = platform::PathToUtf8(dir.Write("pack.torrent", torrent));
    const auto fields = [&] {
        const ToolRun run = Tool({"fields", file, "--json"});
        EXPECT_EQ(run.code, 0) << run.err;
        return nlohmann::json::parse(run.out);
    };
    const nlohmann::json values = fields();
    EXPECT_EQ(values.size(), 20u);
    EXPECT_EQ(values["Name"], "Pack");
    EXPECT_EQ(values["Total size"], 5);
    EXPECT_EQ(values["Files"], 2);
    EXPECT_EQ(values["Piece size"], 16384);
    EXPECT_EQ(values["Pieces"], 1);
    EXPECT_EQ(values["Version"], "v1");
    EXPECT_EQ(values["Info hash v1"].get<std::string>().size(), 40u);
    EXPECT_TRUE(values["Info hash v2"].is_null() && values["Source"].is_null());
    EXPECT_EQ(values["Private"], true);
    EXPECT_EQ(values["Tracker"], "udp://Tracker.EXAMPLE:6969/announce");
    EXPECT_EQ(values["Tracker host"], "tracker.example");
    EXPECT_EQ(values["Trackers"], 2);
    EXPECT_EQ(values["Web seeds"], 1);
    EXPECT_EQ(values["Creation date"], "2023-11-14T22:13:20Z");
    EXPECT_EQ(values["Comment"], "C");
    EXPECT_EQ(values["Magnet link"],
              Tool({"magnet", file}).out.substr(0, Tool({"magnet", file}).out.size() - 1));
    EXPECT_EQ(values["File names"], nlohmann::json::array({"d/a.bin", "b.bin"}));
    EXPECT_EQ(values["Content on disk"], "missing");
    std::filesystem::create_directories(dir.path() / "Pack" / "d");
    dir.Write("Pack/d/a.bin", "abc");
    dir.Write("Pack/b.bin", "b");
    EXPECT_EQ(fields()["Content on disk"], "incomplete");
    dir.Write("Pack/b.bin", "bb");
    EXPECT_EQ(fields()["Content on disk"], "complete");
    const ToolRun refused = Tool({"fields", platform::PathToUtf8(dir.Write("bad.torrent", "x"))});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1);
}

// A magnet link that would hand on a private tracker's passkey says so on standard error, as the
// page does beside the link; a public torrent's does not.
TEST(Tool, MagnetLinksThatHoldAPasskey) {
    const std::pair<std::string_view, bool> urls[] = {
        {"http://t.example/0123456789abcdef0123456789abcdef/announce", true},
        {"http://t.example/announce?pk=0123456789abcdef0123456789abcdeF", false},
        {"http://t.example/announce?0123456789abcdef0123456789abcdeFXYZ", true},
        {"http://t.example/announce?PassKey=1", true},
        {"http://t.example/0123456789abcdef0123456789abcde/announce", false},
        {"http://t.example/x0123456789abcdef0123456789abcdef.php", false}};
    for (const auto& [url, holds] : urls) {
        EXPECT_EQ(torrent::HoldsPasskey(url), holds) << url;
    }
    ScratchDirectory dir;
    for (const int isPrivate : {1, 0}) {
        const std::string file = platform::PathToUtf8(dir.Write(
            "keyed.torrent",
            fixture::Dict({{"announce", fixture::Str(urls[0].first)},
                           {"info", fixture::Dict({{"length", fixture::Int(1)},
                                                   {"name", fixture::Str("a")},
                                                   {"piece length", fixture::Int(16384)},
                                                   {"pieces", fixture::Str(std::string(20, 'p'))},
                                                   {"private", fixture::Int(isPrivate)}})}})));
        const ToolRun run = Tool({"magnet", file});
        EXPECT_EQ(run.code, 0);
        EXPECT_EQ(run.err, isPrivate
                               ? "marrowpeek: this magnet link holds a tracker passkey: keep it to "
                                 "yourself\n"
                               : "");
        EXPECT_EQ(nlohmann::json::parse(Tool({"data", file}).out).contains("magnetHoldsPasskey"),
                  isPrivate == 1);
    }
}

// Sizes in the tool's text read as the page shows them by default (its own rounding, ties up).
TEST(Tool, SizesAsThePageShowsThem) {
    const std::pair<std::int64_t, std::string> sizes[] = {{0, "0 B"},
                                                          {1023, "1,023 B"},
                                                          {1024, "1.00 KB"},
                                                          {1152, "1.13 KB"},
                                                          {10239, "10.00 KB"},
                                                          {1048575, "1,024.0 KB"},
                                                          {300000000, "286.1 MB"},
                                                          {5629499534225465, "5.00 PB"},
                                                          {3848290697216, "3.50 TB"}};
    for (const auto& [bytes, text] : sizes) {
        EXPECT_EQ(platform::SizeText(bytes), text) << bytes;
    }
    EXPECT_EQ(platform::GroupedCount(-1234567), "-1,234,567");
}

// Copied text, and names and answers from torrents and trackers, go to a terminal: no control
// character there may act on it. A report keeps its lines.
TEST(Tool, TextCannotDriveTheTerminal) {
    EXPECT_EQ(platform::TerminalSafe("a\x1b]0;title\x07\nb\x7f\xC2\x9b"
                                     "31m \xC3\xA9"),
              "a\\x1b]0;title\\x07\\x0ab\\x7f\\u009b31m \xC3\xA9");
    EXPECT_EQ(platform::TerminalSafe(std::string("a\0\r\nb\n", 6), true), "a\\x00\\x0d\nb\n");
}

}  // namespace

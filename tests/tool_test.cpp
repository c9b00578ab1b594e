#include "tools/tool.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

#include "bencode_builder.h"
#include "platform/text.h"
#include "scratch_directory.h"

namespace {

struct ToolRun {
    int code;
    std::string out;
    std::string err;
};

ToolRun RunMarrowpeek(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = RunTool(args, out, err);
    return {code, out.str(), err.str()};
}

TEST(ToolData, PrintsTheDocumentWithoutALineEnd) {
    ScratchDirectory dir;
    const auto file = dir.Write("a.torrent", fixture::SingleFileTorrent("a.iso", 1000));
    const ToolRun run = RunMarrowpeek({"data", platform::PathToUtf8(file)});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ASSERT_FALSE(run.out.empty());
    EXPECT_EQ(run.out.back(), '}');
    const auto document = nlohmann::json::parse(run.out);
    EXPECT_EQ(document["name"], "a.iso");
    EXPECT_EQ(document["totalSize"], 1000);
}

TEST(ToolData, RefusalIsOneLineNamingTheFileAndTheReason) {
    ScratchDirectory dir;
    const std::string missing = platform::PathToUtf8(dir.path() / "missing.torrent");
    const std::string text = platform::PathToUtf8(dir.Write("text.torrent", "dear diary"));
    const std::string empty = platform::PathToUtf8(dir.Write("empty.torrent", ""));
    const struct {
        std::string file;
        std::string reason;
    } cases[] = {{missing, "cannot be read"}, {text, "is not a torrent"}, {empty, "is empty"}};
    for (const auto& c : cases) {
        const ToolRun run = RunMarrowpeek({"data", c.file});
        EXPECT_EQ(run.code, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "marrowpeek: " + c.file + " " + c.reason + "\n");
    }
}

TEST(ToolData, FlagsSelectDarkModeAndBadArgumentsAreMisuse) {
    ScratchDirectory dir;
    const auto file =
        platform::PathToUtf8(dir.Write("a.torrent", fixture::SingleFileTorrent("a", 1)));
    EXPECT_EQ(RunMarrowpeek({"data", file, "--flags", "0x80"}).code, 0);
    EXPECT_EQ(RunMarrowpeek({"data", "--flags", "128", file}).code, 0);
    EXPECT_EQ(RunMarrowpeek({"data", file, "--flags", "dark"}).code, 2);
    EXPECT_EQ(RunMarrowpeek({"data", file, "--flags"}).code, 2);
    EXPECT_EQ(RunMarrowpeek({"data"}).code, 2);
    EXPECT_EQ(RunMarrowpeek({"data", file, file}).code, 2);
    EXPECT_EQ(RunMarrowpeek({}).code, 2);
    EXPECT_EQ(RunMarrowpeek({"frobnicate"}).code, 2);
}

TEST(ToolData, FileNamesOutsideAsciiAreReached) {
    ScratchDirectory dir;
    const auto file = dir.path() / platform::PathFromUtf8("\xC3\xA9t\xC3\xA9 \xE2\x98\x83.torrent");
    {
        std::ofstream out(file, std::ios::binary);
        out << fixture::SingleFileTorrent("snow", 1);
    }
    EXPECT_EQ(RunMarrowpeek({"data", platform::PathToUtf8(file)}).code, 0);
}

}  // namespace

namespace {

TEST(ToolSample, WritesATorrentThatTheDataCommandShows) {
    ScratchDirectory dir;
    const std::string file = platform::PathToUtf8(dir.path() / "sample.torrent");
    ASSERT_EQ(RunMarrowpeek({"sample", file}).code, 0);
    const ToolRun run = RunMarrowpeek({"data", file});
    ASSERT_EQ(run.code, 0) << run.err;
    const auto document = nlohmann::json::parse(run.out);
    EXPECT_EQ(document["name"], "Sample Collection");
    EXPECT_EQ(document["fileCount"], 9);
    EXPECT_EQ(document["trackerTiers"].size(), 2u);
    EXPECT_EQ(document["infoHashV1"].get<std::string>().size(), 40u);
    EXPECT_EQ(RunMarrowpeek({"sample"}).code, 2);
}

}  // namespace

namespace {

TEST(ToolConfiguration, ConfigCssSetAndDocumentsWorkOnTheGivenFolder) {
    ScratchDirectory dir;
    const std::string folder = platform::PathToUtf8(dir.path() / "config");
    const ToolRun config = RunMarrowpeek({"config", "--config-dir", folder, "--dark"});
    ASSERT_EQ(config.code, 0) << config.err;
    EXPECT_EQ(nlohmann::json::parse(config.out)["theme"], "Dark");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "config" / "Marrowpeek.ini"));

    const ToolRun css = RunMarrowpeek({"css", "--config-dir", folder});
    EXPECT_EQ(css.out.rfind(":root{--bg:#ffffff;", 0), 0u);

    const ToolRun set = RunMarrowpeek({"set", "theme", "Dracula", "--config-dir", folder});
    ASSERT_EQ(set.code, 0);
    EXPECT_EQ(
        nlohmann::json::parse(set.out)["css"].get<std::string>().rfind(":root{--bg:#282a36;", 0),
        0u);
    EXPECT_EQ(RunMarrowpeek({"set", "fontsize", "20", "--config-dir", folder}).out, "");
    EXPECT_EQ(
        nlohmann::json::parse(RunMarrowpeek({"config", "--config-dir", folder}).out)["fontsize"],
        20);

    const auto torrent = dir.Write("a.torrent", fixture::SingleFileTorrent("a", 1));
    const std::string out = platform::PathToUtf8(dir.path() / "out");
    ASSERT_EQ(RunMarrowpeek({"documents", platform::PathToUtf8(torrent), "--out", out,
                             "--config-dir", folder})
                  .code,
              0);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "out" / "data.json"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "out" / "config.json"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "out" / "theme.css"));
    EXPECT_EQ(RunMarrowpeek({"documents", platform::PathToUtf8(torrent)}).code, 2);
    EXPECT_EQ(RunMarrowpeek({"set", "theme"}).code, 2);
}

}  // namespace

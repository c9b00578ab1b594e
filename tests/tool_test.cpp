#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "platform/text.h"
#include "tests/scratch_directory.h"
#include "tools/tool.h"

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

TEST(DeveloperTool, SampleConfigurationSetAndMisuse) {
    ScratchDirectory dir;
    const std::string folder = platform::PathToUtf8(dir.path() / "config");
    const std::string sample = platform::PathToUtf8(dir.path() / "s\xC3\xA9 \xE2\x98\x83.torrent");
    ASSERT_EQ(Tool({"sample", sample}).code, 0);
    EXPECT_EQ(nlohmann::json::parse(Tool({"data", sample, "--flags", "0x80"}).out)["fileCount"], 9);
    EXPECT_EQ(Tool({"css", "--config-dir", folder}).out.rfind(":root{--bg:#ffffff;", 0), 0u);
    EXPECT_EQ(Tool({"set", "fontsize", "20", "--config-dir", folder}).out, "");
    EXPECT_EQ(nlohmann::json::parse(Tool({"config", "--config-dir", folder}).out)["fontsize"], 20);
    // clang-format off
    for (const std::vector<std::string>& misuse : {std::vector<std::string>{}, {"frobnicate"}, {"data"},
             {"data", sample, sample}, {"data", sample, "--flags", "dark"}, {"documents", sample}, {"set", "theme"}}) {
        EXPECT_EQ(Tool(misuse).code, 2);
    }
    // clang-format on
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

}  // namespace

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>

#include "platform/text.h"
#include "tests/scratch_directory.h"
#include "tools/tool.h"
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

#ifndef _WIN32
// Copied text goes to the preview's terminal: no control character there may act on it.
TEST(PreviewHost, CopiedTextCannotDriveTheTerminal) {
    EXPECT_EQ(TerminalSafe("a\x1b]0;title\x07\nb\x7f\xC2\x9b"
                           "31m \xC3\xA9"),
              "a\\x1b]0;title\\x07\\x0ab\\x7f\\u009b31m \xC3\xA9");
}
#endif

}  // namespace

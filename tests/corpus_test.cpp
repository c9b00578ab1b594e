// Runs the developer tool over a corpus of real metainfo files written by others, many of them
// deliberately broken. The corpus is not part of the repository: the test is skipped without it.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/text.h"
#include "tools/tool.h"

namespace {

TEST(Corpus, EveryFileIsRefusedCleanlyOrGivesAValidDocument) {
    const char* folder = std::getenv("MARROWPEEK_CORPUS");
    if (folder == nullptr || !std::filesystem::is_directory(platform::PathFromUtf8(folder))) {
        GTEST_SKIP() << "no corpus folder (MARROWPEEK_CORPUS)";
    }
    int accepted = 0;
    int refused = 0;
    for (const auto& entry : std::filesystem::directory_iterator(platform::PathFromUtf8(folder))) {
        if (!entry.is_regular_file())
            continue;
        const std::string file = platform::PathToUtf8(entry.path());
        std::ostringstream out;
        std::ostringstream err;
        const int code = RunTool({"data", file}, out, err);
        if (code == 0) {
            ++accepted;
            const std::string document = out.str();
            EXPECT_TRUE(nlohmann::json::accept(document)) << file;
            EXPECT_EQ(document.rfind(R"({"ok":true,)", 0), 0u) << file;
        } else {
            ++refused;
            EXPECT_EQ(code, 1) << file;
            EXPECT_EQ(out.str(), "") << file;
            const std::string message = err.str();
            EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
        }
    }
    EXPECT_GT(accepted, 0);
    std::cout << "corpus: " << accepted << " accepted, " << refused << " refused\n";
}

}  // namespace

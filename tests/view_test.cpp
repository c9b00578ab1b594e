#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <stdexcept>

#include "platform/shared_request.h"
#include "settings/config_files.h"
#include "tests/scratch_directory.h"
#include "view/page_messages.h"

namespace {

TEST(PageMessages, TimingReportsSettingChangesAndWhatGoesToTheHost) {
    ScratchDirectory dir;
    EnsureConfigFiles(dir.path());
    WebViewState state;
    state.configDir = dir.path();
    const std::string report = R"({"perf":"1","label":"renderMeta","ms":"1.250"})";
    EXPECT_EQ(HandlePageMessage(state, report, true).debugLine,
              "[Marrowpeek] frontend renderMeta: 1.250 ms\n");
    EXPECT_FALSE(HandlePageMessage(state, report, false).debugLine);
    // Any change rewrites the whole file in its fixed layout, keeping the other values.
    dir.Write(kSettingsFileName, "; mine\n[settings]\nfontsize=20\n[extra]\nkeep=no\n");
    EXPECT_TRUE(
        HandlePageMessage(state, R"({"set":"cachepath","value":"D:\\c"})", false).replies.empty());
    Settings expected;
    expected.fontsize = 20;
    expected.cachepath = "D:\\c";
    EXPECT_EQ(ReadAll(dir.path() / kSettingsFileName), SettingsFileText(expected));
    const auto reply = HandlePageMessage(state, R"({"set":"theme","value":"Night Owl"})", false);
    ASSERT_EQ(reply.replies.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(reply.replies[0])["css"], state.themeCss);
    EXPECT_EQ(state.themeCss.rfind(":root{--bg:#011627;", 0), 0u);
    // The page's own messages name their kind first: a setting that mentions one is a setting.
    EXPECT_EQ(HandlePageMessage(state, R"({"key":"n"})", false).relayedKey, "n");
    EXPECT_EQ(HandlePageMessage(state, R"( {"keys":"page"})", false).pageWantsKeys, true);
    EXPECT_EQ(HandlePageMessage(state, R"({"copy":"a\\b"})", false).copiedText, "a\\b");
    const auto setting = HandlePageMessage(state, R"({"set":"","copy":"y","key":"n"})", false);
    EXPECT_FALSE(setting.copiedText || setting.relayedKey);
}

// A change is written only over a file that was read whole, and never makes it unreadable; when
// it cannot be saved, the page hears so and the file keeps what it had.
TEST(PageMessages, SettingsAreNeverWipedAndFailuresReported) {
    ScratchDirectory dir;
    EnsureConfigFiles(dir.path());
    WebViewState state;
    state.configDir = dir.path();
    const auto change = [&](std::string_view value) {
        return HandlePageMessage(
                   state, R"({"set":"cachepath","value":")" + std::string(value) + "\"}", false)
            .replies;
    };
    const std::vector<std::string> notSaved = {R"({"settingNotSaved":"cachepath"})"};
    const std::string mine = "[settings]\nfontsize=20\n" + std::string(kMaxIniFileBytes, ';');
    dir.Write(kSettingsFileName, mine);
    EXPECT_EQ(change("x"), notSaved);
    EXPECT_EQ(ReadAll(dir.path() / kSettingsFileName), mine);
    dir.Write(kSettingsFileName, "[settings]\nfontsize=20\n");
    EXPECT_EQ(change(std::string(kMaxSettingText + 1, 'a')), notSaved);
    EXPECT_TRUE(change(std::string(kMaxSettingText, 'a')).empty());
    EXPECT_EQ(ReadSettings(dir.path()).fontsize, 20);
    std::filesystem::remove(dir.path() / kSettingsFileName);
    EXPECT_TRUE(change("new").empty());
    EXPECT_EQ(ReadSettings(dir.path()).cachepath, "new");
    state.configDir = dir.Write("file", "") / "missing";
    EXPECT_EQ(change("y"), notSaved);
}

TEST(SharedRequest, ARequestThatFailsOrThrowsLeavesNothingInFlight) {
    int a = 0, b = 0, c = 0;
    platform::SharedRequest<int> request;
    EXPECT_THROW(request.Join(&a, []() -> bool { throw std::bad_alloc(); }), std::bad_alloc);
    EXPECT_FALSE(request.InFlight());
    EXPECT_FALSE(request.Join(&a, [] { return false; }));
    EXPECT_FALSE(request.InFlight());
    int made = 0;
    for (int* waiting : {&a, &b, &c}) {
        EXPECT_TRUE(request.Join(waiting, [&] { return ++made > 0; }));
    }
    request.Forget(&b);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(request.Complete(), (std::vector<int*>{&a, &c}));
    EXPECT_FALSE(request.InFlight());
}

}  // namespace

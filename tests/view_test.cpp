#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <stdexcept>

#include "platform/shared_request.h"
#include "settings/config_files.h"
#include "tests/scratch_directory.h"
#include "view/page_messages.h"
#include "view/page_origin.h"
#include "view/resource_routing.h"

namespace {

TEST(PageOrigin, RoutesEveryAddressByTheFirstRowItContains) {
    EXPECT_EQ(RequestFilter(), L"https://marrowpeek.invalid/*");
    EXPECT_EQ(StartPageAddress(false), L"https://marrowpeek.invalid/index.html");
    EXPECT_EQ(StartPageAddress(true), L"https://marrowpeek.invalid/index.html?dark=1");
    WebViewState state;
    state.dataJson = "D";
    state.configJson = "C";
    state.themeCss = "T";
    const std::string page = "P";
    const char* json = "application/json; charset=utf-8";
    const char* html = "text/html; charset=utf-8";
    const struct {
        const char *address, *body, *type;
    } cases[] = {{"https://marrowpeek.invalid/data.json", "D", json},
                 {"https://marrowpeek.invalid/data.json?t=123", "D", json},
                 {"https://marrowpeek.invalid/theme.css/data.json", "D", json},
                 {"https://marrowpeek.invalid/config.json", "C", json},
                 {"https://marrowpeek.invalid/theme.css?v=2", "T", "text/css; charset=utf-8"},
                 {"https://marrowpeek.invalid/DATA.JSON", "P", html},
                 {"https://marrowpeek.invalid/index.html?dark=1", "P", html},
                 {"https://marrowpeek.invalid/favicon.ico", "P", html}};
    for (const auto& c : cases) {
        const ResourceRoute route = RouteRequest(c.address);
        EXPECT_EQ(RouteBody(route.resource, state, page), c.body) << c.address;
        EXPECT_EQ(route.contentType, c.type) << c.address;
    }
    EXPECT_EQ(ResponseHeaders("text/css; charset=utf-8"),
              "Content-Type: text/css; charset=utf-8\r\nCache-Control: no-store, no-cache, "
              "must-revalidate");
}

TEST(PageMessages, StringValuesAreTakenFromTheFirstQuotedKey) {
    const struct {
        const char *text, *key, *value;
    } cases[] = {{R"({"set":"theme","value":"Night Owl"})", "value", "Night Owl"},
                 {R"({"value" : "C:\\Cache\\x"})", "value", "C:\\Cache\\x"},
                 {R"({"value":"a\nb\rc\td\/e\"f\u0041\u00"})", "value", "a\nb\rc\td/e\"fAu00"},
                 {R"({"set":5,"value":"fontsize"})", "set", "value"},
                 {R"({"set":"unterminated)", "set", ""},
                 {R"({"set":"trailing\)", "set", ""},
                 {R"({"other":"x"})", "set", ""},
                 {R"({"set":1})", "set", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(ExtractJsonString(c.text, c.key), c.value) << c.text;
    }
}

TEST(PageMessages, TimingReportsAndSettingChanges) {
    ScratchDirectory dir;
    EnsureConfigFiles(dir.path());
    WebViewState state;
    state.configDir = dir.path();
    const auto ini = [&] { return ReadSettings(dir.path()); };

    const std::string report = R"({"perf":"1","label":"renderMeta","ms":"1.250"})";
    EXPECT_EQ(HandlePageMessage(state, report, true).debugLine,
              "[Marrowpeek] frontend renderMeta: 1.250 ms\n");
    EXPECT_FALSE(HandlePageMessage(state, report, false).debugLine);
    EXPECT_EQ(HandlePageMessage(state, R"({"perf":"1"})", true).debugLine,
              "[Marrowpeek] frontend unknown: ? ms\n");
    // The word perf anywhere marks a timing report, so this changes nothing.
    HandlePageMessage(state, R"({"set":"theme","value":"perf"})", false);
    EXPECT_EQ(ini().theme, "auto");

    // Any change rewrites the whole file in its fixed layout, keeping the other values.
    dir.Write(kSettingsFileName, "; mine\n[settings]\nfontsize=20\n[extra]\nkeep=no\n");
    EXPECT_TRUE(
        HandlePageMessage(state, R"({"set":"fontsize","value":"30"})", false).replies.empty());
    Settings expected;
    expected.fontsize = 20;
    EXPECT_EQ(ReadAll(dir.path() / kSettingsFileName), SettingsFileText(expected));
    HandlePageMessage(state, R"({"set":"cachepath","value":"D:\\cache\\wv"})", false);
    EXPECT_EQ(ini().cachepath, "D:\\cache\\wv");
    EXPECT_EQ(LoadSettings(dir.path()).cachepath, "D:\\cache\\wv");

    const auto reply = HandlePageMessage(state, R"({"set":"theme","value":"Night Owl"})", false);
    ASSERT_EQ(reply.replies.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(reply.replies[0])["css"], state.themeCss);
    EXPECT_EQ(state.themeCss.rfind(":root{--bg:#011627;", 0), 0u);
    state.dark = true;
    HandlePageMessage(state, R"({"set":"theme","value":"auto"})", false);
    EXPECT_EQ(state.themeCss.rfind(":root{--bg:#1e1e1e;", 0), 0u);

    const auto before = std::filesystem::last_write_time(dir.path() / kSettingsFileName);
    EXPECT_TRUE(HandlePageMessage(state, R"({"value":"x"})", false).replies.empty());
    EXPECT_TRUE(PersistSetting(state, "", "x").saved);
    EXPECT_EQ(std::filesystem::last_write_time(dir.path() / kSettingsFileName), before);
}

// A change is written only over a file that was read whole, and never makes it unreadable; when
// it cannot be saved, the page hears so and the file keeps what it had.
TEST(PageMessages, SettingsAreNeverWipedAndFailuresReported) {
    ScratchDirectory dir;
    EnsureConfigFiles(dir.path());
    WebViewState state;
    state.configDir = dir.path();
    const auto file = dir.path() / kSettingsFileName;
    const auto change = [&](std::string_view value) {
        return HandlePageMessage(
                   state, R"({"set":"cachepath","value":")" + std::string(value) + "\"}", false)
            .replies;
    };
    const std::vector<std::string> notSaved = {R"({"settingNotSaved":"cachepath"})"};

    const std::string mine = "[settings]\nfontsize=20\n" + std::string(kMaxIniFileBytes, ';');
    dir.Write(kSettingsFileName, mine);
    EXPECT_EQ(change("x"), notSaved);
    EXPECT_EQ(ReadAll(file), mine);

    dir.Write(kSettingsFileName, "[settings]\nfontsize=20\n");
    EXPECT_EQ(change(std::string(kMaxSettingText + 1, 'a')), notSaved);
    EXPECT_TRUE(change(std::string(kMaxSettingText, 'a')).empty());
    EXPECT_EQ(ReadSettings(dir.path()).fontsize, 20);
    EXPECT_EQ(ReadSettings(dir.path()).cachepath.size(), kMaxSettingText);

    std::filesystem::remove(file);
    EXPECT_TRUE(change("new").empty());
    EXPECT_EQ(ReadSettings(dir.path()).cachepath, "new");
    std::filesystem::create_directory(dir.path() / "gone");
    state.configDir = dir.path() / "gone" / "missing";
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
    EXPECT_TRUE(request.Join(&a, [&] { return ++made > 0; }));
    EXPECT_TRUE(request.Join(&b, [&] { return ++made > 0; }));
    EXPECT_TRUE(request.Join(&c, [&] { return ++made > 0; }));
    request.Forget(&b);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(request.Complete(), (std::vector<int*>{&a, &c}));
    EXPECT_FALSE(request.InFlight());
}

}  // namespace

#include <gtest/gtest.h>

#include "settings/config_files.h"
#include "settings/settings.h"
#include "tests/scratch_directory.h"
#include "webhost/page_messages.h"
#include "webhost/page_origin.h"
#include "webhost/resource_routing.h"

namespace {

TEST(PageOrigin, FilterAndStartPage) {
    EXPECT_EQ(RequestFilter(), L"https://marrowpeek.invalid/*");
    EXPECT_EQ(StartPageAddress(false), L"https://marrowpeek.invalid/index.html");
    EXPECT_EQ(StartPageAddress(true), L"https://marrowpeek.invalid/index.html?dark=1");
}

TEST(ResourceRouting, FirstMatchingRowAnywhereInTheAddressCaseSensitive) {
    WebViewState state;
    state.dataJson = "D";
    state.configJson = "C";
    state.themeCss = "T";
    const std::string page = "P";
    struct Case {
        const char* address;
        const char* body;
        const char* type;
    };
    const char* json = "application/json; charset=utf-8";
    const char* html = "text/html; charset=utf-8";
    const Case cases[] = {
        {"https://marrowpeek.invalid/data.json", "D", json},
        {"https://marrowpeek.invalid/data.json?t=123", "D", json},
        {"https://marrowpeek.invalid/theme.css/data.json", "D", json},
        {"https://marrowpeek.invalid/config.json", "C", json},
        {"https://marrowpeek.invalid/theme.css?v=2", "T", "text/css; charset=utf-8"},
        {"https://marrowpeek.invalid/DATA.JSON", "P", html},
        {"https://marrowpeek.invalid/index.html?dark=1", "P", html},
        {"https://marrowpeek.invalid/favicon.ico", "P", html},
        {"https://marrowpeek.invalid/", "P", html},
    };
    for (const Case& c : cases) {
        const ResourceRoute route = RouteRequest(c.address);
        EXPECT_EQ(RouteBody(route.resource, state, page), c.body) << c.address;
        EXPECT_EQ(route.contentType, c.type) << c.address;
    }
    EXPECT_EQ(ResponseHeaders("text/css; charset=utf-8"),
              "Content-Type: text/css; charset=utf-8\r\nCache-Control: no-store, no-cache, "
              "must-revalidate");
}

TEST(ExtractJsonString, FirstQuotedOccurrenceAndItsEscapes) {
    struct Case {
        const char* text;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {R"({"set":"theme","value":"Night Owl"})", "set", "theme"},
        {R"({"set":"theme","value":"Night Owl"})", "value", "Night Owl"},
        {R"({"value" : "C:\\Cache\\x"})", "value", "C:\\Cache\\x"},
        {R"({"value":"a\nb\rc\td\/e\"f\u0041"})", "value", "a\nb\rc\td/e\"fu0041"},
        {R"({"set":5,"value":"fontsize"})", "set", "value"},
        {R"({"set":"unterminated)", "set", ""},
        {R"({"set":"trailing\)", "set", ""},
        {R"({"other":"x"})", "set", ""},
        {R"({"set"})", "set", ""},
        {R"({"set":1})", "set", ""},
        {R"({"set":"","value":"x"})", "set", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractJsonString(c.text, c.key), c.value) << c.text;
    }
}

class PageMessages : public testing::Test {
  protected:
    void SetUp() override {
        EnsureConfigFiles(dir_.path());
        state_.configDir = dir_.path();
        state_.themeCss = "old";
    }
    ScratchDirectory dir_;
    WebViewState state_;
};

TEST_F(PageMessages, TimingReportsBecomeLinesOnlyWithTracing) {
    const std::string report = R"({"perf":"1","label":"renderMeta","ms":"1.250"})";
    auto outcome = HandlePageMessage(state_, report, true);
    EXPECT_EQ(outcome.debugLine, "[Marrowpeek] frontend renderMeta: 1.250 ms\n");
    EXPECT_FALSE(outcome.reply);
    EXPECT_FALSE(HandlePageMessage(state_, report, false).debugLine);
    EXPECT_EQ(HandlePageMessage(state_, R"({"perf":"1"})", true).debugLine,
              "[Marrowpeek] frontend unknown: ? ms\n");
    // The word perf as a value is a timing marker too: nothing is persisted.
    const auto before = ReadAll(dir_.path() / kSettingsFileName);
    EXPECT_FALSE(HandlePageMessage(state_, R"({"set":"theme","value":"perf"})", false).reply);
    EXPECT_EQ(ReadAll(dir_.path() / kSettingsFileName), before);
}

TEST_F(PageMessages, SettingChangesArePersistedAndThemeChangesAnswered) {
    auto outcome = HandlePageMessage(state_, R"({"set":"fontsize","value":"18"})", true);
    EXPECT_FALSE(outcome.reply);
    EXPECT_FALSE(outcome.debugLine);
    EXPECT_EQ(ReadSettings(dir_.path()).fontsize, 18);

    outcome = HandlePageMessage(state_, R"({"set":"cachepath","value":"D:\\cache\\wv"})", false);
    EXPECT_EQ(ReadSettings(dir_.path()).cachepath, "D:\\cache\\wv");

    outcome = HandlePageMessage(state_, R"({"set":"theme","value":"Night Owl"})", false);
    ASSERT_TRUE(outcome.reply);
    EXPECT_EQ(outcome.reply->rfind("{\"css\":\":root{", 0), 0u);
    EXPECT_NE(state_.themeCss, "old");
    EXPECT_EQ(ReadSettings(dir_.path()).theme, "Night Owl");

    EXPECT_FALSE(HandlePageMessage(state_, R"({"value":"x"})", false).reply);
    EXPECT_FALSE(HandlePageMessage(state_, "", false).reply);
}

}  // namespace

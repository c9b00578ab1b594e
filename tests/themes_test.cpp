#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/text.h"
#include "settings/config_document.h"
#include "settings/config_files.h"
#include "settings/storage.h"
#include "settings/themes.h"
#include "tests/scratch_directory.h"
#include "torrent/info_hash.h"

namespace {

std::vector<std::string> Names(const std::vector<Theme>& themes) {
    std::vector<std::string> names;
    for (const Theme& theme : themes) {
        names.push_back(theme.name + ":" + std::to_string(theme.entries.size()));
    }
    return names;
}

TEST(Themes, DefaultFileAndUpgrade) {
    // The palettes live in code; a digest pins the file's bytes without re-typing 1,496 of them.
    const std::string text = DefaultThemesText();
    EXPECT_EQ(text.size(), 1496u);
    EXPECT_EQ(HashHex(L"SHA1", text.data(), text.size()),
              "aec7e9d0625713aa44a2a5f347b998c1a439a348");
    EXPECT_EQ(UpgradedThemesText("[X]\nbg=#fff")->rfind("[X]\nbg=#fff\n[Night Owl]\n", 0), 0u);
    EXPECT_FALSE(UpgradedThemesText("[Night Owl]\n[Craver]\n[Catppuccin]\n"));
    // A section line anywhere, even in a comment, counts as present.
    EXPECT_EQ(Names(ParseIni(*UpgradedThemesText("; see [Craver] below\n[X]\n"))),
              (std::vector<std::string>{"X:0", "Night Owl:19", "Catppuccin:19"}));

    // A file the upgrade would push past the read limit keeps its themes readable.
    ScratchDirectory large;
    const auto big = large.Write(kThemesFileName, "[Mine]\nbg=#123456\n");
    std::filesystem::resize_file(big, kMaxIniFileBytes - 10);
    EnsureConfigFiles(large.path());
    EXPECT_EQ(std::filesystem::file_size(big), kMaxIniFileBytes - 10);
    EXPECT_EQ(FindTheme(LoadThemes(large.path()), "Mine")->entries.at(0).second, "#123456");
}

// A theme file passed between users restyles nothing beyond its palette: a value that could end
// the rule, open another, load something or escape is dropped, and the page's own default holds.
TEST(Themes, ValuesThatCouldAddRulesAreDropped) {
    const auto themes = ThemesFromText(
        "[T]\nbg=red;}body{display:none}\nfg=#fff\nline=a<b\naccent=@import x\nmuted=a\\62\n"
        "dir=a/*b\nchip=\"x\"\nhover=URL(https://a.example/x.png)\nbad key=1\ngood-key_2=rgb(1, 2, "
        "3)\n");
    ASSERT_EQ(themes.size(), 1u);
    EXPECT_EQ(themes[0].entries, (std::vector<std::pair<std::string, std::string>>{
                                     {"fg", "#fff"}, {"good-key_2", "rgb(1, 2, 3)"}}));
}

TEST(Themes, ResolutionAndStyleSheet) {
    const auto defaults = ParseIni(DefaultThemesText());
    EXPECT_EQ(ResolveTheme(defaults, "", true)->name, "Dark");
    EXPECT_EQ(ResolveTheme(defaults, "night owl", false)->name, "Night Owl");
    EXPECT_EQ(ResolveTheme(defaults, "Nightowl", true)->name, "Light");
    EXPECT_EQ(ResolveTheme(ParseIni("[Zed]\n[Other]\n"), "auto", true)->name, "Zed");

    EXPECT_EQ(BuildThemeCss(FindTheme(defaults, "Light")),
              ":root{--bg:#ffffff;--fg:#1a1a1a;--muted:#666666;--line:#e3e3e3;--accent:#2b7de9;"
              "--dir:#c8901e;--hover:#eef3fb;--chip:#eef1f5;}");
    EXPECT_EQ(BuildThemeCss(nullptr), ":root{}");
    // Only colours the web view can take as they are become its background.
    EXPECT_EQ(ThemeBackground(":root{--bg:#1e2;}"), 0x11EE22u);
    EXPECT_EQ(ThemeBackground(":root{--bg:red;}"), std::nullopt);
    EXPECT_EQ(ThemeColour(":root{--icon-bg:#111111;--bg:#222222;}", "bg"), 0x222222u);
    EXPECT_EQ(ThemeColour(":root{--icon-bg:#111111;}", "bg"), std::nullopt);
}

TEST(ConfigDocument, ExactTextAndEscapes) {
    const auto lightOnly = ParseIni(
        "[Light]\nbg=#ffffff\nfg=#1a1a1a\nmuted=#666666\nline=#e3e3e3\n"
        "accent=#2b7de9\ndir=#c8901e\nhover=#eef3fb\nchip=#eef1f5\n");
    EXPECT_EQ(
        BuildConfigJson(lightOnly, Settings{}, "Light", false, false),
        R"({"mode":"auto","theme":"Light","tree":"expanded","tcDark":false,"sizeunit":"auto",)"
        R"("sepspace":false,"fontsize":13,"datefmt":"dmy","cachemode":"portable",)"
        R"("cachepath":"","details":false,"perf":false,"palettes":{"Light":{"bg":"#ffffff","fg":"#1a1a1a",)"
        R"("muted":"#666666","line":"#e3e3e3","accent":"#2b7de9","dir":"#c8901e",)"
        R"("hover":"#eef3fb","chip":"#eef1f5"}}})");

    Settings odd;
    odd.theme = "AUTO";
    odd.cachepath = "C:\\Users\\me\tcache";
    const std::string json =
        BuildConfigJson(ParseIni("[Say \"hi\"]\nk\\=v\x01\n[]\n"), odd, "Say \"hi\"", true, true);
    EXPECT_NE(json.find(R"("cachepath":"C:\\Users\\me\u0009cache")"), std::string::npos);
    const auto parsed = nlohmann::json::parse(json);
    EXPECT_EQ(parsed["palettes"]["Say \"hi\""]["k\\"], "v\x01");
    EXPECT_EQ(parsed["palettes"][""].size(), 0u);
    EXPECT_EQ(parsed["tcDark"], true);
    EXPECT_EQ(StyleSheetMessage(":root{--x:\"a\\b\";}"), R"({"css":":root{--x:\"a\\b\";}"})");
}

// A folder no file can be made in: below a regular file (root writes anywhere else).
std::filesystem::path Unwritable(const ScratchDirectory& dir) {
    return dir.Write("not-a-folder", "x") / "plugins";
}

TEST(WebViewDataFolder, FollowsTheCacheModeAndFallsBackToTheUserFolder) {
    ScratchDirectory dir;
    const auto plugin = dir.path() / "plugin";
    std::filesystem::create_directory(plugin);
    const auto appData = dir.path() / "appdata";
    const auto userFolder = appData / "Marrowpeek" / "WebView2";
    Settings settings;
    EXPECT_EQ(ChooseWebViewDataFolder(settings, plugin, appData), plugin / "webview2_data");
    EXPECT_EQ(ChooseWebViewDataFolder(settings, Unwritable(dir), appData), userFolder);
    EXPECT_TRUE(std::filesystem::is_directory(userFolder));
    settings.cachemode = "custom";
    settings.cachepath =
        platform::PathToUtf8(std::filesystem::path("%MARROWPEEK_TEST_FOLDER%") / "wv");
    const auto custom = ChooseWebViewDataFolder(settings, plugin, appData);
    EXPECT_EQ(custom.filename(), "wv");
    EXPECT_TRUE(std::filesystem::is_directory(custom)) << custom;
    settings.cachepath = platform::PathToUtf8(Unwritable(dir) / "wv");
    EXPECT_EQ(ChooseWebViewDataFolder(settings, plugin, appData), userFolder);
    settings.cachemode = "user";
    EXPECT_EQ(ChooseWebViewDataFolder(settings, plugin, std::nullopt), plugin / "webview2_data");
}

}  // namespace

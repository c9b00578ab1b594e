#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/text.h"
#include "scratch_directory.h"
#include "settings/config_files.h"
#include "settings/config_payload.h"
#include "settings/settings_writer.h"
#include "settings/storage.h"
#include "settings/themes.h"

namespace {

const char* const kLightCss =
    ":root{--bg:#ffffff;--fg:#1a1a1a;--muted:#666666;--line:#e3e3e3;--accent:#2b7de9;"
    "--dir:#c8901e;--hover:#eef3fb;--chip:#eef1f5;}";

TEST(Themes, DefaultFileHoldsSixThemesInOrder) {
    const std::string text = DefaultThemesText();
    const auto themes = ParseIni(text);
    const std::vector<std::pair<std::string, std::size_t>> expected = {
        {"Light", 8},      {"Dark", 8},    {"Dracula", 8},
        {"Night Owl", 19}, {"Craver", 19}, {"Catppuccin", 19}};
    ASSERT_EQ(themes.size(), expected.size());
    for (std::size_t i = 0; i < themes.size(); ++i) {
        EXPECT_EQ(themes[i].name, expected[i].first);
        EXPECT_EQ(themes[i].entries.size(), expected[i].second);
    }
    EXPECT_EQ(text.rfind("; Marrowpeek themes. Each [Name] is a selectable theme.\n", 0), 0u);
    EXPECT_NE(text.find("chip=#eef1f5\n\n[Dark]\nbg=#1e1e1e\n"), std::string::npos);
    const std::string ending = "\nicon-disc=#f5a97f\n";
    EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST(Themes, UpgradeAppendsOnlyMissingNewerThemes) {
    const auto ocean = UpgradedThemesText("[Ocean]\nbg=#001\n");
    ASSERT_TRUE(ocean);
    const auto themes = ParseIni(*ocean);
    ASSERT_EQ(themes.size(), 4u);
    EXPECT_EQ(themes[0].name, "Ocean");
    EXPECT_EQ(themes[1].name, "Night Owl");
    EXPECT_EQ(ocean->rfind("[Ocean]\nbg=#001\n\n[Night Owl]\n", 0), 0u);

    EXPECT_FALSE(UpgradedThemesText("[Night Owl]\n[Craver]\n[Catppuccin]\n"));

    const auto mentioned = UpgradedThemesText("; see [Craver] below\n[X]\n");
    ASSERT_TRUE(mentioned);
    const auto names = ParseIni(*mentioned);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[1].name, "Night Owl");
    EXPECT_EQ(names[2].name, "Catppuccin");

    const auto noLineFeed = UpgradedThemesText("[X]\nbg=#fff");
    ASSERT_TRUE(noLineFeed);
    EXPECT_EQ(noLineFeed->rfind("[X]\nbg=#fff\n[Night Owl]\n", 0), 0u);
}

TEST(Themes, EnsureConfigFilesUpgradesButLeavesUnreadableFilesAlone) {
    ScratchDirectory dir;
    EnsureConfigFiles(dir.path());
    EXPECT_EQ(ReadAll(dir.path() / kThemesFileName), DefaultThemesText());

    ScratchDirectory complete;
    const auto path = complete.Write(kThemesFileName, "[Night Owl]\n[Craver]\n[Catppuccin]\n");
    const auto stamp = std::filesystem::last_write_time(path) - std::chrono::hours(1);
    std::filesystem::last_write_time(path, stamp);
    EnsureConfigFiles(complete.path());
    EXPECT_EQ(std::filesystem::last_write_time(path), stamp);

    ScratchDirectory large;
    const auto big = large.Write(kThemesFileName, "[Mine]\nbg=#123456\n");
    std::filesystem::resize_file(big, 4 * 1024 * 1024);
    EnsureConfigFiles(large.path());
    EXPECT_EQ(std::filesystem::file_size(big), 4u * 1024 * 1024);
    EXPECT_EQ(ReadAll(big).substr(0, 18), "[Mine]\nbg=#123456\n");
}

TEST(Themes, FindAndResolve) {
    const auto defaults = ParseIni(DefaultThemesText());
    EXPECT_EQ(ResolveTheme(defaults, "auto", true)->name, "Dark");
    EXPECT_EQ(ResolveTheme(defaults, "AUTO", false)->name, "Light");
    EXPECT_EQ(ResolveTheme(defaults, "", true)->name, "Dark");
    EXPECT_EQ(ResolveTheme(defaults, "night owl", false)->name, "Night Owl");
    EXPECT_EQ(ResolveTheme(defaults, "Nightowl", true)->name, "Light");

    const auto noDark = ParseIni("[Zed]\n[light]\n");
    EXPECT_EQ(ResolveTheme(noDark, "auto", true)->name, "light");
    const auto neither = ParseIni("[Zed]\n[Other]\n");
    EXPECT_EQ(ResolveTheme(neither, "auto", true)->name, "Zed");
    EXPECT_EQ(ResolveTheme({}, "auto", true), nullptr);

    const auto twice = ParseIni("[Same]\na=1\n[same]\na=2\n");
    EXPECT_EQ(FindTheme(twice, "SAME")->entries[0].second, "1");
}

TEST(ThemeCss, CopiesEntriesInOrder) {
    const auto defaults = ParseIni(DefaultThemesText());
    EXPECT_EQ(BuildThemeCss(FindTheme(defaults, "Light")), kLightCss);
    EXPECT_EQ(BuildThemeCss(nullptr), ":root{}");
    const auto odd = ParseIni("[T]\nbg=#1\nbg=#2\nFG=\n");
    EXPECT_EQ(BuildThemeCss(&odd[0]), ":root{--bg:#1;--bg:#2;--FG:;}");
    const auto night = BuildThemeCss(FindTheme(defaults, "Night Owl"));
    EXPECT_NE(night.find("--chip:#102a44;--icon-video:#82aaff;"), std::string::npos);
    EXPECT_EQ(night.substr(night.size() - 21), "--icon-disc:#ff5874;}");
}

TEST(ConfigJson, ExactDocumentAndEscapes) {
    const auto lightOnly = ParseIni(
        "[Light]\nbg=#ffffff\nfg=#1a1a1a\nmuted=#666666\nline=#e3e3e3\n"
        "accent=#2b7de9\ndir=#c8901e\nhover=#eef3fb\nchip=#eef1f5\n");
    EXPECT_EQ(
        BuildConfigJson(lightOnly, Settings{}, "Light", false, false),
        R"({"mode":"auto","theme":"Light","tree":"expanded","tcDark":false,"sizeunit":"auto",)"
        R"("sepspace":false,"fontsize":13,"datefmt":"dmy","cachemode":"portable",)"
        R"("cachepath":"","perf":false,"palettes":{"Light":{"bg":"#ffffff","fg":"#1a1a1a",)"
        R"("muted":"#666666","line":"#e3e3e3","accent":"#2b7de9","dir":"#c8901e",)"
        R"("hover":"#eef3fb","chip":"#eef1f5"}}})");

    Settings odd;
    odd.theme = "AUTO";
    odd.cachepath = "C:\\Users\\me\tcache";
    const auto quoted = ParseIni("[Say \"hi\"]\nk\\=v\x01\n[]\n");
    const std::string json = BuildConfigJson(quoted, odd, "Say \"hi\"", true, true);
    const auto parsed = nlohmann::json::parse(json);
    EXPECT_EQ(parsed["mode"], "AUTO");
    EXPECT_EQ(parsed["cachepath"], "C:\\Users\\me\tcache");
    EXPECT_EQ(parsed["theme"], "Say \"hi\"");
    EXPECT_EQ(parsed["palettes"]["Say \"hi\""]["k\\"], "v\x01");
    EXPECT_EQ(parsed["palettes"][""].size(), 0u);
    EXPECT_EQ(parsed["tcDark"], true);
    EXPECT_EQ(parsed["perf"], true);
    EXPECT_NE(json.find(R"("cachepath":"C:\\Users\\me\u0009cache")"), std::string::npos);
    std::vector<std::string> keys;
    for (const auto& item : parsed.items())
        keys.push_back(item.key());
    EXPECT_EQ(keys.size(), 12u);

    EXPECT_EQ(EscapeQuotes("a\"b\\c\x1f\xc3\xa9"), "a\\\"b\\\\c\\u001f\xc3\xa9");
}

TEST(FillConfigPayload, UsesTheSettledFolderAndTheDarkFlag) {
    ScratchDirectory dir;
    UseConfigFolder(dir.path());
    WebViewState state;
    state.dark = true;
    FillConfigPayload(state);
    EXPECT_EQ(state.configDir, dir.path());
    const auto config = nlohmann::json::parse(state.configJson);
    EXPECT_EQ(config["theme"], "Dark");
    EXPECT_EQ(config["palettes"].size(), 6u);
    EXPECT_EQ(state.themeCss.rfind(":root{--bg:#1e1e1e;", 0), 0u);
}

TEST(PersistSetting, RewritesTheWholeFileAndAnswersThemeChanges) {
    ScratchDirectory dir;
    UseConfigFolder(dir.path());
    WebViewState state;
    FillConfigPayload(state);
    dir.Write(kSettingsFileName,
              "; mine\n[settings]\nfontsize=20\ncachemode=user\n[extra]\nkeep=no\n");

    EXPECT_FALSE(PersistSetting(state, "fontsize", "30"));
    Settings expected;
    expected.fontsize = 20;
    expected.cachemode = "user";
    EXPECT_EQ(ReadAll(dir.path() / kSettingsFileName), SettingsFileText(expected));

    EXPECT_FALSE(PersistSetting(state, "sepspace", "1"));
    EXPECT_FALSE(PersistSetting(state, "cachemode", "portable"));
    EXPECT_FALSE(PersistSetting(state, "colour", "red"));
    EXPECT_FALSE(PersistSetting(state, "cachepath", "x\ncachemode=custom"));
    const Settings written = ReadSettings(dir.path());
    EXPECT_TRUE(written.sepspace);
    EXPECT_EQ(written.cachemode, "portable");
    EXPECT_EQ(written.cachepath, "");
    EXPECT_EQ(LoadSettings(dir.path()).cachemode, "portable");

    const auto message = PersistSetting(state, "theme", "Night Owl");
    ASSERT_TRUE(message);
    EXPECT_EQ(ReadSettings(dir.path()).theme, "Night Owl");
    const auto css = nlohmann::json::parse(*message);
    EXPECT_EQ(css["css"], state.themeCss);
    EXPECT_EQ(state.themeCss.rfind(":root{--bg:#011627;", 0), 0u);

    state.dark = true;
    const auto automatic = PersistSetting(state, "theme", "auto");
    ASSERT_TRUE(automatic);
    EXPECT_EQ(state.themeCss.rfind(":root{--bg:#1e1e1e;", 0), 0u);

    const auto before = std::filesystem::last_write_time(dir.path() / kSettingsFileName);
    EXPECT_FALSE(PersistSetting(state, "", "x"));
    EXPECT_EQ(std::filesystem::last_write_time(dir.path() / kSettingsFileName), before);
}

TEST(WriteSettings, FailureKeepsTheOldFile) {
    ScratchDirectory dir;
    EXPECT_FALSE(WriteSettings(dir.path() / "missing", Settings{}));
    std::filesystem::create_directory(dir.path() / kSettingsFileName);
    EXPECT_FALSE(WriteSettings(dir.path(), Settings{}));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / kSettingsFileName));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u);
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
    EXPECT_TRUE(std::filesystem::is_directory(plugin / "webview2_data"));

    EXPECT_EQ(ChooseWebViewDataFolder(settings, Unwritable(dir), appData), userFolder);
    EXPECT_TRUE(std::filesystem::is_directory(userFolder));

    settings.cachemode = "custom";
    EXPECT_EQ(ChooseWebViewDataFolder(settings, plugin, appData), plugin / "webview2_data");

    settings.cachepath =
        platform::PathToUtf8(std::filesystem::path("%MARROWPEEK_TEST_FOLDER%") / "wv");
    const auto custom = ChooseWebViewDataFolder(settings, plugin, appData);
    EXPECT_EQ(custom.filename(), "wv");
    EXPECT_TRUE(std::filesystem::is_directory(custom)) << custom;

    settings.cachepath = platform::PathToUtf8(Unwritable(dir) / "wv");
    EXPECT_EQ(ChooseWebViewDataFolder(settings, plugin, appData), userFolder);

#ifdef _WIN32
    settings.cachepath = "Q:\\nowhere\\wv";
    EXPECT_EQ(ChooseWebViewDataFolder(settings, plugin, appData), userFolder);
#endif

    settings.cachemode = "user";
    EXPECT_EQ(ChooseWebViewDataFolder(settings, plugin, std::nullopt), plugin / "webview2_data");
}

}  // namespace

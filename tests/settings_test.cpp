#include <gtest/gtest.h>

#include "settings/config_files.h"
#include "settings/ini.h"
#include "settings/settings.h"
#include "settings/settings_writer.h"
#include "tests/scratch_directory.h"
#include "torrent/info_hash.h"

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

TEST(ParseIni, TrimsSkipsCommentsAndNeverMergesSections) {
    const auto sections = ParseIni(
        "ignored=before any section\n  [ one ]  trailing\n\tkey = value \r\n; comment=1\n"
        "# comment=2\nno equals sign\n = empty key\nempty=\na=b=c\n[broken\n[one]\nkey=second\n"
        "[]\nlast=no line feed");
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_EQ(sections[0].name, "one");
    EXPECT_EQ(sections[0].entries, (Entries{{"key", "value"}, {"empty", ""}, {"a", "b=c"}}));
    EXPECT_EQ(sections[1].entries, (Entries{{"key", "second"}}));
    EXPECT_EQ(sections[2].name, "");
    EXPECT_EQ(sections[2].entries, (Entries{{"last", "no line feed"}}));
    // Lone carriage returns end no line; a byte order mark hides the section line.
    EXPECT_TRUE(ParseIni("[s]\ra=1\rb=2")[0].entries.empty());
    EXPECT_TRUE(ParseIni("\xEF\xBB\xBF[s]\na=1\n").empty());
}

TEST(ParseIni, InlineCommentsNeedABlankBefore) {
    const std::pair<std::string, std::string> cases[] = {{"My Theme ; remark", "My Theme"},
                                                         {"x\t# remark", "x"},
                                                         {"#ff0000", "#ff0000"},
                                                         {"a;b", "a;b"},
                                                         {"C:\\a;b", "C:\\a;b"},
                                                         {" ;x", ";x"},
                                                         {"a;b ;c", "a;b"},
                                                         {"#1 #2", "#1"},
                                                         {"a ; b # c", "a"}};
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(ParseIni("[s]\nv=" + value)[0].entries.at(0).second, expected) << value;
    }
}

TEST(Settings, EachKeyFollowsItsRuleFromTheFileAndFromThePage) {
    struct Case {
        std::string key, value;
        std::string file;  // the value's line after reading it from the file
        std::string page;  // the same after the page sent it
    };
    const Case cases[] = {{"fontsize", "7", "13", "13"},
                          {"fontsize", "29", "13", "13"},
                          {"fontsize", "abc", "13", "13"},
                          {"fontsize", "28", "28", "28"},
                          {"fontsize", "12px", "12", "12"},
                          {"fontsize", "+9", "9", "9"},
                          {"fontsize", "99999999999", "13", "13"},
                          {"sepspace", "yes", "1", "0"},
                          {"sepspace", "true", "1", "1"},
                          {"sepspace", "TRUE", "0", "0"},
                          {"sepspace", "1", "1", "1"},
                          {"cachemode", "Custom", "portable", "portable"},
                          {"cachemode", "user", "user", "user"},
                          {"theme", "#1", "#1", "#1"},
                          {"cachepath", "C:\\a;b", "C:\\a;b", "C:\\a;b"},
                          {"cachepath", "x\ncachemode=user", "x", ""},
                          // What the file would cut or trim is trimmed or refused, never cut.
                          {"cachepath", " \tD:\\x \t", "D:\\x", "D:\\x"},
                          {"cachepath", "D:\\My #2", "D:\\My", ""},
                          {"theme", "a\t;b", "a", "auto"},
                          {"Theme", "x", "", ""}};
    for (const Case& c : cases) {
        const std::string line = "\n" + c.key + "=";
        const auto valueOf = [&](const Settings& settings) {
            const std::string text = SettingsFileText(settings);
            const auto at = text.find(line);
            return at == std::string::npos
                       ? ""
                       : text.substr(at + line.size(), text.find('\n', at + 1) - at - line.size());
        };
        Settings fromPage;
        ApplySetting(fromPage, c.key, c.value);
        EXPECT_EQ(valueOf(SettingsFromText("[settings]\n" + c.key + "=" + c.value)), c.file)
            << c.key << "=" << c.value;
        EXPECT_EQ(valueOf(fromPage), c.page) << c.key << "=" << c.value;
    }
}

TEST(Settings, SectionsAndPrecedence) {
    EXPECT_EQ(SettingsFromText("[Settings]\ntheme=x").theme, "auto");
    EXPECT_EQ(SettingsFromText("theme=x\n[settings]").theme, "auto");
    EXPECT_EQ(SettingsFromText("[ settings ]\ntheme=x").theme, "x");
    EXPECT_EQ(SettingsFromText("[settings]\ntheme=first\ntheme=second").theme, "first");
    const Settings twice = SettingsFromText(
        "[settings]\ntheme=a\nfontsize=20\n[other]\ntheme=b\n[settings]\ntheme=c\nfontsize=99");
    EXPECT_EQ(twice.theme, "c");
    EXPECT_EQ(twice.fontsize, 20);
}

TEST(Settings, DefaultFileIsExact) {
    // The 17 lines live in the settings table; re-typing them here would test nothing more.
    const std::string text = SettingsFileText(Settings{});
    EXPECT_EQ(text.size(), 508u);
    EXPECT_EQ(HashHex(L"SHA1", text.data(), text.size()),
              "289970d9ca9b27a64fcb5b5e5ba4ce1c8ef738c5");
    const Settings defaults;
    EXPECT_EQ(SettingsFileText(SettingsFromText(text)), text);
    EXPECT_EQ(defaults.theme + defaults.tree + defaults.sizeunit + defaults.datefmt +
                  defaults.cachemode + defaults.cachepath,
              "autoexpandedautodmyportable");
    EXPECT_EQ(defaults.fontsize, 13);
    EXPECT_FALSE(defaults.sepspace);
}

TEST(ConfigFiles, ReadLimitsCacheAndDefaultFiles) {
    ScratchDirectory dir;
    const auto large = dir.Write("large.ini", "[settings]\ntheme=x\n");
    std::filesystem::resize_file(large, kMaxIniFileBytes + 1);
    EXPECT_EQ(ReadTextFile(large), "");
    std::filesystem::resize_file(large, kMaxIniFileBytes);
    EXPECT_EQ(ReadTextFile(large).size(), kMaxIniFileBytes);

    EnsureConfigFiles(dir.path());
    EXPECT_EQ(ReadAll(dir.path() / kSettingsFileName), SettingsFileText(Settings{}));
    dir.Write(kSettingsFileName, "[settings]\ntheme=first\n");
    EnsureConfigFiles(dir.path());
    EXPECT_EQ(ReadAll(dir.path() / kSettingsFileName), "[settings]\ntheme=first\n");

    const auto file = dir.path() / kSettingsFileName;
    const auto stamp = std::filesystem::last_write_time(file) - std::chrono::hours(1);
    std::filesystem::last_write_time(file, stamp);
    EXPECT_EQ(LoadSettings(dir.path()).theme, "first");
    dir.Write(kSettingsFileName, "[settings]\ntheme=other\n");
    std::filesystem::last_write_time(file, stamp);
    EXPECT_EQ(LoadSettings(dir.path()).theme, "first");
    InvalidateSettings();
    EXPECT_EQ(LoadSettings(dir.path()).theme, "other");
    dir.Write(kSettingsFileName, "[settings]\ntheme=third\n");
    std::filesystem::last_write_time(file, stamp + std::chrono::seconds(10));
    EXPECT_EQ(LoadSettings(dir.path()).theme, "third");
}

TEST(ConfigFiles, FolderAndFailedWrites) {
    const std::filesystem::path plugin = "plugins";
    const auto appData = std::filesystem::path("appdata");
    EXPECT_EQ(ChooseConfigFolder(plugin, true, appData).folder, plugin);
    EXPECT_FALSE(ChooseConfigFolder(plugin, true, appData).create);
    EXPECT_EQ(ChooseConfigFolder(plugin, false, appData).folder, appData / "Marrowpeek");
    EXPECT_TRUE(ChooseConfigFolder(plugin, false, appData).create);
    EXPECT_EQ(ChooseConfigFolder(plugin, false, std::nullopt).folder, plugin);

    // A failed write keeps the old file and leaves nothing beside it.
    ScratchDirectory dir;
    EXPECT_FALSE(WriteSettings(dir.path() / "missing", Settings{}));
    std::filesystem::create_directory(dir.path() / kSettingsFileName);
    EXPECT_FALSE(WriteSettings(dir.path(), Settings{}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace

#include <gtest/gtest.h>

#include "scratch_directory.h"
#include "settings/config_files.h"
#include "settings/ini.h"
#include "settings/settings.h"

namespace {

TEST(ParseIni, TrimsSkipsCommentsAndNeverMergesSections) {
    const auto sections = ParseIni(
        "ignored=before any section\n"
        "  [ one ]  trailing\n"
        "\tkey = value \r\n"
        "; comment=1\n"
        "# comment=2\n"
        "no equals sign\n"
        " = empty key\n"
        "empty=\n"
        "a=b=c\n"
        "[broken\n"
        "[one]\n"
        "key=second\n"
        "[]\n"
        "last=no line feed");
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_EQ(sections[0].name, "one");
    const std::vector<std::pair<std::string, std::string>> first = {
        {"key", "value"}, {"empty", ""}, {"a", "b=c"}};
    EXPECT_EQ(sections[0].entries, first);
    EXPECT_EQ(sections[1].name, "one");
    EXPECT_EQ(sections[1].entries.size(), 1u);
    EXPECT_EQ(sections[2].name, "");
    EXPECT_EQ(sections[2].entries[0].second, "no line feed");
}

TEST(ParseIni, InlineCommentsNeedABlankBefore) {
    const struct {
        std::string line;
        std::string value;
    } cases[] = {
        {"v=My Theme ; remark", "My Theme"},
        {"v=x\t# remark", "x"},
        {"v=#ff0000", "#ff0000"},
        {"v=a;b", "a;b"},
        {"v=C:\\a;b", "C:\\a;b"},
        {"v= ;x", ";x"},
        {"v=a;b ;c", "a;b"},
        {"v=#1 #2", "#1"},
        {"v=a ; b # c", "a"},
    };
    for (const auto& c : cases) {
        const auto sections = ParseIni("[s]\n" + c.line);
        ASSERT_EQ(sections.size(), 1u);
        ASSERT_EQ(sections[0].entries.size(), 1u) << c.line;
        EXPECT_EQ(sections[0].entries[0].second, c.value) << c.line;
    }
}

TEST(ParseIni, LineEndings) {
    EXPECT_EQ(ParseIni("[s]\r\na=1\r\nb=2\r\n")[0].entries.size(), 2u);
    // Lone carriage returns do not end lines: everything is the section line.
    EXPECT_TRUE(ParseIni("[s]\ra=1\rb=2")[0].entries.empty());
    // A byte order mark hides the section line, so its entries have no section.
    EXPECT_TRUE(ParseIni("\xEF\xBB\xBF[s]\na=1\n").empty());
}

TEST(SettingsFromText, DefaultsAndFieldRules) {
    const Settings defaults = SettingsFromText("");
    EXPECT_EQ(defaults.theme, "auto");
    EXPECT_EQ(defaults.tree, "expanded");
    EXPECT_EQ(defaults.sizeunit, "auto");
    EXPECT_FALSE(defaults.sepspace);
    EXPECT_EQ(defaults.fontsize, 13);
    EXPECT_EQ(defaults.datefmt, "dmy");
    EXPECT_EQ(defaults.cachemode, "portable");
    EXPECT_EQ(defaults.cachepath, "");

    const std::pair<std::string, int> fontSizes[] = {
        {"7", 13}, {"29", 13},   {"abc", 13}, {"", 13},    {"28", 28},
        {"8", 8},  {"12px", 12}, {"+9", 9},   {" 10", 10}, {"99999999999", 13}};
    for (const auto& [value, expected] : fontSizes) {
        EXPECT_EQ(SettingsFromText("[settings]\nfontsize=" + value).fontsize, expected) << value;
    }
    const std::pair<std::string, bool> separators[] = {
        {"yes", true}, {"true", true}, {"1", true}, {"TRUE", false}, {"on", false}, {"0", false}};
    for (const auto& [value, expected] : separators) {
        EXPECT_EQ(SettingsFromText("[settings]\nsepspace=" + value).sepspace, expected) << value;
    }
    EXPECT_EQ(SettingsFromText("[settings]\ncachemode=Custom").cachemode, "portable");
    EXPECT_EQ(SettingsFromText("[settings]\ncachemode=user").cachemode, "user");
    EXPECT_EQ(SettingsFromText("[settings]\ntheme=#1").theme, "#1");
    EXPECT_EQ(SettingsFromText("[settings]\ncachepath=C:\\a;b").cachepath, "C:\\a;b");
}

TEST(SettingsFromText, SectionsAndPrecedence) {
    EXPECT_EQ(SettingsFromText("[Settings]\ntheme=x").theme, "auto");
    EXPECT_EQ(SettingsFromText("theme=x\n[settings]").theme, "auto");
    EXPECT_EQ(SettingsFromText("[ settings ]\ntheme=x").theme, "x");
    EXPECT_EQ(SettingsFromText("[settings]\ntheme=first\ntheme=second").theme, "first");
    const Settings twice = SettingsFromText(
        "[settings]\ntheme=a\nfontsize=20\n[other]\ntheme=b\n[settings]\ntheme=c\nfontsize=99");
    EXPECT_EQ(twice.theme, "c");
    EXPECT_EQ(twice.fontsize, 20);
}

TEST(AtoiValue, SaturatesLikeTheCLibrary) {
    EXPECT_EQ(AtoiValue("2147483647"), 2147483647);
    EXPECT_EQ(AtoiValue("2147483648"), 2147483647);
    EXPECT_EQ(AtoiValue("-2147483649"), -2147483647 - 1);
    EXPECT_EQ(AtoiValue("-12x"), -12);
    EXPECT_EQ(AtoiValue("x12"), 0);
}

TEST(SettingsFile, DefaultTextIsExact) {
    const std::string text = SettingsFileText(Settings{});
    EXPECT_EQ(text.size(), 508u);
    EXPECT_EQ(text,
              "[settings]\n"
              "; theme = auto (follow Total Commander) or a theme name from themes.ini\n"
              "theme=auto\n"
              "; tree = expanded or collapsed (default file-tree state)\n"
              "tree=expanded\n"
              "; sizeunit = auto | bytes | kb | mb | gb\n"
              "sizeunit=auto\n"
              "; sepspace = 1 to group digits with spaces (e.g. 1 234 567)\n"
              "sepspace=0\n"
              "; fontsize = base UI font size in px (8-28)\n"
              "fontsize=13\n"
              "; datefmt = dmy | mdy | iso | os\n"
              "datefmt=dmy\n"
              "; cachemode = portable | user | custom\n"
              "cachemode=portable\n"
              "; cachepath is used only when cachemode=custom\n"
              "cachepath=\n");
    EXPECT_EQ(SettingsFromText(text).theme, "auto");
}

TEST(ApplySetting, ChangesOneFieldAndRefusesLineBreaks) {
    Settings s;
    ApplySetting(s, "fontsize", "30");
    EXPECT_EQ(s.fontsize, 13);
    ApplySetting(s, "fontsize", "20");
    EXPECT_EQ(s.fontsize, 20);
    ApplySetting(s, "sepspace", "yes");
    EXPECT_FALSE(s.sepspace);
    ApplySetting(s, "sepspace", "true");
    EXPECT_TRUE(s.sepspace);
    ApplySetting(s, "cachemode", "user");
    ApplySetting(s, "cachemode", "elsewhere");
    EXPECT_EQ(s.cachemode, "user");
    ApplySetting(s, "theme", " Night Owl ");
    EXPECT_EQ(s.theme, " Night Owl ");
    ApplySetting(s, "Theme", "x");
    ApplySetting(s, "colour", "x");
    EXPECT_EQ(s.theme, " Night Owl ");
    ApplySetting(s, "cachepath", "C:\\x\ncachemode=user");
    ApplySetting(s, "theme", "a\rb");
    EXPECT_EQ(s.cachepath, "");
    EXPECT_EQ(s.theme, " Night Owl ");
}

TEST(ReadTextFile, LimitsAndFailures) {
    ScratchDirectory dir;
    const auto large = dir.Write("large.ini", "[settings]\ntheme=x\n");
    std::filesystem::resize_file(large, 4 * 1024 * 1024);
    EXPECT_EQ(ReadTextFile(large), "");
    const auto justBelow = dir.Write("below.ini", "[settings]\ntheme=x\n");
    std::filesystem::resize_file(justBelow, 4 * 1024 * 1024 - 1);
    EXPECT_EQ(ReadTextFile(justBelow).size(), 4u * 1024 * 1024 - 1);
    EXPECT_EQ(ReadTextFile(dir.path() / "missing.ini"), "");
}

TEST(LoadSettings, RefreshesOnANewWriteTimeAndAfterInvalidation) {
    ScratchDirectory dir;
    const auto file = dir.Write(kSettingsFileName, "[settings]\ntheme=first\n");
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

TEST(EnsureConfigFiles, WritesDefaultsOnceAndNeverTouchesAnExistingSettingsFile) {
    ScratchDirectory dir;
    EnsureConfigFiles(dir.path());
    EXPECT_EQ(ReadAll(dir.path() / kSettingsFileName), SettingsFileText(Settings{}));
    dir.Write(kSettingsFileName, "mine");
    EnsureConfigFiles(dir.path());
    EXPECT_EQ(ReadAll(dir.path() / kSettingsFileName), "mine");
}

TEST(ChooseConfigFolder, PluginFolderWhenWritableElseLocalAppData) {
    const std::filesystem::path plugin = "plugins";
    const auto writable = ChooseConfigFolder(plugin, true, std::filesystem::path("appdata"));
    EXPECT_EQ(writable.folder, plugin);
    EXPECT_FALSE(writable.create);
    const auto user = ChooseConfigFolder(plugin, false, std::filesystem::path("appdata"));
    EXPECT_EQ(user.folder, std::filesystem::path("appdata") / "Marrowpeek");
    EXPECT_TRUE(user.create);
    EXPECT_EQ(ChooseConfigFolder(plugin, false, std::nullopt).folder, plugin);
}

}  // namespace

#include <gtest/gtest.h>

#include "settings/config_files.h"
#include "settings/create_settings.h"
#include "settings/ini.h"
#include "settings/settings.h"
#include "settings/settings_writer.h"
#include "tests/scratch_directory.h"
#include "torrent/info_hash.h"

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

TEST(Settings, EachKeyFollowsItsRuleFromTheFileAndFromThePage) {
    // The value's line after reading it from the file, and after the page sent it.
    // clang-format off
    const struct { std::string key, value, file, page; } cases[] = {
        {"fontsize", "7", "13", "13"}, {"fontsize", "28", "28", "28"}, {"fontsize", "12px", "12", "12"},
        {"fontsize", "+9", "9", "9"}, {"fontsize", "99999999999", "13", "13"},
        {"sepspace", "yes", "1", "0"}, {"sepspace", "true", "1", "1"}, {"sepspace", "TRUE", "0", "0"},
        {"cachemode", "Custom", "portable", "portable"}, {"cachemode", "user", "user", "user"},
        {"cachepath", "x\ncachemode=user", "x", ""}, {"Theme", "x", "", ""},
        // What the file would cut or trim is trimmed or refused, never cut.
        {"cachepath", " \tD:\\x \t", "D:\\x", "D:\\x"}, {"cachepath", "D:\\My #2", "D:\\My", ""},
        {"theme", "a\t;b", "a", "auto"}};
    // clang-format on
    for (const auto& c : cases) {
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
    // What the page cannot save is refused whole and reported, never stored in part.
    const std::pair<std::string, std::string> refused[] = {{"cachepath", std::string("a\0b", 3)},
                                                           {"cachepath", "\xff"},
                                                           {"nokey", "x"},
                                                           {"Theme", "x"},
                                                           {"fontsize", "7"},
                                                           {"fontsize", "99999999999"},
                                                           {"cachemode", "Custom"}};
    for (const auto& [key, value] : refused) {
        Settings settings;
        EXPECT_FALSE(ApplySetting(settings, key, value)) << key << "=" << value;
        EXPECT_EQ(SettingsFileText(settings), SettingsFileText(Settings{}));
    }
    // Every [settings] section in turn, the first entry of a key within each.
    const Settings twice = SettingsFromText(
        "[settings]\ntheme=a\nfontsize=20\n[other]\ntheme=b\n[settings]\ntheme=c\nfontsize=99");
    EXPECT_EQ(twice.theme, "c");
    EXPECT_EQ(twice.fontsize, 20);
    EXPECT_EQ(SettingsFromText("[Settings]\ntheme=x").theme, "auto");
}

TEST(Settings, DefaultFileIsExact) {
    // The 17 lines live in the settings table; re-typing them here would test nothing more.
    const std::string text = SettingsFileText(Settings{});
    EXPECT_EQ(text.size(), 508u);
    EXPECT_EQ(HashHex(L"SHA1", text.data(), text.size()),
              "289970d9ca9b27a64fcb5b5e5ba4ce1c8ef738c5");
    EXPECT_EQ(SettingsFileText(SettingsFromText(text)), text);
}

TEST(ConfigFiles, ReadLimitCacheDefaultFilesAndFailedWrites) {
    ScratchDirectory dir;
    const auto large = dir.Write("large.ini", "[settings]\ntheme=x\n");
    std::filesystem::resize_file(large, kMaxIniFileBytes + 1);
    EXPECT_EQ(ReadTextFile(large), "");
    std::filesystem::resize_file(large, kMaxIniFileBytes);
    EXPECT_EQ(ReadTextFile(large).size(), kMaxIniFileBytes);

    EnsureConfigFiles(dir.path());
    EXPECT_EQ(ReadAll(dir.path() / kSettingsFileName), SettingsFileText(Settings{}));
    const auto file = dir.Write(kSettingsFileName, "[settings]\ntheme=first\n");
    EnsureConfigFiles(dir.path());
    EXPECT_EQ(ReadAll(file), "[settings]\ntheme=first\n");
    // The cache follows its invalidation.
    EXPECT_EQ(LoadSettings(dir.path()).theme, "first");
    dir.Write(kSettingsFileName, "[settings]\ntheme=other\n");
    InvalidateSettings();
    EXPECT_EQ(LoadSettings(dir.path()).theme, "other");

    EXPECT_EQ(ChooseConfigFolder("plugins", true, "appdata").folder, "plugins");
    EXPECT_TRUE(ChooseConfigFolder("plugins", false, "appdata").create);
    EXPECT_EQ(ChooseConfigFolder("plugins", false, "appdata").folder, "appdata/Marrowpeek");
    EXPECT_EQ(ChooseConfigFolder("plugins", false, std::nullopt).folder, "plugins");

    // A failed write keeps the old file and leaves nothing beside it.
    using platform::ReplaceResult;
    ScratchDirectory other;
    const SettingsToChange none;
    EXPECT_EQ(WriteSettings(other.path() / "missing", Settings{}, none), ReplaceResult::Failed);
    std::filesystem::create_directory(other.path() / kSettingsFileName);
    const SettingsToChange folder{{}, platform::VersionOf(other.path() / kSettingsFileName), {}};
    EXPECT_EQ(WriteSettings(other.path(), Settings{}, folder), ReplaceResult::Failed);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(other.path()), {}), 1);
}

// A file is replaced only while it is the version that was read: one that another writer
// replaced (a new file renamed over it) or created meanwhile is kept, and the change read again.
TEST(ConfigFiles, SettingsAreNeverWrittenOverAFileThatWasNotRead) {
    using platform::ReplaceResult;
    ScratchDirectory dir;
    const auto path = dir.path() / kSettingsFileName;
    const auto replaceByAnother = [&](std::string_view text) {
        std::filesystem::rename(dir.Write("editor.tmp", text), path);
    };
    dir.Write(kSettingsFileName, "[settings]\ntheme=mine\n");
    const std::optional<SettingsToChange> read = ReadSettingsToChange(dir.path());
    ASSERT_TRUE(read && read->version.exists);
    replaceByAnother("[settings]\ntheme=edited\n");
    EXPECT_EQ(WriteSettings(dir.path(), read->settings, *read), ReplaceResult::Changed);
    EXPECT_EQ(ReadAll(path), "[settings]\ntheme=edited\n");
    const auto again = ReadSettingsToChange(dir.path());
    EXPECT_EQ(WriteSettings(dir.path(), again->settings, *again), ReplaceResult::Replaced);
    EXPECT_EQ(ReadSettings(dir.path()).theme, "edited");
    // None when read, one since: it is not replaced.
    std::filesystem::remove(path);
    const auto absent = ReadSettingsToChange(dir.path());
    ASSERT_TRUE(absent && !absent->version.exists);
    replaceByAnother("[settings]\ntheme=new\n");
    EXPECT_EQ(WriteSettings(dir.path(), absent->settings, *absent), ReplaceResult::Changed);
    EXPECT_EQ(ReadSettings(dir.path()).theme, "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace

namespace {

// The packer's [Create] section and the viewer's [settings] share one file: each writer keeps
// the other's section, and what the dialog stores reads back as it was, tiers included.
TEST(CreateSettingsFile, EachWriterKeepsTheOthersSectionAndTiersReadBack) {
    ScratchDirectory dir;
    CreateSettings made;
    made.version = "v1";
    made.pieceLength = 1 << 20;
    made.trackers = {{"udp://a.example:1/announce", "http://b.example/announce"},
                     {"http://c.example/announce"}};
    made.webSeeds = {"https://seed.example/files/"};
    made.isPrivate = true;
    made.source = "SRC";
    made.comment = "Ünïcode;semicolon and C#";
    std::string whyNot;
    ASSERT_TRUE(WriteCreateSettings(dir.path(), made, whyNot)) << whyNot;
    // A new file is the viewer's file with the section after it.
    EXPECT_EQ(ReadSettings(dir.path()).theme, Settings{}.theme);
    const std::optional<SettingsToChange> read = ReadSettingsToChange(dir.path());
    ASSERT_TRUE(read);
    Settings changed = read->settings;
    ASSERT_TRUE(ApplySetting(changed, "theme", "dark"));
    EXPECT_EQ(WriteSettings(dir.path(), changed, *read), platform::ReplaceResult::Replaced);
    const CreateSettings back = ReadCreateSettings(dir.path());
    EXPECT_EQ(back.version, "v1");
    EXPECT_EQ(back.pieceLength, 1 << 20);
    EXPECT_EQ(back.trackers, made.trackers);
    EXPECT_EQ(back.webSeeds, made.webSeeds);
    EXPECT_TRUE(back.isPrivate && !back.includeHidden);
    EXPECT_EQ(back.source, "SRC");
    EXPECT_EQ(back.comment, made.comment);
    ASSERT_TRUE(WriteCreateSettings(dir.path(), CreateSettings{}, whyNot));
    EXPECT_EQ(ReadSettings(dir.path()).theme, "dark");
    const std::string text = ReadAll(dir.path() / kSettingsFileName);
    EXPECT_EQ(std::count(text.begin(), text.end(), '['), 2) << text;

    // What a line cannot hold is refused, not stored cut; what the file does not know is left
    // at its default.
    made.comment = "cut here ;rest";
    EXPECT_FALSE(WriteCreateSettings(dir.path(), made, whyNot));
    EXPECT_NE(whyNot.find("comment"), std::string::npos);
    made.comment = "two\nlines";
    EXPECT_FALSE(CreateSection(made, whyNot));
    const CreateSettings odd = CreateSettingsFromText(
        "[create]\nversion=v3\npiecesize=12x\ntracker=\ntracker=u\n[Create]\nhidden=1\n");
    EXPECT_EQ(odd.version, "hybrid");
    EXPECT_EQ(odd.pieceLength, 0);
    EXPECT_TRUE(odd.trackers.empty() && odd.includeHidden);  // the last section counts whole
    EXPECT_EQ(ReplaceSection("a=1\n[X]\nb=2\n[x]\nc=3\n[Y]\nd=4", "X", "[X]\nnew=1\n"),
              "a=1\n[X]\nnew=1\n[Y]\nd=4\n");
}

}  // namespace

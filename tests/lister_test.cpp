// What the file manager's Lister habits come down to: which keys go where, the commands, and the
// find that reaches every name.

#include <gtest/gtest.h>

#include "settings/config_files.h"
#include "tests/bencode_builder.h"
#include "tests/scratch_directory.h"
#include "torrent/torrent_info.h"
#include "view/key_routing.h"
#include "view/lister_commands.h"
#include "view/page_messages.h"
#include "view/text_search.h"

namespace {

TEST(ListerKeys, KeysTheListerBindsLeaveThePageTheRestStay) {
    using enum KeyEventKind;
    const KeyContext plain{}, quickView{true, false}, pageKeys{false, true};
    // clang-format off
    const struct { unsigned key; KeyEventKind kind; bool control; KeyContext context; bool taken; KeyEventKind postAs; bool withLParam; } cases[] = {
        {kKeyEscape, KeyDown,       false, plain,     true,  KeyDown,       false},
        {kKeyEscape, SystemKeyDown, false, plain,     true,  KeyDown,       false},
        {kKeyEscape, KeyUp,         false, plain,     false, KeyDown,       true},
        {kKeyEscape, KeyDown,       false, quickView, false, KeyDown,       true},
        {kKeyEscape, KeyDown,       false, pageKeys,  false, KeyDown,       true},
        {kKeyF3,     KeyDown,       false, pageKeys,  true,  KeyDown,       true},
        {kKeyF7,     KeyUp,         false, plain,     true,  KeyUp,         true},
        {kKeyF10,    SystemKeyDown, false, plain,     true,  SystemKeyDown, true},
        {kKeyAlt,    SystemKeyUp,   false, plain,     true,  SystemKeyUp,   true},
        {'X',        SystemKeyDown, false, plain,     true,  SystemKeyDown, true},
        {kKeyTab,    KeyDown,       false, plain,     false, KeyDown,       true},
        {kKeyTab,    KeyDown,       false, quickView, true,  KeyDown,       true},
        {'C',        KeyDown,       true,  plain,     true,  KeyDown,       true},
        {'A',        KeyDown,       true,  pageKeys,  false, KeyDown,       true},
        {'Q',        KeyDown,       true,  pageKeys,  true,  KeyDown,       true},
        {'C',        KeyDown,       false, plain,     false, KeyDown,       true},
        {'F',        KeyDown,       true,  plain,     false, KeyDown,       true},
        {0x28,       KeyDown,       false, plain,     false, KeyDown,       true},  // Down
    };
    // clang-format on
    for (const auto& c : cases) {
        const KeyDecision decision = RouteReportedKey({c.key, c.kind, c.control}, c.context);
        EXPECT_EQ(decision.taken, c.taken) << c.key << " " << static_cast<int>(c.kind);
        if (c.taken) {
            EXPECT_EQ(decision.postAs, c.postAs) << c.key;
            EXPECT_EQ(decision.withLParam, c.withLParam) << c.key;
        }
    }
    EXPECT_EQ(RelayedKey("n", plain), 'N');
    EXPECT_EQ(RelayedKey("7", plain), '7');
    EXPECT_EQ(RelayedKey("Tab", quickView), kKeyTab);
    for (const char* refused : {"Tab", "8", "x", "N", "nn", ""}) {
        EXPECT_EQ(RelayedKey(refused, plain), std::nullopt) << refused;
    }
}

class Find : public testing::Test {
  protected:
    void Load(const std::string& bytes) {
        bytes_ = bytes;
        info_ = torrent::extract(bytes_.data(), bytes_.size());
        ASSERT_TRUE(info_.ok);
        search_ = BuildSearchText(info_);
    }
    std::string Next(std::string_view needle, int flags = 0) {
        return FindNext(search_, needle, flags).value_or("none");
    }
    std::string bytes_;
    torrent::TorrentInfo info_;
    SearchText search_;
};

std::string Hit(std::string_view target, int start, int length) {
    return R"({"find":{)" + std::string(target) + ",\"start\":" + std::to_string(start) +
           ",\"length\":" + std::to_string(length) + "}}";
}

TEST_F(Find, WalksThePageInOrderAndHonoursEveryFlag) {
    Load(fixture::MultiFileTorrent(
        "Show", {{"Show s1/e1 show.mkv", 1}, {"Show s1/showcase.txt", 1}, {"notes.txt", 1}},
        "8:announce9:http://a/13:announce-listll9:http://b/9:http://a/ee"));
    EXPECT_EQ(search_.metaKeys[1], "tracker.0");
    EXPECT_EQ(search_.metaKeys[2], "tracker.1");
    // Unhashed, the record's magnet link names the torrent straight after "magnet:?dn=".
    const std::string name = R"("meta":"name")", magnet = R"("meta":"magnet")";
    EXPECT_EQ(Next("show", kFindFirst), Hit(name, 0, 4));
    EXPECT_EQ(Next("show"), Hit(magnet, 11, 4));
    EXPECT_EQ(Next("show"), Hit(R"("node":1)", 0, 4));
    EXPECT_EQ(Next("show"), Hit(R"("node":2)", 3, 4));
    EXPECT_EQ(Next("show"), Hit(R"("node":3)", 0, 4));
    EXPECT_EQ(Next("show"), "none");
    EXPECT_EQ(Next("show", kBackwards), Hit(R"("node":2)", 3, 4));
    EXPECT_EQ(Next("show", kBackwards | kFindFirst), Hit(R"("node":3)", 0, 4));
    EXPECT_EQ(Next("Show", kFindFirst | kMatchCase | kBackwards), Hit(R"("node":1)", 0, 4));
    EXPECT_EQ(Next("show", kFindFirst | kMatchCase), Hit(R"("node":2)", 3, 4));
    EXPECT_EQ(Next("show", kFindFirst | kWholeWords | kBackwards), Hit(R"("node":2)", 3, 4));
    EXPECT_EQ(Next("show", kWholeWords | kBackwards), Hit(R"("node":1)", 0, 4));
    EXPECT_EQ(Next("show", kWholeWords | kBackwards), Hit(magnet, 11, 4));
    EXPECT_EQ(Next("http://b/", kFindFirst), Hit(R"("meta":"tracker.0")", 0, 9));
    EXPECT_EQ(Next("NOTES", kFindFirst), Hit(R"("node":4)", 0, 5));
    // A hit never spans two names.
    EXPECT_EQ(Next("mkvshow", kFindFirst), "none");
    EXPECT_EQ(Next("", kFindFirst), "none");
}

TEST_F(Find, CaseFoldsBeyondAsciiAndCountsPlacesInUtf16) {
    Load(fixture::MultiFileTorrent(
        "x",
        {{"\xF0\x9F\x98\x80 \xC3\x89T\xC3\x89 \xD0\x9C\xD0\x98\xD0\xA0 \xC5\x81\xC3\xB3"
          "d\xC5\xBA",
          1}},
        "7:comment3:a\xFF"
        "z"));
    EXPECT_EQ(Next("\xC3\xA9t\xC3\xA9", kFindFirst), Hit(R"("node":1)", 3, 3));
    EXPECT_EQ(Next("\xD0\xBC\xD0\xB8\xD1\x80", kFindFirst), Hit(R"("node":1)", 7, 3));
    EXPECT_EQ(Next("\xC5\x82\xC3\x93"
                   "D\xC5\xB9",
                   kFindFirst),
              Hit(R"("node":1)", 11, 4));
    // The page shows a bad byte as U+FFFD; the hit after it is counted there.
    EXPECT_EQ(Next("z", kFindFirst | kMatchCase), Hit(R"("meta":"comment")", 2, 1));
}

TEST_F(Find, SingleFileTorrentIsOneRowUnderItsName) {
    Load(fixture::SingleFileTorrent("only.iso", 5));
    EXPECT_EQ(Next("only", kFindFirst | kBackwards), Hit(R"("node":1)", 0, 4));
}

TEST(ListerCommands, CopySelectAllAndTheLiveDarkSwitch) {
    ScratchDirectory dir;
    EnsureConfigFiles(dir.path());
    WebViewState state;
    state.configDir = dir.path();
    const CommandOutcome copy = HandleListerCommand(state, kCommandCopy, 0);
    EXPECT_EQ(copy.message, R"({"command":"copy"})");
    EXPECT_TRUE(copy.awaitsCopy);
    EXPECT_EQ(HandleListerCommand(state, kCommandSelectAll, 0).message,
              R"({"command":"selectAll"})");
    const CommandOutcome dark = HandleListerCommand(state, kCommandNewParams, 0x80 | 0x2);
    EXPECT_EQ(dark.result, kListerOk);
    EXPECT_EQ(dark.message, R"({"dark":true})");
    EXPECT_TRUE(state.dark);
    EXPECT_EQ(state.themeCss.rfind(":root{--bg:#1e1e1e;", 0), 0u);
    EXPECT_NE(state.configJson.find(R"("tcDark":true)"), std::string::npos);
    const CommandOutcome same = HandleListerCommand(state, kCommandNewParams, 0x80);
    EXPECT_EQ(same.result, kListerOk);
    EXPECT_FALSE(same.message);
    EXPECT_EQ(HandleListerCommand(state, kCommandNewParams, 0).message, R"({"dark":false})");
    EXPECT_EQ(HandleListerCommand(state, 7, 0).result, kListerError);
}

TEST(PageMessages, KeysAndCopiedTextGoToTheHost) {
    WebViewState state;
    EXPECT_EQ(HandlePageMessage(state, R"({"key":"n"})", false).relayedKey, "n");
    EXPECT_EQ(HandlePageMessage(state, R"( {"keys":"page"})", false).pageWantsKeys, true);
    EXPECT_EQ(HandlePageMessage(state, R"({"keys":"host"})", false).pageWantsKeys, false);
    EXPECT_EQ(
        HandlePageMessage(state, R"({"copy":"a\\b\u00e9\ud83d\ude00\ud800"})", false).copiedText,
        "a\\b\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD");
    // Only the first member names the kind: a setting whose value says "copy" is a setting.
    const PageMessageOutcome setting =
        HandlePageMessage(state, R"({"set":"","value":"x","copy":"y","key":"n"})", false);
    EXPECT_FALSE(setting.copiedText);
    EXPECT_FALSE(setting.relayedKey);
}

}  // namespace

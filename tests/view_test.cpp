#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "platform/shared_request.h"
#include "settings/config_files.h"
#include "tests/bencode_builder.h"
#include "tests/scratch_directory.h"
#include "view/check_job.h"
#include "view/lister_find.h"
#include "view/page_messages.h"
#include "view/payload.h"
#include "view/thumbnail_card.h"

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
    // Any change rewrites the [settings] section in its fixed layout, keeping the other values,
    // and every other line of the file as it was (the packer's section among them).
    dir.Write(kSettingsFileName, "; mine\n[settings]\nfontsize=20\n[extra]\nkeep=no\n");
    EXPECT_TRUE(
        HandlePageMessage(state, R"({"set":"cachepath","value":"D:\\c"})", false).replies.empty());
    Settings expected;
    expected.fontsize = 20;
    expected.cachepath = "D:\\c";
    EXPECT_EQ(ReadAll(dir.path() / kSettingsFileName),
              "; mine\n" + SettingsFileText(expected) + "[extra]\nkeep=no\n");
    const auto reply = HandlePageMessage(state, R"({"set":"theme","value":"Night Owl"})", false);
    ASSERT_EQ(reply.replies.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(reply.replies[0])["css"], state.themeCss);
    EXPECT_EQ(state.themeCss.rfind(":root{--bg:#011627;", 0), 0u);
    // The page's own messages name their kind first: a setting that mentions one is a setting.
    EXPECT_EQ(HandlePageMessage(state, R"({"key":"n"})", false).relayedKey, "n");
    EXPECT_EQ(HandlePageMessage(state, R"( {"keys":"page"})", false).pageWantsKeys, true);
    EXPECT_EQ(HandlePageMessage(state, R"({"copy":"a\\b"})", false).copiedText, "a\\b");
    const auto setting = HandlePageMessage(state, R"({"set":"","copy":"y","key":"n"})", false);
    EXPECT_FALSE(setting.copiedText || setting.relayedKey || setting.copyAnswered);
    // Read as JSON reads it: "perf" is copied text, the last of two members counts, an escaped
    // NUL is kept, and a member that is not a string is no text.
    const auto copied = [&](std::string_view message) {
        const auto outcome = HandlePageMessage(state, message, true);
        EXPECT_FALSE(outcome.debugLine) << message;
        return outcome.copyAnswered ? outcome.copiedText.value_or("(not text)") : "(no answer)";
    };
    EXPECT_EQ(copied(R"({"copy":"perf"})"), "perf");
    EXPECT_EQ(copied(R"({"copy":"a","copy":"b"})"), "b");
    EXPECT_EQ(copied(R"({"copy":"a\u0000b\ud83d\ude00\ud800"})"),
              std::string("a\0b\xF0\x9F\x98\x80\xEF\xBF\xBD", 10));
    EXPECT_EQ(copied(R"({"copy":null})"), "(not text)");
    EXPECT_EQ(copied(R"({"copy":1,"other":"x"})"), "(not text)");
    for (const std::string_view broken :
         {R"({"copy":"a")", R"({"copy":"a"} x)", R"({"copy":{"a":"b"}})", R"({"copy":"\x"})",
          "{\"copy\":\"a\nb\"}", R"({"copy":01})", R"(["copy"])", R"({"copy" "a"})", ""}) {
        EXPECT_EQ(copied(broken), "(no answer)") << broken;
    }
    // The page hands over its order of the tree, for the find to follow.
    HandlePageMessage(state, R"({"order":"2 1"})", false);
    EXPECT_EQ(state.pageOrder + std::to_string(state.pageOrderVersion), "2 11");
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

// The Lister's find, made from the file at the first find, in the page's order: a needle with
// a separator looks through paths and the metadata both, in a name with "\\" too, finds a second
// hit in one name, and marks a folder a needle ends with rather than nothing.
TEST(ListerFind, PathsValuesAndThePagesOrder) {
    ScratchDirectory dir;
    const auto file = dir.Write(
        "t.torrent",
        fixture::MultiFileTorrent(
            "T", {{"Show/e1 show.mkv", 1}, {"Show/Extras/x.txt", 1}, {"a\\b a\\b.txt", 1}},
            fixture::Str("announce") + fixture::Str("udp://t.example:1/announce")));
    WebViewState state;
    ASSERT_EQ(LoadTorrentPayload(state, file, 0), PayloadResult::Ready);
    EXPECT_FALSE(state.search);
    const auto find = [&](std::string_view needle, int flags) {
        return FindInTorrent(state, needle, flags).value_or("none");
    };
    const auto hit = [](const std::string& target, int start, int length) {
        return R"({"find":{)" + target + ",\"start\":" + std::to_string(start) +
               ",\"length\":" + std::to_string(length) + "}}";
    };
    // clang-format off
    const std::tuple<std::string_view, int, std::string> steps[] = {
        {"udp://", 1, hit(R"("meta":"tracker.0")", 0, 6)},
        {"w/E1", 1, hit(R"("node":2)", 0, 2)},
        {"a/b", 1, hit(R"("node":5)", 0, 3)}, {"a/b", 0, hit(R"("node":5)", 4, 3)}, {"a/b", 0, "none"},
        {"a/b", 8, hit(R"("node":5)", 0, 3)}, {"a/b", 1 | 8, hit(R"("node":5)", 4, 3)},
        {"extras/", 1, hit(R"("node":3)", 0, 6)}, {"extras/", 0, "none"},
        {"/", 1, hit(R"("meta":"tracker.0")", 4, 1)},
        {"e1", 1, hit(R"("node":2)", 0, 2)}, {"txt", 0, hit(R"("node":4)", 2, 3)}};
    // clang-format on
    for (const auto& [needle, flags, expected] : steps) {
        EXPECT_EQ(find(needle, flags), expected) << needle << " " << flags;
    }
    EXPECT_TRUE(state.search);
    // Folders first, then by name, as the page shows them: on from "e1", the next "txt" is the
    // last file, not the folder's file that the document lists after it.
    HandlePageMessage(state, R"({"order":"1 3 4 2 5"})", false);
    EXPECT_EQ(find("e1", 1), hit(R"("node":2)", 0, 2));
    EXPECT_EQ(find("txt", 0), hit(R"("node":5)", 8, 3));
    // An order the tree cannot have (a file before its folder) is ignored.
    HandlePageMessage(state, R"({"order":"2 4 1 3 5"})", false);
    EXPECT_EQ(find("e1", 1), hit(R"("node":2)", 0, 2));
    EXPECT_EQ(find("txt", 0), hit(R"("node":5)", 8, 3));
    // The index is made from the file: one that changed since the page was made finds nothing.
    WebViewState stale;
    ASSERT_EQ(LoadTorrentPayload(stale, file, 0), PayloadResult::Ready);
    dir.Write("t.torrent", fixture::MultiFileTorrent("T", {{"other.bin", 1}}));
    EXPECT_FALSE(FindInTorrent(stale, "T", 1));
}

// A check stopped by the user tells the page it stopped; one that a new check replaces says
// nothing more once abandoned, so that its end cannot land on the new one's progress.
TEST(CheckJob, StoppedTellsAbandonedIsSilent) {
    ScratchDirectory dir;
    const std::string content(32 << 20, 'c');
    const auto torrent = dir.Write(
        "big.torrent",
        fixture::Dict(
            {{"info",
              fixture::Dict({{"length", fixture::Int(32 << 20)},
                             {"name", fixture::Str("big.bin")},
                             {"piece length", fixture::Int(1 << 20)},
                             {"pieces", fixture::Str(fixture::PieceHashes(content, 1 << 20))}})}}));
    dir.Write("big.bin", content);
    struct Heard {
        std::mutex mutex;
        std::vector<std::string> messages;
        bool afterAbandon = false;
        bool done = false;
    };
    for (const bool abandon : {false, true}) {
        auto heard = std::make_shared<Heard>();
        const auto job = CheckJob::Start(torrent, {}, [heard](std::string message) {
            std::lock_guard lock(heard->mutex);
            heard->done = heard->done || message.starts_with("{\"checkDone\"");
            heard->messages.push_back(heard->afterAbandon ? "late " + message : message);
        });
        if (abandon) {
            job->Abandon();
            std::lock_guard lock(heard->mutex);
            heard->afterAbandon = true;
        } else {
            job->Cancel();
        }
        // An abandoned check ends within a read: a moment is long enough to hear a late word.
        for (int i = 0; i < (abandon ? 15 : 100); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            std::lock_guard lock(heard->mutex);
            if (heard->done) {
                break;
            }
        }
        std::lock_guard lock(heard->mutex);
        if (abandon) {
            for (const std::string& message : heard->messages) {
                EXPECT_FALSE(message.starts_with("late ")) << message;
            }
        } else {
            ASSERT_TRUE(heard->done);
            EXPECT_NE(heard->messages.back().find("\"cancelled\":true"), std::string::npos);
        }
    }
}

// Checks started in a row run one at a time, each ending the last within a read: the old one of
// a file that is one piece of gigabytes (version 2 without a piece layer) too.
TEST(CheckJob, ChecksInARowRunOneAtATime) {
    ScratchDirectory dir;
    constexpr std::int64_t kSize = std::int64_t{8} << 30;
    const std::string entry =
        fixture::Dict({{"", fixture::Dict({{"length", fixture::Int(kSize)},
                                           {"pieces root", fixture::Str(std::string(32, 'r'))}})}});
    const auto torrent = dir.Write(
        "huge.torrent",
        fixture::Dict({{"info", fixture::Dict({{"file tree", fixture::Dict({{"huge.bin", entry}})},
                                               {"meta version", fixture::Int(2)},
                                               {"name", fixture::Str("huge.bin")},
                                               {"piece length", fixture::Int(16384)}})}}));
    std::filesystem::resize_file(dir.Write("huge.bin", ""), kSize);  // sparse: costs no disk
    auto started = std::make_shared<std::atomic<int>>(0);
    std::vector<std::shared_ptr<CheckJob>> jobs;
    for (int i = 0; i < 20; ++i) {
        jobs.push_back(CheckJob::Start(
            torrent, {},
            [started](const std::string& message) {
                *started += message.starts_with("{\"checkStarted\"") ? 1 : 0;
            },
            jobs.empty() ? nullptr : jobs.back()));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    jobs.back()->Cancel();
    // Reading one of them whole takes seconds; twenty that did not stop, a minute.
    for (int i = 0; i < 300 && !jobs.back()->Ended(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (const auto& job : jobs) {
        EXPECT_TRUE(job->Ended());
    }
    EXPECT_GE(*started, 1);
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

namespace {

// The thumbnail's card: the page's kinds and colours, largest kind first, and a four by three
// card that fits inside any box without padding.
TEST(ThumbnailCard, KindsColoursAndSize) {
    EXPECT_EQ(KindOfName("Movie.MKV"), "video");
    EXPECT_EQ(KindOfName("disc.iso"), "disc");  // a later kind of the page's table wins
    EXPECT_EQ(KindOfName("README"), "unknown");
    EXPECT_EQ(KindOfName("archive.tar.gz"), "archive");
    const std::string bytes = fixture::MultiFileTorrent(
        "Show", {{"a.mkv", 5000}, {"b.srt", 10}, {"c.mp3", 700}, {"d.mkv", 5000}}, "7:privatei1e");
    const torrent::TorrentInfo info = torrent::extract(bytes.data(), bytes.size());
    const ThumbnailCard card =
        CardOf(info, ":root{--bg:#000000;--fg:#eeeeee;--icon-audio:#123456;}");
    EXPECT_EQ(card.title, "Show");
    EXPECT_EQ(card.facts, "10.5 KB \u00B7 4 files");
    EXPECT_EQ(card.version, "v1");
    EXPECT_EQ(card.colours.background, 0u);
    EXPECT_EQ(card.colours.line, 0xE3E3E3u);  // the page's own where the theme sets none
    ASSERT_EQ(card.kinds.size(), 3u);
    EXPECT_EQ(card.kinds[0].kind, "video");
    EXPECT_EQ(card.kinds[0].bytes, 10000);
    EXPECT_EQ(card.kinds[1].colour, 0x123456u);
    for (const auto& [width, height, fitWidth, fitHeight] :
         std::vector<std::array<int, 4>>{{256, 256, 256, 192},
                                         {100, 30, 40, 30},
                                         {1, 1, 1, 1},
                                         {0, 50, 0, 0},
                                         {400, 300, 400, 300}}) {
        const CardSize size = FitCard(width, height);
        EXPECT_EQ(size.width, fitWidth) << width << "x" << height;
        EXPECT_EQ(size.height, fitHeight) << width << "x" << height;
    }
}

}  // namespace

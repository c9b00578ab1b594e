#include <gtest/gtest.h>

#include "platform/file_read.h"
#include "tests/bencode_builder.h"
#include "tests/scratch_directory.h"
#include "torrent/info_hash.h"
#include "view/payload.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace fixture;

namespace {

std::string Member(const std::string& json, const std::string& name) {
    const std::string key = "\"" + name + "\":\"";
    const auto start = json.find(key) + key.size();
    return json.substr(start, json.find('"', start) - start);
}

TEST(LoadTorrentPayload, RefusalsSayWhyAndLeaveTheStateUntouched) {
    ScratchDirectory dir;
    const auto atLimit = dir.Write("limit.torrent", "d");
    std::filesystem::resize_file(atLimit, torrent::kMaxTorrentFileBytes);
    const auto overLimit = dir.Write("over.torrent", "d");
    std::filesystem::resize_file(overLimit, torrent::kMaxTorrentFileBytes + 1);
    // clang-format off
    const std::pair<std::filesystem::path, std::string_view> cases[] = {
        {dir.path() / "missing.torrent", "cannot be read"}, {dir.path(), "cannot be read"},
        {dir.Write("empty.torrent", ""), "is empty"}, {overLimit, "is larger than 64 MiB"},
        {atLimit, "is not a torrent"}, {dir.Write("truncated.torrent", "d4:infod4:name1:a"), "is not a torrent"}};
    // clang-format on
    for (const auto& [path, reason] : cases) {
        WebViewState state;
        state.dataJson = "old";
        state.dark = true;
        EXPECT_EQ(torrent::RefusalReason(LoadTorrentPayload(state, path, 0)), reason) << path;
        EXPECT_TRUE(state.dataJson == "old" && state.dark && state.configJson.empty());
    }
}

// A name of control bytes grows sixfold in the document, twice, and threefold in the magnet link:
// past what the file's size allows, it is refused with that reason rather than shown.
TEST(LoadTorrentPayload, DocumentsBeyondTheFilesAllowanceAreRefused) {
    ScratchDirectory dir;
    const auto torrent = [&](std::size_t controls) {
        return dir.Write("controls.torrent", SingleFileTorrent(std::string(controls, '\x01'), 1));
    };
    WebViewState state;
    torrent::Limit exceeded = torrent::Limit::None;
    EXPECT_EQ(LoadTorrentPayload(state, torrent(12u << 20), 0, &exceeded),
              PayloadResult::TooLargeToShow);
    EXPECT_EQ(exceeded, torrent::Limit::DocumentSize);
    EXPECT_TRUE(state.dataJson.empty());
    EXPECT_EQ(LoadTorrentPayload(state, torrent(1u << 20), 0), PayloadResult::Ready);
}

// A file someone is writing is refused rather than read half-written; one that was read cannot
// be changed underneath its content, which would crash a mapped read.
TEST(ReadWholeFile, WritersAreRefusedAndKeptOut) {
    ScratchDirectory dir;
    const auto path = dir.Write("busy.torrent", SingleFileTorrent("a", 1));
    {
#ifdef _WIN32
        HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
#else
        const int writer = open(path.c_str(), O_WRONLY);
#endif
        WebViewState state;
        EXPECT_EQ(LoadTorrentPayload(state, path, 0), PayloadResult::CannotRead);
#ifdef _WIN32
        CloseHandle(writer);
#else
        close(writer);
#endif
    }
    platform::FileContent content = platform::ReadWholeFile(path, 1 << 20);
    ASSERT_EQ(content.status, platform::FileReadStatus::Ok);
    EXPECT_EQ(content.bytes, SingleFileTorrent("a", 1));
#ifndef _WIN32
    // Held under a read lease while mapped: a writer waits until the content is let go.
    EXPECT_EQ(open(path.c_str(), O_WRONLY | O_NONBLOCK), -1);
#endif
}

// A pipe or a device in place of a file would block the read for as long as no one writes.
TEST(ReadWholeFile, PipesAndDevicesAreRefusedWithoutWaiting) {
    ScratchDirectory dir;
#ifdef _WIN32
    const std::wstring pipe = L"\\\\.\\pipe\\marrowpeek-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE server = CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1,
                                           4096, 4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    const std::filesystem::path refused[] = {pipe, L"NUL", L"\\\\.\\CON"};
#else
    const auto fifo = dir.path() / "fifo.torrent";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::filesystem::path refused[] = {fifo, "/dev/zero", "/dev/null"};
#endif
    for (const auto& path : refused) {
        EXPECT_EQ(platform::ReadWholeFile(path, 1 << 20).status,
                  platform::FileReadStatus::CannotOpen)
            << path;
    }
#ifdef _WIN32
    CloseHandle(server);
#endif
}

TEST(LoadTorrentPayload, HashesCoverTheInfoBytesAsWrittenWhateverSurroundsThem) {
    ScratchDirectory dir;
    const std::string v1Info = Dict({{"length", Int(1)}, {"name", Str("a")}});
    const std::string v2Info = "d9:file treede12:meta versioni2e4:name2:v26:pieces0:e";
    const std::string variants[] = {
        Dict({{"info", v2Info}}),
        Dict({{"a", Str("before")}, {"info", v2Info}, {"z", Int(1)}}) + "trailing bytes",
        Dict({{"info", v2Info}, {"info", Dict({})}})};
    for (const auto& bytes : variants) {
        WebViewState state;
        ASSERT_EQ(LoadTorrentPayload(state, dir.Write("v2.torrent", bytes), 0x80),
                  PayloadResult::Ready);
        EXPECT_EQ(Member(state.dataJson, "infoHashV1"),
                  HashHex(L"SHA1", v2Info.data(), v2Info.size()));
        EXPECT_EQ(Member(state.dataJson, "infoHashV2"),
                  HashHex(L"SHA256", v2Info.data(), v2Info.size()));
        EXPECT_TRUE(state.dark);
    }
    // Without version 1 data there is no SHA-1 hash that any swarm uses.
    WebViewState v2Only;
    LoadTorrentPayload(v2Only, dir.Write("v2.torrent", "d4:infod9:file treedeee"), 0);
    EXPECT_EQ(Member(v2Only.dataJson, "infoHashV1") + "|", "|");
    // Version 1 only: no SHA-256 hash; the dark bit is bit 0x80 alone.
    WebViewState state;
    ASSERT_EQ(LoadTorrentPayload(state, dir.Write("v1.torrent", Dict({{"info", v1Info}})), 0x7F),
              PayloadResult::Ready);
    EXPECT_EQ(Member(state.dataJson, "infoHashV2") + Member(state.dataJson, "infoHashV1"),
              HashHex(L"SHA1", v1Info.data(), v1Info.size()));
    EXPECT_FALSE(state.dark || state.configJson.empty());
}

}  // namespace

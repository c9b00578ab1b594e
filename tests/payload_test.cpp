#include "torrent/payload.h"

#include <gtest/gtest.h>

#include "bencode_builder.h"
#include "scratch_directory.h"
#include "torrent/info_hash.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace fixture;

namespace {

const std::string kInfo = Dict({{"length", Int(1000)},
                                {"name", Str("a.iso")},
                                {"piece length", Int(16384)},
                                {"pieces", Str(std::string(20, 'p'))}});

WebViewState Sentinel() {
    WebViewState state;
    state.dataJson = "old data";
    state.themeCss = "old css";
    state.configJson = "old config";
    state.dark = true;
    return state;
}

void ExpectUntouched(const WebViewState& state) {
    EXPECT_EQ(state.dataJson, "old data");
    EXPECT_EQ(state.themeCss, "old css");
    EXPECT_EQ(state.configJson, "old config");
    EXPECT_TRUE(state.dark);
}

std::string Member(const std::string& json, const std::string& name) {
    const std::string key = "\"" + name + "\":\"";
    const auto start = json.find(key);
    if (start == std::string::npos)
        return "<missing>";
    const auto valueStart = start + key.size();
    return json.substr(valueStart, json.find('"', valueStart) - valueStart);
}

TEST(ReadFileBytes, ReadsUpToTheLimitAndRefusesBeyond) {
    ScratchDirectory dir;
    const auto atLimit = dir.Write("limit.torrent", "d");
    std::filesystem::resize_file(atLimit, kMaxTorrentFileBytes);
    EXPECT_EQ(ReadFileBytes(atLimit).size(), kMaxTorrentFileBytes);

    const auto overLimit = dir.Write("over.torrent", "d");
    std::filesystem::resize_file(overLimit, kMaxTorrentFileBytes + 1);
    EXPECT_EQ(ReadFileBytes(overLimit), "");

    EXPECT_EQ(ReadFileBytes(dir.Write("empty.torrent", "")), "");
    EXPECT_EQ(ReadFileBytes(dir.path() / "missing.torrent"), "");
    EXPECT_EQ(ReadFileBytes(dir.path()), "");
    EXPECT_EQ(ReadFileBytes(dir.Write("small", "d1:ae")), "d1:ae");
}

TEST(LoadTorrentPayload, RefusalsLeaveTheStateUntouched) {
    ScratchDirectory dir;
    const std::filesystem::path refused[] = {
        dir.path() / "missing.torrent",
        dir.path(),
        dir.Write("empty.torrent", ""),
        dir.Write("text.torrent", "don't look, this is text\n"),
        dir.Write("list.torrent", "l4:infoe"),
        dir.Write("truncated.torrent", "d4:infod4:name1:a"),
    };
    for (const auto& path : refused) {
        WebViewState state = Sentinel();
        EXPECT_FALSE(LoadTorrentPayload(state, path, 0)) << path;
        ExpectUntouched(state);
    }
}

#ifdef _WIN32
TEST(LoadTorrentPayload, RefusesAFileThatIsOpenForWriting) {
    ScratchDirectory dir;
    const auto path = dir.Write("busy.torrent", SingleFileTorrent("a", 1));
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    WebViewState state = Sentinel();
    EXPECT_FALSE(LoadTorrentPayload(state, path, 0));
    ExpectUntouched(state);
    CloseHandle(writer);
    EXPECT_TRUE(LoadTorrentPayload(state, path, 0));
}
#endif

TEST(LoadTorrentPayload, VersionOneTorrentGetsItsDocumentAndSha1) {
    ScratchDirectory dir;
    const auto path = dir.Write("a.torrent", Dict({{"announce", Str("u")}, {"info", kInfo}}));
    WebViewState state;
    ASSERT_TRUE(LoadTorrentPayload(state, path, 0));
    EXPECT_EQ(state.dataJson.rfind(R"({"ok":true,"name":"a.iso",)", 0), 0u) << state.dataJson;
    EXPECT_EQ(Member(state.dataJson, "infoHashV1"), HashHex(L"SHA1", kInfo.data(), kInfo.size()));
    EXPECT_EQ(Member(state.dataJson, "infoHashV1").size(), 40u);
    EXPECT_EQ(Member(state.dataJson, "infoHashV2"), "");
    EXPECT_FALSE(state.dark);
}

TEST(LoadTorrentPayload, HashesCoverTheInfoBytesAsWrittenWhateverSurroundsThem) {
    ScratchDirectory dir;
    const std::string v2Info = "d9:file treede12:meta versioni2e4:name2:v2e";
    const std::string sha1 = HashHex(L"SHA1", v2Info.data(), v2Info.size());
    const std::string sha256 = HashHex(L"SHA256", v2Info.data(), v2Info.size());
    const std::string variants[] = {
        Dict({{"info", v2Info}}),
        Dict({{"a", Str("before")}, {"info", v2Info}, {"z", Int(1)}}) + "trailing bytes",
        Dict({{"info", v2Info}, {"info", Dict({})}}),
    };
    for (const auto& bytes : variants) {
        WebViewState state;
        ASSERT_TRUE(LoadTorrentPayload(state, dir.Write("v2.torrent", bytes), 0x80));
        EXPECT_EQ(Member(state.dataJson, "infoHashV1"), sha1);
        EXPECT_EQ(Member(state.dataJson, "infoHashV2"), sha256);
        EXPECT_EQ(sha256.size(), 64u);
        EXPECT_TRUE(state.dark);
    }
}

TEST(LoadTorrentPayload, SecondFileReplacesDocumentAndDarkMode) {
    ScratchDirectory dir;
    WebViewState state;
    ASSERT_TRUE(LoadTorrentPayload(state, dir.Write("one.torrent", SingleFileTorrent("one", 1)),
                                   0x80 | 0x01));
    EXPECT_TRUE(state.dark);
    ASSERT_TRUE(
        LoadTorrentPayload(state, dir.Write("two.torrent", SingleFileTorrent("two", 2)), 0x7F));
    EXPECT_FALSE(state.dark);
    EXPECT_NE(state.dataJson.find(R"("name":"two")"), std::string::npos);
    EXPECT_EQ(state.dataJson.find("one"), std::string::npos);
}

TEST(DescribeRefusal, NamesTheReasonInPlainWords) {
    ScratchDirectory dir;
    const auto large = dir.Write("large.torrent", "d");
    std::filesystem::resize_file(large, kMaxTorrentFileBytes + 1);
    EXPECT_EQ(DescribeRefusal(dir.path() / "missing"), "cannot be read");
    EXPECT_EQ(DescribeRefusal(dir.Write("empty", "")), "is empty");
    EXPECT_EQ(DescribeRefusal(large), "is larger than 64 MiB");
    EXPECT_EQ(DescribeRefusal(dir.Write("text", "hello")), "is not a torrent");
    EXPECT_EQ(DescribeRefusal(dir.Write("ok", SingleFileTorrent("a", 1))), "");
}

}  // namespace

#include "torrent/json.h"

#include <gtest/gtest.h>

#include <limits>

#include "torrent/utf8.h"

using torrent::TorrentInfo;
using torrent::TreeNode;

namespace {

TEST(TorrentJson, WritesTheWholeDocumentInItsFixedForm) {
    TorrentInfo info;
    info.ok = true;
    info.name = "a.iso";
    info.comment = "say \"hi\"\n";
    info.creationDate = 86400;
    info.pieceLength = 16384;
    info.pieceCount = 1;
    info.totalSize = 1000;
    info.fileCount = 1;
    info.hasPrivate = true;
    info.custom = {{"foo", "bar"}, {"n", "-12"}};
    info.trackerTiers = {{"u1", "u2"}, {"u3"}};
    info.tree.name = "a.iso";
    info.tree.dir = true;
    EXPECT_EQ(
        torrent::toJson(info),
        R"({"ok":true,"name":"a.iso","announce":"","comment":"say \"hi\"\n","createdBy":"",)"
        R"("creationDate":86400,"pieceLength":16384,"pieceCount":1,"multiFile":false,)"
        R"("totalSize":1000,"fileCount":1,"hasPrivate":true,"isPrivate":false,"isV2":false,)"
        R"("infoHashV1":"","infoHashV2":"","custom":[{"k":"foo","v":"bar"},{"k":"n","v":"-12"}],)"
        R"("trackerTiers":[["u1","u2"],["u3"]],"tree":{"name":"a.iso","dir":true,"size":0,)"
        R"("children":[]}})");
}

TEST(TorrentJson, EmptyRecordAndExtremeNumbers) {
    TorrentInfo info;
    info.creationDate = -1;
    info.totalSize = std::numeric_limits<std::int64_t>::min();
    info.fileCount = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(torrent::toJson(info),
              R"({"ok":false,"name":"","announce":"","comment":"","createdBy":"",)"
              R"("creationDate":-1,"pieceLength":0,"pieceCount":0,"multiFile":false,)"
              R"("totalSize":-9223372036854775808,"fileCount":2147483647,"hasPrivate":false,)"
              R"("isPrivate":false,"isV2":false,"infoHashV1":"","infoHashV2":"","custom":[],)"
              R"("trackerTiers":[],"tree":{"name":"","dir":false,"size":0}})");
}

TEST(TreeJson, FilesHaveNoChildrenMemberAndDirectoriesKeepOrder) {
    TreeNode root("r", true, 6);
    root.children.emplace_back("x", false, 5);
    root.children.emplace_back("d", true, 1);
    root.children[1].children.emplace_back("y", false, 1);
    root.children.emplace_back("e", true, 0);
    std::string out;
    WriteTreeJson(out, root);
    EXPECT_EQ(out,
              R"({"name":"r","dir":true,"size":6,"children":[{"name":"x","dir":false,"size":5},)"
              R"({"name":"d","dir":true,"size":1,"children":[{"name":"y","dir":false,"size":1}]},)"
              R"({"name":"e","dir":true,"size":0,"children":[]}]})");
}

TEST(JsonEscape, EscapesQuotesBackslashesAndControlBytesOnly) {
    EXPECT_EQ(JsonEscape("\"\\"), R"(\"\\)");
    EXPECT_EQ(JsonEscape("\b\t\n\f\r"), R"(\b\t\n\f\r)");
    EXPECT_EQ(JsonEscape(std::string("\0", 1)), R"(\u0000)");
    EXPECT_EQ(JsonEscape("\x01\x0b\x1f"), R"(\u0001\u000b\u001f)");
    EXPECT_EQ(JsonEscape("/\x7f\xc3\xa9 "), "/\x7f\xc3\xa9 ");
}

TEST(JsonString, RepairsBeforeEscaping) {
    EXPECT_EQ(JsonString("A\xff"
                         "B"),
              "\"A\xEF\xBF\xBD"
              "B\"");
    EXPECT_EQ(JsonString("\"\xc3"), "\"\\\"\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonString(""), "\"\"");
}

TEST(SanitizeUtf8, ReplacesEachBadByteOnce) {
    const struct {
        std::string input;
        std::string expected;
    } cases[] = {
        {"A\xff"
         "B",
         "A\xEF\xBF\xBD"
         "B"},
        {"\xE0\xA0"
         "A",
         "\xEF\xBF\xBD\xEF\xBF\xBD"
         "A"},
        {"x\xE2\x82", "x\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xC0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xC3\xA9", "\xC3\xA9"},
        {"\xE2\x82\xAC", "\xE2\x82\xAC"},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
        {"\xED\x9F\xBF", "\xED\x9F\xBF"},
        {"\xE0\x9F\xBF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xF0\x8F\xBF\xBF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xC3"
         "A",
         "\xEF\xBF\xBD"
         "A"},
        {"\xF5\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SanitizeUtf8(c.input), c.expected);
    }
}

TEST(TreeJson, DeepTreesAreWrittenWithoutRecursion) {
    TreeNode root("r", true, 0);
    TreeNode* node = &root;
    constexpr int kDepth = 500000;
    for (int i = 0; i < kDepth; ++i) {
        node->children.emplace_back("d", true, 0);
        node = &node->children.back();
    }
    std::string out;
    WriteTreeJson(out, root);
    EXPECT_EQ(
        out.size(),
        (kDepth + 1) * std::string(R"({"name":"d","dir":true,"size":0,"children":[]})").size());
}

}  // namespace

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>

#include "fields/content_abi.h"
#include "fields/content_answer.h"
#include "platform/file_time.h"
#include "tests/bencode_builder.h"
#include "tests/scratch_directory.h"

namespace {

// The constants the content plug-in uses, against the interface sheet they were copied from: the
// same wrong number on both sides of a test would pass every other test.
TEST(ContentAbi, ConstantsAreTheSdksOwn) {
    const char* sheet = std::getenv("MARROWPEEK_WDX_ABI");
    std::ifstream in(sheet != nullptr ? sheet : "");
    if (!in) {
        GTEST_SKIP() << "no interface sheet (MARROWPEEK_WDX_ABI)";
    }
    const std::string whole((std::istreambuf_iterator<char>(in)), {});
    // From the tables on: the introduction quotes a wrong value to warn against it.
    const std::string text = whole.substr(std::min(whole.find("## Field types"), whole.size()));
    const std::map<std::string, int> used = {{"ft_nomorefields", ft_nomorefields},
                                             {"ft_numeric_32", ft_numeric_32},
                                             {"ft_numeric_64", ft_numeric_64},
                                             {"ft_boolean", ft_boolean},
                                             {"ft_multiplechoice", ft_multiplechoice},
                                             {"ft_string", ft_string},
                                             {"ft_fulltext", ft_fulltext},
                                             {"ft_datetime", ft_datetime},
                                             {"ft_stringw", ft_stringw},
                                             {"ft_fulltextw", ft_fulltextw},
                                             {"ft_nosuchfield", ft_nosuchfield},
                                             {"ft_fileerror", ft_fileerror},
                                             {"ft_fieldempty", ft_fieldempty},
                                             {"ft_delayed", ft_delayed},
                                             {"CONTENT_DELAYIFSLOW", CONTENT_DELAYIFSLOW},
                                             {"contst_readnewdir", contst_readnewdir},
                                             {"contst_refreshpressed", contst_refreshpressed}};
    for (const auto& [name, value] : used) {
        // "| ft_string | 8 |" in a table, or "ft_fileerror -2" and "CONTENT_DELAYIFSLOW 1" in text.
        const std::regex stated("\\b" + name + "(?: \\| | )(-?[0-9]+)\\b");
        std::smatch match;
        ASSERT_TRUE(std::regex_search(text, match, stated)) << name;
        EXPECT_EQ(std::stoi(match[1]), value) << name;
    }
    EXPECT_NE(whole.find("(272 bytes)"), std::string::npos);
    EXPECT_EQ(sizeof(ContentDefaultParamStruct), 272u);
}

TEST(ContentAnswer, UnitsDatesAndFullTextBlocks) {
    // Sizes round to the nearest unit; dates are FILETIMEs.
    const std::pair<std::int64_t, int> sizes[] = {
        {1536, 1}, {1535, 1}, {(3 << 20) / 2, 2}, {(1 << 30) / 2 - 1, 3}, {5, 0}};
    const std::int64_t expected[] = {2, 1, 2, 0, 5};
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        EXPECT_EQ(fields::SizeInUnit(sizes[i].first, sizes[i].second), expected[i]) << i;
    }
    EXPECT_EQ(platform::FileTimeOf(0), 116444736000000000u);
    EXPECT_EQ(fields::IsoDate(1700000000), "2023-11-14T22:13:20Z");
    EXPECT_EQ(fields::IsoDate(-1), "1969-12-31T23:59:59Z");
    // Blocks read as the host reads them, at k(maxlen - 1) bytes, with every maxlen: stitched
    // where each may overlap the last by one character (no two neighbours alike, so that where is
    // plain), they give the whole text; no block splits a pair.
    const std::u16string text =
        u"a\U0001F600bc\U0001F4C1\U0001F600d/efgh\U0001F600\r\nij\U0001F600";
    for (int maxlen = 4; maxlen <= 4096; maxlen = maxlen == 64 ? 4096 : maxlen + 1) {
        std::u16string whole;
        std::size_t lastLength = 0;  // of the last block's last character
        for (int k = 0;; ++k) {
            std::vector<char16_t> block(static_cast<std::size_t>(maxlen / 2 + 1), u'#');
            const int type = fields::FullTextBlock(text, k * (maxlen - 1), block.data(), maxlen);
            if (type != ft_fulltextw) {
                EXPECT_EQ(type, ft_fieldempty);
                break;
            }
            const std::u16string got(block.data());
            ASSERT_FALSE(got.empty());
            EXPECT_FALSE(got.back() >= 0xD800 && got.back() <= 0xDBFF) << maxlen;
            EXPECT_FALSE(got.front() >= 0xDC00 && got.front() <= 0xDFFF) << maxlen;
            if (maxlen < 6) {
                whole += got;  // a block of one unit: a pair is stood in for
                continue;
            }
            const std::size_t overlap =
                whole.size() >= lastLength && whole.compare(whole.size() - lastLength, lastLength,
                                                            got, 0, lastLength) == 0
                    ? lastLength
                    : whole.size() >= 1 && whole.back() == got.front();
            whole += got.substr(std::min(overlap, got.size()));
            lastLength =
                got.size() >= 2 && got[got.size() - 2] >= 0xD800 && got[got.size() - 2] <= 0xDBFF
                    ? 2
                    : 1;
        }
        if (maxlen >= 6) {
            EXPECT_EQ(whole, text) << maxlen;
        } else {
            EXPECT_EQ(
                whole,
                u"a\uFFFD\uFFFDbc\uFFFD\uFFFD\uFFFD\uFFFDd/efgh\uFFFD\uFFFD\r\nij\uFFFD\uFFFD")
                << maxlen;
        }
    }
}

}  // namespace

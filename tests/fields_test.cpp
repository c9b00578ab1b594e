#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>

#include "fields/content_abi.h"
#include "fields/content_answer.h"
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
    EXPECT_EQ(fields::FileTimeOf(0), 116444736000000000u);
    EXPECT_EQ(fields::IsoDate(1700000000), "2023-11-14T22:13:20Z");
    EXPECT_EQ(fields::IsoDate(-1), "1969-12-31T23:59:59Z");
    // Blocks of 3 units and their NUL. Read as bytes, each block from where the last one's text
    // ended, they give the whole text, a pair that a block's end would split left out of both;
    // read as if the offsets counted units, they give it overlapping, nothing left out.
    const auto readAll = [](const std::u16string& text, int step) {
        std::u16string read;
        for (int offset = 0;; offset += step) {
            char16_t block[4] = {};
            if (fields::FullTextBlock(text, offset, block, sizeof block) != ft_fulltextw) {
                return read;
            }
            read += block;
        }
    };
    EXPECT_EQ(readAll(u"abcdefg", 6), u"abcdefg");
    EXPECT_EQ(readAll(u"a\U0001F600bcd", 6), u"a\U0001F600bcd");
    EXPECT_EQ(readAll(u"ab\U0001F600cd", 6), u"abcd");
    EXPECT_EQ(readAll(u"abcdefg", 3), u"abcbcddefefgg");
    char16_t block[4] = {};
    EXPECT_EQ(fields::FullTextBlock(u"abc", 6, block, sizeof block), ft_fieldempty);
    EXPECT_EQ(fields::FullTextBlock(u"abc", 3, block, sizeof block), ft_fulltextw);
    EXPECT_EQ(std::u16string(block), u"bc");
}

}  // namespace

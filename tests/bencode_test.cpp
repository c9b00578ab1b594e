#include "torrent/bencode.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using bencode::Kind;
using bencode::Node;
using bencode::NodePtr;

namespace {

struct Decoded {
    NodePtr root;
    bencode::Decoder decoder;
};

Decoded Decode(const std::string& bytes) {
    Decoded result;
    result.decoder = bencode::DecoderFor(bytes.data(), bytes.size());
    result.root = bencode::decode(result.decoder);
    return result;
}

TEST(BencodeDecode, IntegersFollowTheCLibraryConversion) {
    const struct {
        std::string input;
        std::int64_t value;
    } cases[] = {
        {"i0e", 0},
        {"i-0e", 0},
        {"i007e", 7},
        {"i03e", 3},
        {"i+5e", 5},
        {"i 5e", 5},
        {"i\t\n\v\f\r-5e", -5},
        {"i12abce", 12},
        {"i12 e", 12},
        {"i9223372036854775807e", std::numeric_limits<std::int64_t>::max()},
        {"i-9223372036854775808e", std::numeric_limits<std::int64_t>::min()},
        {"i-000000000000000000000000009223372036854775808e",
         std::numeric_limits<std::int64_t>::min()},
        {std::string("i5\0e", 4), 5},
    };
    for (const auto& c : cases) {
        const NodePtr node = Decode(c.input).root;
        ASSERT_TRUE(node) << c.input;
        EXPECT_EQ(node->kind, Kind::Integer) << c.input;
        EXPECT_EQ(node->integer, c.value) << c.input;
    }
}

TEST(BencodeDecode, MalformedInputsGiveNoValue) {
    const std::string cases[] = {
        "",
        "x",
        "e",
        "-1:a",
        "ie",
        "i-e",
        "i+e",
        "ixe",
        "i e",
        "i1",
        "i",
        std::string("i\0"
                    "5e",
                    4),
        "i9223372036854775808e",
        "i-9223372036854775809e",
        "i99999999999999999999999e",
        "4:abc",
        "3abc",
        ":abc",
        "+3:abc",
        " 3:abc",
        "3 :abc",
        "18446744073709551616:a",
        "99999999999999999999999:a",
        "l",
        "li1e",
        "d",
        "d1:a",
        "d1:ai1e",
        "di1ei2ee",
        "d:e",
        "dle",
        "dd1:ai1eei1ee",
        "d1:ae",
    };
    for (const auto& input : cases) {
        EXPECT_FALSE(Decode(input).root) << "input: " << input;
    }
}

TEST(BencodeDecode, StringsKeepTheirBytesAndIgnoreTrailingInput) {
    const NodePtr abc = Decode("3:abcXYZ").root;
    ASSERT_TRUE(abc);
    EXPECT_EQ(abc->kind, Kind::String);
    EXPECT_EQ(abc->bytes, "abc");
    EXPECT_EQ(abc->declaredLength, 3u);

    const NodePtr zeros = Decode("03:abc").root;
    ASSERT_TRUE(zeros);
    EXPECT_EQ(zeros->bytes, "abc");

    const NodePtr withNul = Decode(std::string("3:a\0b", 5)).root;
    ASSERT_TRUE(withNul);
    EXPECT_EQ(withNul->bytes, std::string("a\0b", 3));

    const NodePtr empty = Decode("0:").root;
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->kind, Kind::String);
    EXPECT_TRUE(empty->bytes.empty());
}

TEST(BencodeDecode, ListsKeepOrder) {
    const NodePtr empty = Decode("le").root;
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->kind, Kind::List);
    EXPECT_TRUE(empty->items.empty());

    const NodePtr mixed = Decode("li1e1:ali2eed1:bi3eee").root;
    ASSERT_TRUE(mixed);
    ASSERT_EQ(mixed->items.size(), 4u);
    EXPECT_EQ(mixed->items[0]->integer, 1);
    EXPECT_EQ(mixed->items[1]->bytes, "a");
    EXPECT_EQ(mixed->items[2]->items[0]->integer, 2);
    EXPECT_EQ(Node::find(mixed->items[3].get(), "b")->integer, 3);
}

TEST(BencodeDecode, DictionariesKeepInputOrderAndDuplicates) {
    const NodePtr repeated = Decode("d1:ai1e1:ai2ee").root;
    ASSERT_TRUE(repeated);
    ASSERT_EQ(repeated->entries.size(), 2u);
    EXPECT_EQ(Node::find(repeated.get(), "a")->integer, 1);

    const NodePtr unsorted = Decode("d1:bi1e1:ai2ee").root;
    ASSERT_TRUE(unsorted);
    EXPECT_EQ(unsorted->entries[0].first, "b");
    EXPECT_EQ(unsorted->entries[1].first, "a");

    const NodePtr emptyKey = Decode("d0:i1ee").root;
    ASSERT_TRUE(emptyKey);
    ASSERT_EQ(emptyKey->entries.size(), 1u);
    EXPECT_EQ(Node::find(emptyKey.get(), "")->integer, 1);
}

TEST(BencodeFind, MatchesWholeKeysOfDictionariesOnly) {
    const NodePtr root = Decode("d2:abi1e1:ai2ee").root;
    ASSERT_TRUE(root);
    EXPECT_EQ(Node::find(root.get(), "a")->integer, 2);
    EXPECT_EQ(Node::find(root.get(), "abc"), nullptr);
    EXPECT_EQ(Node::find(nullptr, "a"), nullptr);
    const NodePtr list = Decode("l1:ae").root;
    EXPECT_EQ(Node::find(list.get(), "a"), nullptr);
}

TEST(BencodeInfoSpan, CoversTheFirstTopLevelInfoValue) {
    const std::string input = "d4:infod6:pieces20:" + std::string(20, 'x') + "ee";
    ASSERT_EQ(input.size(), 41u);
    const Decoded d = Decode(input);
    ASSERT_TRUE(d.root);
    EXPECT_EQ(d.decoder.infoStart, 7u);
    EXPECT_EQ(d.decoder.infoEnd, 40u);

    const Decoded twice = Decode("d4:infoi1e4:infoi2ee");
    ASSERT_TRUE(twice.root);
    EXPECT_EQ(twice.decoder.infoStart, 7u);
    EXPECT_EQ(twice.decoder.infoEnd, 10u);
    EXPECT_EQ(Node::find(twice.root.get(), "info")->integer, 1);

    const Decoded nested = Decode("d1:xd4:infoi1eee");
    ASSERT_TRUE(nested.root);
    EXPECT_EQ(nested.decoder.infoEnd, 0u);

    const Decoded none = Decode("d1:ai1ee");
    EXPECT_EQ(none.decoder.infoStart, 0u);
    EXPECT_EQ(none.decoder.infoEnd, 0u);
}

TEST(BencodePieces, ContentIsSkippedOnlyInsideDictionariesOfTheTopLevel) {
    const std::string hashes(20, 'x');
    const NodePtr info = Decode("d4:infod6:pieces20:" + hashes + "ee").root;
    ASSERT_TRUE(info);
    const Node* pieces = Node::find(Node::find(info.get(), "info"), "pieces");
    ASSERT_NE(pieces, nullptr);
    EXPECT_EQ(pieces->kind, Kind::String);
    EXPECT_EQ(pieces->declaredLength, 20u);
    EXPECT_TRUE(pieces->bytes.empty());

    const NodePtr top = Decode("d6:pieces3:abce").root;
    ASSERT_TRUE(top);
    EXPECT_EQ(Node::find(top.get(), "pieces")->bytes, "abc");

    const NodePtr asList = Decode("d4:infod6:piecesl1:aeee").root;
    ASSERT_TRUE(asList);
    const Node* list = Node::find(Node::find(asList.get(), "info"), "pieces");
    ASSERT_EQ(list->kind, Kind::List);
    EXPECT_EQ(list->items[0]->bytes, "a");

    // Lists between dictionaries do not count as levels.
    const NodePtr inList = Decode("d1:xld6:pieces2:abeee").root;
    ASSERT_TRUE(inList);
    const Node* skipped = Node::find(Node::find(inList.get(), "x")->items[0].get(), "pieces");
    EXPECT_EQ(skipped->declaredLength, 2u);
    EXPECT_TRUE(skipped->bytes.empty());

    EXPECT_FALSE(Decode("d4:infod6:pieces30:abee").root);
}

TEST(BencodeNesting, DeepInputFailsWithoutExhaustingTheStack) {
    const std::string deepLists = std::string(200000, 'l') + std::string(200000, 'e');
    EXPECT_FALSE(Decode(deepLists).root);

    std::string deepDictionaries;
    for (int i = 0; i < 100000; ++i)
        deepDictionaries += "d1:a";
    deepDictionaries += "i1e" + std::string(100000, 'e');
    EXPECT_FALSE(Decode(deepDictionaries).root);

    const int limit = bencode::kMaxNesting;
    EXPECT_TRUE(Decode(std::string(limit, 'l') + std::string(limit, 'e')).root);
    EXPECT_FALSE(Decode(std::string(limit + 1, 'l') + std::string(limit + 1, 'e')).root);
}

}  // namespace

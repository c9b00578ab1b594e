#include "torrent/bencode.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using bencode::Kind;
using bencode::Node;

namespace {

// Owns its input, since decoded values are read from it in place; never moved, since they also
// point at its decoder.
struct Decoded {
    explicit Decoded(std::string bytes)
        : input(std::move(bytes)),
          decoder(bencode::DecoderFor(input.data(), input.size())),
          root(bencode::decode(decoder)) {}
    Decoded(const Decoded&) = delete;
    Decoded& operator=(const Decoded&) = delete;

    std::string input;
    bencode::Decoder decoder;
    std::optional<Node> root;
};

std::vector<Node> Items(const Node& list) {
    std::vector<Node> items;
    for (bencode::ElementReader reader(list); !reader.AtEnd();) {
        items.push_back(reader.NextValue());
    }
    return items;
}

std::vector<std::string_view> Keys(const Node& dictionary) {
    std::vector<std::string_view> keys;
    for (bencode::ElementReader reader(dictionary); !reader.AtEnd();) {
        keys.push_back(reader.NextKey());
        reader.NextValue();
    }
    return keys;
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
        const Decoded d(c.input);
        ASSERT_TRUE(d.root) << c.input;
        EXPECT_EQ(d.root->kind, Kind::Integer) << c.input;
        EXPECT_EQ(d.root->integer, c.value) << c.input;
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
        "d4:infod6:pieces30:abee",
    };
    for (const auto& input : cases) {
        const Decoded d(input);
        EXPECT_FALSE(d.root) << "input: " << input;
        // Nothing decoded so far is kept.
        EXPECT_TRUE(d.decoder.containers.empty()) << "input: " << input;
    }
}

TEST(BencodeDecode, StringsAreReadInPlaceAndTrailingInputIgnored) {
    const Decoded abc("3:abcXYZ");
    ASSERT_TRUE(abc.root);
    EXPECT_EQ(abc.root->kind, Kind::String);
    EXPECT_EQ(abc.root->bytes, "abc");
    EXPECT_EQ(abc.root->declaredLength, 3u);
    EXPECT_EQ(abc.root->bytes.data(), abc.input.data() + 2);

    const Decoded zeros("03:abc");
    ASSERT_TRUE(zeros.root);
    EXPECT_EQ(zeros.root->bytes, "abc");

    const Decoded withNul(std::string("3:a\0b", 5));
    ASSERT_TRUE(withNul.root);
    EXPECT_EQ(withNul.root->bytes, std::string_view("a\0b", 3));

    const Decoded empty("0:");
    ASSERT_TRUE(empty.root);
    EXPECT_EQ(empty.root->kind, Kind::String);
    EXPECT_TRUE(empty.root->bytes.empty());

    const std::string hashes(20, 'x');
    const Decoded pieces("d4:infod6:pieces20:" + hashes + "ee");
    const std::optional<Node> value = Node::find(Node::find(pieces.root, "info"), "pieces");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->declaredLength, 20u);
    EXPECT_EQ(value->bytes, hashes);
}

TEST(BencodeDecode, ListsKeepOrder) {
    const Decoded empty("le");
    ASSERT_TRUE(empty.root);
    EXPECT_EQ(empty.root->kind, Kind::List);
    EXPECT_TRUE(Items(*empty.root).empty());

    const Decoded mixed("li1e1:ali2eed1:bi3eee");
    ASSERT_TRUE(mixed.root);
    const std::vector<Node> items = Items(*mixed.root);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].integer, 1);
    EXPECT_EQ(items[1].bytes, "a");
    EXPECT_EQ(Items(items[2])[0].integer, 2);
    EXPECT_EQ(Node::find(items[3], "b")->integer, 3);

    // Anything but a list or dictionary has no elements to read.
    EXPECT_TRUE(Items(items[1]).empty());
    EXPECT_TRUE(Items(items[0]).empty());
}

// Reading steps over nested lists and dictionaries by their recorded extent: every sibling
// after one must still be found, however deep the one before it went.
TEST(BencodeDecode, ValuesAfterNestedContainersAreReadWhole) {
    const Decoded d("d1:ald1:bleeli1eee1:cd1:dl1:xdeee1:ei7ee");
    ASSERT_TRUE(d.root);
    EXPECT_EQ(Keys(*d.root), (std::vector<std::string_view>{"a", "c", "e"}));
    EXPECT_EQ(Node::find(d.root, "e")->integer, 7);

    const std::vector<Node> a = Items(*Node::find(d.root, "a"));
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0].kind, Kind::Dictionary);
    EXPECT_TRUE(Items(*Node::find(a[0], "b")).empty());
    EXPECT_EQ(Items(a[1]).at(0).integer, 1);

    const std::vector<Node> cd = Items(*Node::find(Node::find(d.root, "c"), "d"));
    ASSERT_EQ(cd.size(), 2u);
    EXPECT_EQ(cd[0].bytes, "x");
    EXPECT_EQ(cd[1].kind, Kind::Dictionary);
    EXPECT_TRUE(Keys(cd[1]).empty());
}

TEST(BencodeDecode, DictionariesKeepInputOrderAndDuplicates) {
    const Decoded repeated("d1:ai1e1:ai2ee");
    ASSERT_TRUE(repeated.root);
    EXPECT_EQ(Keys(*repeated.root), (std::vector<std::string_view>{"a", "a"}));
    EXPECT_EQ(Node::find(repeated.root, "a")->integer, 1);

    const Decoded unsorted("d1:bi1e1:ai2ee");
    ASSERT_TRUE(unsorted.root);
    EXPECT_EQ(Keys(*unsorted.root), (std::vector<std::string_view>{"b", "a"}));

    const Decoded emptyKey("d0:i1ee");
    ASSERT_TRUE(emptyKey.root);
    EXPECT_EQ(Keys(*emptyKey.root), (std::vector<std::string_view>{""}));
    EXPECT_EQ(Node::find(emptyKey.root, "")->integer, 1);
}

TEST(BencodeFind, MatchesWholeKeysOfDictionariesOnly) {
    const Decoded root("d2:abi1e1:ai2ee");
    ASSERT_TRUE(root.root);
    EXPECT_EQ(Node::find(root.root, "a")->integer, 2);
    EXPECT_FALSE(Node::find(root.root, "abc"));
    EXPECT_FALSE(Node::find(std::nullopt, "a"));
    const Decoded list("l1:ae");
    EXPECT_FALSE(Node::find(list.root, "a"));
}

TEST(BencodeInfoSpan, CoversTheFirstTopLevelInfoValue) {
    const std::string input = "d4:infod6:pieces20:" + std::string(20, 'x') + "ee";
    ASSERT_EQ(input.size(), 41u);
    const Decoded d(input);
    ASSERT_TRUE(d.root);
    EXPECT_EQ(d.decoder.infoStart, 7u);
    EXPECT_EQ(d.decoder.infoEnd, 40u);

    const Decoded twice("d4:infoi1e4:infoi2ee");
    ASSERT_TRUE(twice.root);
    EXPECT_EQ(twice.decoder.infoStart, 7u);
    EXPECT_EQ(twice.decoder.infoEnd, 10u);
    EXPECT_EQ(Node::find(twice.root, "info")->integer, 1);

    const Decoded nested("d1:xd4:infoi1eee");
    ASSERT_TRUE(nested.root);
    EXPECT_EQ(nested.decoder.infoEnd, 0u);

    const Decoded none("d1:ai1ee");
    EXPECT_EQ(none.decoder.infoStart, 0u);
    EXPECT_EQ(none.decoder.infoEnd, 0u);
}

TEST(BencodeNesting, DeepInputFailsWithoutExhaustingTheStack) {
    EXPECT_FALSE(Decoded(std::string(200000, 'l') + std::string(200000, 'e')).root);

    std::string deepDictionaries;
    for (int i = 0; i < 100000; ++i)
        deepDictionaries += "d1:a";
    deepDictionaries += "i1e" + std::string(100000, 'e');
    EXPECT_FALSE(Decoded(deepDictionaries).root);

    const int limit = bencode::kMaxNesting;
    const Decoded deepest(std::string(limit, 'l') + std::string(limit, 'e'));
    ASSERT_TRUE(deepest.root);
    Node node = *deepest.root;
    for (int level = 1; level < limit; ++level) {
        node = Items(node).at(0);
    }
    EXPECT_TRUE(Items(node).empty());
    EXPECT_FALSE(Decoded(std::string(limit + 1, 'l') + std::string(limit + 1, 'e')).root);
}

}  // namespace

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "torrent/bencode.h"

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
    for (bencode::ElementReader reader(dictionary); !reader.AtEnd(); reader.NextValue()) {
        keys.push_back(reader.NextKey());
    }
    return keys;
}

TEST(Decoder, MalformedInputGivesNothingAndKeepsNothing) {
    // clang-format off
    const std::string cases[] = {
        "", "x", "e", "-1:a", "ie", "i-e", "i+e", "ixe", "i e", "i1", "i", std::string("i\0" "5e", 4),
        "i9223372036854775808e", "i-9223372036854775809e", "4:abc", "3abc", ":abc", "+3:abc",
        " 3:abc", "3 :abc", "18446744073709551616:a", "l", "li1e", "d", "d1:a", "d1:ai1e",
        "di1ei2ee", "d:e", "dle", "d1:ae", "d4:infod6:pieces30:abee"};
    // clang-format on
    for (const auto& input : cases) {
        const Decoded d(input);
        EXPECT_FALSE(d.root) << input;
        EXPECT_TRUE(d.decoder.containers.empty()) << input;
    }
}

TEST(Decoder, ContainersKeepInputOrderDuplicatesAndEveryValueAfterDeepNesting) {
    // Reading steps over a nested value by its recorded extent: a wrong extent shows as a wrong
    // sibling after it.
    const Decoded d("d1:ald1:bleeli1eee1:cd1:dl1:xdeee1:bi1e1:ai2e1:bi3e0:i4ee");
    ASSERT_TRUE(d.root);
    EXPECT_EQ(Keys(*d.root), (std::vector<std::string_view>{"a", "c", "b", "a", "b", ""}));
    EXPECT_EQ(Node::find(d.root, "b")->integer + Node::find(d.root, "")->integer, 5);
    const std::vector<Node> a = Items(*Node::find(d.root, "a"));
    ASSERT_EQ(a.size(), 2u);
    EXPECT_TRUE(Items(*Node::find(a[0], "b")).empty());
    EXPECT_EQ(Items(a[1]).at(0).integer, 1);
    const std::vector<Node> cd = Items(*Node::find(Node::find(d.root, "c"), "d"));
    ASSERT_EQ(cd.size(), 2u);
    EXPECT_EQ(cd[0].bytes, "x");
    EXPECT_TRUE(Keys(cd[1]).empty());
    // Only dictionaries have keys.
    EXPECT_FALSE(Node::find(d.root, "ab") || Node::find(a[1], "a") ||
                 Node::find(std::nullopt, "a"));
}

TEST(Decoder, NestingIsBoundedWithoutExhaustingTheStack) {
    const int limit = bencode::kMaxNesting;
    EXPECT_TRUE(Decoded(std::string(limit, 'l') + std::string(limit, 'e')).root);
    EXPECT_FALSE(Decoded(std::string(limit + 1, 'l') + std::string(limit + 1, 'e')).root);
    EXPECT_FALSE(Decoded(std::string(200000, 'l') + std::string(200000, 'e')).root);
    std::string dictionaries;
    for (int i = 0; i < 100000; ++i) {
        dictionaries += "d1:a";
    }
    EXPECT_FALSE(Decoded(dictionaries + "i1e" + std::string(100000, 'e')).root);
}

}  // namespace

#pragma once

// Bencode decoder for metainfo files.
//
// The input is read in place, once. Every value becomes a Node held through a shared handle;
// a List owns its items and a Dictionary its values, so releasing the root releases the tree.
// Dictionaries keep their entries in input order with duplicates, and Node::find returns the
// first match. Decoding fails as a whole: a malformed input gives a null handle, never a
// partial tree.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bencode {

// Lists and dictionaries open at once. Metainfo needs a handful of levels; the bound keeps a
// hostile file of nested lists from exhausting the stack of the host's thread.
inline constexpr std::int32_t kMaxNesting = 256;

enum class Kind : std::int32_t { Integer = 0, String = 1, List = 2, Dictionary = 3 };

struct Node;
using NodePtr = std::shared_ptr<Node>;

struct Node {
    Kind kind = Kind::Integer;
    std::int64_t integer = 0;
    // A String's content; left empty for a "pieces" value inside the info dictionary, whose
    // length alone is needed.
    std::string bytes;
    std::uint64_t declaredLength = 0;
    std::vector<NodePtr> items;
    std::vector<std::pair<std::string, NodePtr>> entries;

    // The value of the first entry of `node` whose key equals `key`, or null when `node` is
    // null, not a Dictionary or has no such entry. Valid while the root is held.
    static const Node* find(const Node* node, std::string_view key);
};

// The state of one decoding run. After decode, infoStart and infoEnd hold the byte span of
// the first top-level "info" value (both 0 when there was none).
struct Decoder {
    std::uint64_t infoStart = 0;
    std::uint64_t infoEnd = 0;
    const char* begin = nullptr;
    const char* cursor = nullptr;
    const char* end = nullptr;
    std::int32_t depth = 0;    // dictionaries open; the info dictionary sits at depth 2
    std::int32_t nesting = 0;  // lists and dictionaries open, bounded by kMaxNesting
};

Decoder DecoderFor(const char* data, std::size_t size);

// Decodes exactly one value at the cursor; bytes after it are never looked at. Returns null on
// any malformed input or when memory runs out.
NodePtr decode(Decoder& decoder) noexcept;

}  // namespace bencode

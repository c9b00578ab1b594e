#pragma once

// Bencode decoder for metainfo files.
//
// Decoding checks the whole input in one pass and keeps only where each list and dictionary
// ends; values are then read in place, straight from the input, as they are looked up. A file
// of 200,000 file entries thus costs a few megabytes beside its own bytes rather than a node,
// a reference count and a copy per value. Dictionaries keep their entries in input order with
// duplicates, and Node::find returns the first match. Decoding fails as a whole: a malformed
// input gives no value at all, so reading a decoded value can no longer fail.

#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>

namespace bencode {

// Lists and dictionaries open at once. Metainfo needs a handful of levels; the bound keeps a
// hostile file of nested lists from exhausting the stack of the host's thread.
inline constexpr std::int32_t kMaxNesting = 256;

enum class Kind : std::int32_t { Integer = 0, String = 1, List = 2, Dictionary = 3 };

// Inputs this long or longer are refused, so that an extent fits in 32-bit offsets: the table
// then costs 8 bytes per list or dictionary, a few megabytes for 200,000 file entries.
inline constexpr std::uint64_t kMaxInputBytes = 0xFFFFFFFF;

// Where one list or dictionary ends, so that a lookup steps over it without reading it again.
struct ContainerExtent {
    std::uint32_t end = 0;   // offset one past its closing "e"
    std::uint32_t next = 0;  // the extent of the first list or dictionary that opens after it
};

// The state of one decoding run, and afterwards the decoded form of its input. After decode,
// infoStart and infoEnd hold the byte span of the first top-level "info" value (both 0 when
// there was none).
struct Decoder {
    std::uint64_t infoStart = 0;
    std::uint64_t infoEnd = 0;
    const char* begin = nullptr;
    const char* cursor = nullptr;
    const char* end = nullptr;
    std::int32_t depth = 0;    // dictionaries open; the info dictionary sits at depth 2
    std::int32_t nesting = 0;  // lists and dictionaries open, bounded by kMaxNesting
    // In the order of their opening bytes. A deque, so that a file of many small dictionaries
    // never needs the whole table twice while it grows.
    std::deque<ContainerExtent> containers;
};

Decoder DecoderFor(const char* data, std::size_t size);

// One decoded value, read from the input in place. Valid while the decoder that produced it
// stays where it is and the input it read is alive; copying one is cheap.
struct Node {
    Kind kind = Kind::Integer;
    std::int64_t integer = 0;
    std::string_view bytes;  // a String's content
    std::uint64_t declaredLength = 0;
    // A List's or Dictionary's first element, and its row in the decoder's containers.
    const char* first = nullptr;
    std::uint32_t container = 0;
    const Decoder* decoder = nullptr;

    // The value of the first entry of `node` whose key equals `key`, or nothing when `node` is
    // absent, not a Dictionary or has no such entry.
    static std::optional<Node> find(const std::optional<Node>& node, std::string_view key);
};

// Reads the elements of a List, or the entries of a Dictionary, in input order; any other value
// reads as empty. For a Dictionary, call NextKey before each NextValue.
class ElementReader {
  public:
    explicit ElementReader(const Node& container);

    bool AtEnd() const;
    std::string_view NextKey();
    Node NextValue();

  private:
    const Decoder* decoder_;
    const char* cursor_;
    std::uint32_t nextContainer_;
};

// Checks exactly one value at the cursor; bytes after it are never looked at. Returns the value,
// or nothing on any malformed input, an input of kMaxInputBytes or more, or when memory runs out.
std::optional<Node> decode(Decoder& decoder) noexcept;

}  // namespace bencode

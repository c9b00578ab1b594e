#include "torrent/bencode.h"

#include <cstring>
#include <limits>

namespace bencode {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool Available(const Decoder& d) {
    return d.cursor < d.end;
}

// The integer text as the C library's strtoll reads it: leading white space, an optional sign,
// the longest run of digits, anything after them ignored. A NUL before the digits ends the text
// there, which leaves no digit, so it needs no case of its own.
bool ConvertIntegerText(const char* text, const char* textEnd, std::int64_t& value) {
    const char* p = text;
    while (p < textEnd && IsSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (p < textEnd && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // Accumulated as a negative number, whose range is the larger one.
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    std::int64_t accumulated = 0;
    bool anyDigit = false;
    for (; p < textEnd && IsDigit(*p); ++p) {
        const int digit = *p - '0';
        if (accumulated < (kMin + digit) / 10) {
            return false;
        }
        accumulated = accumulated * 10 - digit;
        anyDigit = true;
    }
    if (!anyDigit) {
        return false;
    }
    if (!negative) {
        if (accumulated == kMin) {
            return false;
        }
        accumulated = -accumulated;
    }
    value = accumulated;
    return true;
}

NodePtr DecodeValue(Decoder& d);

NodePtr DecodeInteger(Decoder& d) {
    ++d.cursor;  // the "i"
    const char* text = d.cursor;
    const auto* close =
        static_cast<const char*>(std::memchr(text, 'e', static_cast<std::size_t>(d.end - text)));
    if (close == nullptr) {
        return nullptr;
    }
    d.cursor = close + 1;
    if (close == text || (close - text == 1 && *text == '-')) {
        return nullptr;
    }
    std::int64_t value = 0;
    if (!ConvertIntegerText(text, close, value)) {
        return nullptr;
    }
    auto node = std::make_shared<Node>();
    node->integer = value;
    return node;
}

// Reads a string's length prefix and its ":", leaving the cursor on the content; false when
// the prefix is malformed or the content runs past the end.
bool ReadStringLength(Decoder& d, std::uint64_t& length) {
    length = 0;
    bool anyDigit = false;
    for (;;) {
        if (!Available(d)) {
            return false;
        }
        const char c = *d.cursor++;
        if (c == ':') {
            break;
        }
        if (!IsDigit(c)) {
            return false;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (length > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) {
            return false;
        }
        length = length * 10 + digit;
        anyDigit = true;
    }
    return anyDigit && length <= static_cast<std::uint64_t>(d.end - d.cursor);
}

NodePtr DecodeString(Decoder& d, bool storeContent) {
    std::uint64_t length = 0;
    if (!ReadStringLength(d, length)) {
        return nullptr;
    }
    auto node = std::make_shared<Node>();
    node->kind = Kind::String;
    node->declaredLength = length;
    if (storeContent) {
        node->bytes.assign(d.cursor, static_cast<std::size_t>(length));
    }
    d.cursor += length;
    return node;
}

// A dictionary key is a string read straight into the entry, without a node of its own.
bool DecodeKey(Decoder& d, std::string& key) {
    std::uint64_t length = 0;
    if (!ReadStringLength(d, length)) {
        return false;
    }
    key.assign(d.cursor, static_cast<std::size_t>(length));
    d.cursor += length;
    return true;
}

NodePtr DecodeList(Decoder& d) {
    ++d.cursor;  // the "l"
    auto node = std::make_shared<Node>();
    node->kind = Kind::List;
    for (;;) {
        if (!Available(d)) {
            return nullptr;
        }
        if (*d.cursor == 'e') {
            ++d.cursor;
            return node;
        }
        NodePtr item = DecodeValue(d);
        if (!item) {
            return nullptr;
        }
        node->items.push_back(std::move(item));
    }
}

NodePtr DecodeDictionary(Decoder& d) {
    ++d.cursor;  // the "d"
    ++d.depth;
    auto node = std::make_shared<Node>();
    node->kind = Kind::Dictionary;
    for (;;) {
        if (!Available(d)) {
            return nullptr;
        }
        if (*d.cursor == 'e') {
            ++d.cursor;
            --d.depth;
            return node;
        }
        std::string key;
        if (!DecodeKey(d, key)) {
            return nullptr;
        }
        const char* valueStart = d.cursor;
        NodePtr value;
        // Only the piece hashes' length is needed, and they are usually most of the file.
        if (d.depth == 2 && key == "pieces" && Available(d) && IsDigit(*d.cursor)) {
            value = DecodeString(d, false);
        } else {
            value = DecodeValue(d);
        }
        if (!value) {
            return nullptr;
        }
        if (d.depth == 1 && d.infoEnd == 0 && key == "info") {
            d.infoStart = static_cast<std::uint64_t>(valueStart - d.begin);
            d.infoEnd = static_cast<std::uint64_t>(d.cursor - d.begin);
        }
        node->entries.emplace_back(std::move(key), std::move(value));
    }
}

NodePtr DecodeNested(Decoder& d, NodePtr (*decodeContainer)(Decoder&)) {
    if (d.nesting == kMaxNesting) {
        return nullptr;
    }
    ++d.nesting;
    NodePtr node = decodeContainer(d);
    --d.nesting;
    return node;
}

NodePtr DecodeValue(Decoder& d) {
    if (!Available(d)) {
        return nullptr;
    }
    const char c = *d.cursor;
    if (c == 'i') {
        return DecodeInteger(d);
    }
    if (c == 'l') {
        return DecodeNested(d, DecodeList);
    }
    if (c == 'd') {
        return DecodeNested(d, DecodeDictionary);
    }
    if (IsDigit(c)) {
        return DecodeString(d, true);
    }
    return nullptr;
}

}  // namespace

const Node* Node::find(const Node* node, std::string_view key) {
    if (node == nullptr || node->kind != Kind::Dictionary) {
        return nullptr;
    }
    for (const auto& [entryKey, value] : node->entries) {
        if (entryKey == key) {
            return value.get();
        }
    }
    return nullptr;
}

Decoder DecoderFor(const char* data, std::size_t size) {
    Decoder decoder;
    decoder.begin = data;
    decoder.cursor = data;
    decoder.end = data + size;
    return decoder;
}

NodePtr decode(Decoder& decoder) noexcept {
    try {
        return DecodeValue(decoder);
    } catch (...) {
        // Only allocation can throw here; a file too large to hold decoded is not a torrent.
        return nullptr;
    }
}

}  // namespace bencode

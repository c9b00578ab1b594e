#include "torrent/bencode.h"

#include <cstring>
#include <limits>
#include <string_view>

#include "platform/decimal.h"

namespace bencode {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool Available(const Decoder& d) {
    return d.cursor < d.end;
}

// Integers and strings are read by the same code while decoding checks them and when a checked
// value is read again later.

// An integer from its "i" through its "e"; false when the text is malformed or out of range.
// The text between is read as the C library's strtoll reads it (i007e is 7, i12abce is 12).
bool ScanInteger(const char*& cursor, const char* end, std::int64_t& value) {
    const char* text = cursor + 1;
    const auto* close =
        static_cast<const char*>(std::memchr(text, 'e', static_cast<std::size_t>(end - text)));
    if (close == nullptr) {
        return false;
    }
    cursor = close + 1;
    if (close == text || (close - text == 1 && *text == '-')) {
        return false;
    }
    const platform::LeadingDecimal number = platform::ReadLeadingDecimal(
        std::string_view(text, static_cast<std::size_t>(close - text)));
    value = number.value;
    return number.digits && number.inRange;
}

// A string from its length prefix through its content; false when the prefix is malformed or
// the content runs past the end.
bool ScanString(const char*& cursor, const char* end, std::string_view& content) {
    std::uint64_t length = 0;
    bool anyDigit = false;
    for (;;) {
        if (cursor == end) {
            return false;
        }
        const char c = *cursor++;
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
    if (!anyDigit || length > static_cast<std::uint64_t>(end - cursor)) {
        return false;
    }
    content = std::string_view(cursor, static_cast<std::size_t>(length));
    cursor += length;
    return true;
}

bool CheckValue(Decoder& d);

bool CheckList(Decoder& d) {
    ++d.cursor;  // the "l"
    for (;;) {
        if (!Available(d)) {
            return false;
        }
        if (*d.cursor == 'e') {
            ++d.cursor;
            return true;
        }
        if (!CheckValue(d)) {
            return false;
        }
    }
}

bool CheckDictionary(Decoder& d) {
    ++d.cursor;  // the "d"
    ++d.depth;
    for (;;) {
        if (!Available(d)) {
            return false;
        }
        if (*d.cursor == 'e') {
            ++d.cursor;
            --d.depth;
            return true;
        }
        std::string_view key;
        if (!ScanString(d.cursor, d.end, key)) {
            return false;
        }
        const char* valueStart = d.cursor;
        if (!CheckValue(d)) {
            return false;
        }
        if (d.depth == 1 && d.infoEnd == 0 && key == "info") {
            d.infoStart = static_cast<std::uint64_t>(valueStart - d.begin);
            d.infoEnd = static_cast<std::uint64_t>(d.cursor - d.begin);
        }
    }
}

bool CheckContainer(Decoder& d, bool (*checkElements)(Decoder&)) {
    if (d.nesting == kMaxNesting) {
        return false;
    }
    ++d.nesting;
    const std::size_t row = d.containers.size();
    d.containers.emplace_back();
    if (!checkElements(d)) {
        return false;
    }
    --d.nesting;
    d.containers[row] = {static_cast<std::uint32_t>(d.cursor - d.begin),
                         static_cast<std::uint32_t>(d.containers.size())};
    return true;
}

bool CheckValue(Decoder& d) {
    if (!Available(d)) {
        return false;
    }
    const char c = *d.cursor;
    if (c == 'i') {
        std::int64_t value = 0;
        return ScanInteger(d.cursor, d.end, value);
    }
    if (c == 'l') {
        return CheckContainer(d, CheckList);
    }
    if (c == 'd') {
        return CheckContainer(d, CheckDictionary);
    }
    std::string_view content;
    return IsDigit(c) && ScanString(d.cursor, d.end, content);
}

// Reads the value at `at`, which decoding has already checked, and moves `at` past it;
// `nextContainer` is the row of the first list or dictionary at or after `at`.
Node ReadValue(const Decoder& d, const char*& at, std::uint32_t& nextContainer) {
    Node node;
    node.decoder = &d;
    const char c = *at;
    if (c == 'i') {
        ScanInteger(at, d.end, node.integer);
    } else if (c == 'l' || c == 'd') {
        node.kind = c == 'l' ? Kind::List : Kind::Dictionary;
        node.first = at + 1;
        node.container = nextContainer;
        const ContainerExtent& extent = d.containers[nextContainer];
        at = d.begin + extent.end;
        nextContainer = extent.next;
    } else {
        node.kind = Kind::String;
        ScanString(at, d.end, node.bytes);
        node.declaredLength = node.bytes.size();
    }
    return node;
}

}  // namespace

ElementReader::ElementReader(const Node& container)
    : decoder_(container.decoder),
      cursor_(container.first),
      nextContainer_(container.container + 1) {}

bool ElementReader::AtEnd() const {
    return cursor_ == nullptr || *cursor_ == 'e';
}

std::string_view ElementReader::NextKey() {
    return ReadValue(*decoder_, cursor_, nextContainer_).bytes;
}

Node ElementReader::NextValue() {
    return ReadValue(*decoder_, cursor_, nextContainer_);
}

std::optional<Node> Node::find(const std::optional<Node>& node, std::string_view key) {
    if (!node || node->kind != Kind::Dictionary) {
        return std::nullopt;
    }
    for (ElementReader entries(*node); !entries.AtEnd();) {
        const std::string_view entryKey = entries.NextKey();
        const Node value = entries.NextValue();
        if (entryKey == key) {
            return value;
        }
    }
    return std::nullopt;
}

Decoder DecoderFor(const char* data, std::size_t size) {
    Decoder decoder;
    decoder.begin = data;
    decoder.cursor = data;
    decoder.end = data + size;
    return decoder;
}

std::optional<Node> decode(Decoder& decoder) noexcept {
    try {
        const char* start = decoder.cursor;
        auto firstContainer = static_cast<std::uint32_t>(decoder.containers.size());
        if (static_cast<std::uint64_t>(decoder.end - decoder.begin) < kMaxInputBytes &&
            CheckValue(decoder)) {
            return ReadValue(decoder, start, firstContainer);
        }
    } catch (...) {
        // Only the table of containers allocates; a file too large to hold it is not a torrent.
    }
    decoder.containers.clear();
    return std::nullopt;
}

}  // namespace bencode

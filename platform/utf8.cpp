#include "platform/utf8.h"

namespace {

// How many continuation bytes a lead byte needs, and the range its first one must lie in; the
// ranges are what exclude overlong forms, surrogates and code points above U+10FFFF.
struct LeadByte {
    int continuations = 0;
    unsigned char firstLow = 0x80;
    unsigned char firstHigh = 0xBF;
};

LeadByte Classify(unsigned char byte) {
    if (byte >= 0xC2 && byte <= 0xDF)
        return {1, 0x80, 0xBF};
    if (byte == 0xE0)
        return {2, 0xA0, 0xBF};
    if (byte == 0xED)
        return {2, 0x80, 0x9F};
    if (byte >= 0xE1 && byte <= 0xEF)
        return {2, 0x80, 0xBF};
    if (byte == 0xF0)
        return {3, 0x90, 0xBF};
    if (byte >= 0xF1 && byte <= 0xF3)
        return {3, 0x80, 0xBF};
    if (byte == 0xF4)
        return {3, 0x80, 0x8F};
    return {};
}

// The length of the well-formed sequence starting at `i`, or 0 when that byte is bad.
std::size_t SequenceLength(std::string_view bytes, std::size_t i) {
    const LeadByte lead = Classify(static_cast<unsigned char>(bytes[i]));
    if (lead.continuations == 0 ||
        bytes.size() - i <= static_cast<std::size_t>(lead.continuations)) {
        return 0;
    }
    for (int k = 1; k <= lead.continuations; ++k) {
        const auto byte = static_cast<unsigned char>(bytes[i + k]);
        const unsigned char low = k == 1 ? lead.firstLow : 0x80;
        const unsigned char high = k == 1 ? lead.firstHigh : 0xBF;
        if (byte < low || byte > high) {
            return 0;
        }
    }
    return static_cast<std::size_t>(lead.continuations) + 1;
}

}  // namespace

std::string SanitizeUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t run = i;
        while (run < bytes.size() && static_cast<unsigned char>(bytes[run]) < 0x80) {
            ++run;
        }
        out.append(bytes.data() + i, run - i);
        i = run;
        if (i == bytes.size()) {
            break;
        }
        const std::size_t length = SequenceLength(bytes, i);
        if (length == 0) {
            out.append("\xEF\xBF\xBD");
            ++i;
        } else {
            out.append(bytes.data() + i, length);
            i += length;
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = SequenceLength(bytes, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::size_t Utf16Length(std::string_view bytes) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length =
            static_cast<unsigned char>(bytes[i]) < 0x80 ? 1 : SequenceLength(bytes, i);
        units += length == 4 ? 2 : 1;  // four bytes: a code point beyond the basic plane
        i += length == 0 ? 1 : length;
    }
    return units;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::u16string Utf16FromUtf8(std::string_view valid) {
    std::u16string wide;
    wide.reserve(valid.size());
    for (std::size_t i = 0; i < valid.size();) {
        // Each sequence's length is in its first byte.
        const auto lead = static_cast<unsigned char>(valid[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x7Fu >> length);
        for (std::size_t k = 1; k < length && i + k < valid.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(valid[i + k]) & 0x3Fu);
        }
        if (c >= 0x10000) {
            wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            wide += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<char16_t>(c);
        }
        i += length;
    }
    return wide;
}

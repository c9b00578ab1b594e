#include "archive/detect.h"

#include <cstdint>

namespace archive {
namespace {

// Reads a byte string at `at`; its bytes, or false when it is malformed or runs past the end.
bool ReadString(std::string_view text, std::size_t& at, std::string_view& bytes) {
    std::uint64_t length = 0;
    std::size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++digits) {
        if (digits == 18) {
            return false;
        }
        length = length * 10 + static_cast<std::uint64_t>(text[at] - '0');
    }
    if (digits == 0 || at >= text.size() || text[at] != ':' || length > text.size() - at - 1) {
        return false;
    }
    bytes = text.substr(at + 1, static_cast<std::size_t>(length));
    at += 1 + static_cast<std::size_t>(length);
    return true;
}

// Steps over one value at `at`, lists and dictionaries to any depth, without recursion.
bool SkipValue(std::string_view text, std::size_t& at) {
    std::size_t depth = 0;
    do {
        if (at >= text.size()) {
            return false;
        }
        const char c = text[at];
        std::string_view ignored;
        if (c == 'i') {
            const std::size_t end = text.find('e', at);
            if (end == std::string_view::npos || end == at + 1) {
                return false;
            }
            at = end + 1;
        } else if (c == 'l' || c == 'd') {
            ++depth;
            ++at;
            continue;
        } else if (c == 'e' && depth > 0) {
            --depth;
            ++at;
        } else if (!ReadString(text, at, ignored)) {
            return false;
        }
    } while (depth > 0);
    return true;
}

}  // namespace

bool BeginsLikeTorrent(std::string_view head) {
    head = head.substr(0, kDetectBytes);
    if (head.empty() || head.front() != 'd') {
        return false;
    }
    std::size_t at = 1;
    std::string_view key;
    while (at < head.size() && head[at] != 'e' && ReadString(head, at, key)) {
        if (key == "info") {
            return at < head.size() && head[at] == 'd';
        }
        if (!SkipValue(head, at)) {
            return false;
        }
    }
    return false;
}

}  // namespace archive

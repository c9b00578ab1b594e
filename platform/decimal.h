#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

namespace platform {

// A decimal integer at the start of a text, read as the C library's strtoll reads it: blanks
// (space, tab, line feed, vertical tab, form feed, carriage return), an optional sign, then the
// longest run of digits. Whatever follows the digits is left alone, so a NUL or any other byte
// simply ends the number.
struct LeadingDecimal {
    std::int64_t value = 0;  // saturated at the signed 64-bit range
    bool digits = false;     // whether any digit was read
    bool inRange = true;     // false when the number lies outside the signed 64-bit range
};

template <typename Char>
LeadingDecimal ReadLeadingDecimal(std::basic_string_view<Char> text) {
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::size_t at = 0;
    while (at < text.size() &&
           (text[at] == ' ' || (text[at] >= Char('\t') && text[at] <= Char('\r')))) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == Char('+') || text[at] == Char('-'))) {
        negative = text[at] == Char('-');
        ++at;
    }
    LeadingDecimal result;
    // Accumulated as a negative number, whose range is the larger one.
    std::int64_t accumulated = 0;
    for (; at < text.size() && text[at] >= Char('0') && text[at] <= Char('9'); ++at) {
        const int digit = static_cast<int>(text[at] - Char('0'));
        result.digits = true;
        if (!result.inRange || accumulated < (kMin + digit) / 10) {
            result.inRange = false;
            continue;
        }
        accumulated = accumulated * 10 - digit;
    }
    if (!result.inRange) {
        result.value = negative ? kMin : kMax;
    } else if (negative) {
        result.value = accumulated;
    } else if (accumulated == kMin) {
        result.inRange = false;
        result.value = kMax;
    } else {
        result.value = -accumulated;
    }
    return result;
}

}  // namespace platform

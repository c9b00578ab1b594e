#pragma once

#include <string>
#include <string_view>

namespace platform {

inline constexpr char kLowerHexDigits[] = "0123456789abcdef";

// Two lower-case hexadecimal digits per byte.
inline std::string LowerHex(std::string_view bytes) {
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        hex += kLowerHexDigits[value >> 4];
        hex += kLowerHexDigits[value & 0xF];
    }
    return hex;
}

// The value of a hexadecimal digit of either case, or -1.
inline int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace platform

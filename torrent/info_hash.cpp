#include "torrent/info_hash.h"

#include <cstdint>
#include <limits>

#include "platform/digest.h"

std::string HashHex(const wchar_t* algorithm, const void* data, std::size_t length) {
    // The platform takes a 32-bit count; the file size limit keeps real spans far below it.
    if (length > std::numeric_limits<std::uint32_t>::max()) {
        return {};
    }
    const std::string digest =
        platform::ComputeDigest(algorithm, data, static_cast<std::uint32_t>(length));
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(digest.size() * 2);
    for (const char byte : digest) {
        const auto value = static_cast<unsigned char>(byte);
        hex += kHex[value >> 4];
        hex += kHex[value & 0xF];
    }
    return hex;
}

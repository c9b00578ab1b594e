#include "torrent/info_hash.h"

#include <cstdint>
#include <limits>

#include "platform/digest.h"
#include "platform/hex.h"

std::string HashHex(const wchar_t* algorithm, const void* data, std::size_t length) {
    // The platform takes a 32-bit count; the file size limit keeps real spans far below it.
    if (length > std::numeric_limits<std::uint32_t>::max()) {
        return {};
    }
    const std::string digest =
        platform::ComputeDigest(algorithm, data, static_cast<std::uint32_t>(length));
    return platform::LowerHex(digest);
}

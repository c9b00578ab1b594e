#pragma once

#include <cstddef>
#include <string_view>

namespace archive {

// How much of a file detection reads.
inline constexpr std::size_t kDetectBytes = 64 * 1024;

// Whether a file's first bytes begin a bencoded dictionary whose "info" key holds a dictionary,
// every key and value before it well formed. A torrent whose "info" starts past these bytes is
// not recognised; nothing is ever read past them.
bool BeginsLikeTorrent(std::string_view head);

}  // namespace archive

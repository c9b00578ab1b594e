#pragma once

#include <cstddef>
#include <string>

namespace generator {

// A single-file torrent whose info dictionary holds `pieceCount` piece hashes (20 bytes each).
std::string SingleFileTorrent(std::size_t pieceCount);

// A multi-file torrent of `fileCount` files spread over `topDirectories` x `subDirectories`
// folders below the torrent's own folder, named as a real collection would be.
std::string MultiFileTorrent(std::size_t fileCount, std::size_t topDirectories,
                             std::size_t subDirectories);

}  // namespace generator

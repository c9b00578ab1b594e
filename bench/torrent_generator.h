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

// Hostile shapes of a few hundred kilobytes to a few megabytes, each once slow or large:
// `count` distinct trackers, one per tier;
std::string ManyTrackersTorrent(std::size_t count);
// `fileCount` files in one folder whose name is `folderNameBytes` long (version 2);
std::string LongFolderTorrent(std::size_t folderNameBytes, std::size_t fileCount);
// `fileCount` files each named `nameBytes` times "a";
std::string LongNamesTorrent(std::size_t nameBytes, std::size_t fileCount);
// a single file whose name is `nameBytes` bytes of 0x01, each six bytes in a document.
std::string ControlNameTorrent(std::size_t nameBytes);

}  // namespace generator

#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "platform/file_read.h"
#include "torrent/torrent_info.h"

namespace torrent {

// Metainfo files larger than this are refused; it bounds memory to the file plus its tree.
inline constexpr std::uint64_t kMaxTorrentFileBytes = 64 * 1024 * 1024 - 1;

// What became of a file asked to be read as a torrent.
enum class LoadStatus {
    Ready,
    CannotRead,  // missing, a folder, locked for writing, or the read failed
    Empty,
    TooLarge,        // above kMaxTorrentFileBytes
    NotATorrent,     // not a bencoded dictionary holding a dictionary under "info"
    TooLargeToShow,  // asks for more than the file's size allows (torrent::Limit says what)
};

// A torrent read from a file: its content, which the record's tree reads, and the record with
// its info hashes.
struct LoadedTorrent {
    platform::FileContent content;
    TorrentInfo info;
};

// Reads, decodes and hashes a file; timed as the first stages of a payload preparation. For a
// file too large to show, `torrent.info.exceeded` says which limit it passed.
LoadStatus LoadTorrent(const std::filesystem::path& path, LoadedTorrent& torrent);

// Why a file was refused, in plain words ("is not a torrent"); empty for Ready.
std::string_view RefusalReason(LoadStatus status);

}  // namespace torrent

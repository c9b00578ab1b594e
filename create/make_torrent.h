#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "create/file_set.h"
#include "create/hash_pieces.h"
#include "create/metainfo.h"

// Making torrents, for the tool and the file manager's packer alike: which files, what piece
// length, their hashes on every core, and the metainfo, the same bytes libtorrent makes.
namespace create {

// Clients refuse torrents of more pieces than this (libtorrent's default limit).
inline constexpr std::int64_t kMaxPieces = 0x200000;
inline constexpr std::int64_t kMinPieceLength = 16 * 1024;
inline constexpr std::int64_t kMaxPieceLength = 256 * 1024 * 1024;

// The piece length for `totalBytes` when none is asked for: the smallest power of two that
// keeps the torrent to 2,000 pieces, from 16 KiB to 16 MiB, so that most torrents have 1,000 to
// 2,000.
std::int64_t AutoPieceLength(std::int64_t totalBytes);

// A power of two from 16 KiB to 256 MiB.
bool IsValidPieceLength(std::int64_t pieceLength);

struct CreateRequest {
    std::vector<std::filesystem::path> inputs;
    std::string name;  // for several inputs
    Version version = Version::Hybrid;
    std::int64_t pieceLength = 0;  // 0: AutoPieceLength
    SelectRules select;
    Description description;
    unsigned threads = 0;  // 0: one a core
};

struct Created {
    std::string bytes;       // the metainfo file
    std::string infoHashV1;  // hexadecimal; empty for version 2 alone
    std::string infoHashV2;  // hexadecimal; empty for version 1 alone
    std::int64_t pieceLength = 0;
    std::int64_t pieceCount = 0;
    std::int64_t files = 0;
    std::int64_t totalBytes = 0;
    std::vector<Skipped> skipped;
};

// Makes the torrent in memory; nothing is written. False, and one line of why naming the file
// or the limit, when the inputs are refused, a file cannot be read or changes while it is
// hashed, or `stop` is set ("stopped"). A piece count past kMaxPieces is refused before any
// hashing, with the piece length that would fit.
bool MakeTorrent(const CreateRequest& request, const std::atomic<bool>& stop,
                 const std::function<void(const HashProgress&)>& progress, Created& created,
                 std::string& whyNot);

}  // namespace create

#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/hasher.h"

namespace torrent {

using Hash256 = std::array<unsigned char, 32>;

// A version 2 merkle tree built leaf by leaf in a few hashes of memory, whatever its size: each
// pair of equal subtrees is joined as soon as both are complete. Leaves past the end are
// zeros, so a tree of `leaves` is padded to the next power of two; `baseLevel` counts the levels
// below these leaves (a tree over the piece layer has the piece's height), whose zero subtrees
// stand for missing leaves.
class MerkleTree {
  public:
    MerkleTree(platform::Hasher& sha256, int baseLevel = 0);
    void Add(const Hash256& leaf);
    // The root over `width` leaves (at least those added, a power of two); nothing when the
    // platform failed to hash.
    std::optional<Hash256> Root(std::uint64_t width);

  private:
    bool Join(const Hash256& left, const Hash256& right, Hash256& out);
    const Hash256& Zero(int level);

    platform::Hasher& sha256_;
    int baseLevel_;
    std::vector<std::optional<Hash256>> pending_;  // by level: a left subtree waiting for its pair
    std::vector<Hash256> zeros_;                   // by level above the base
    std::uint64_t added_ = 0;
    bool failed_ = false;
};

// The smallest power of two that is at least `count` (1 for 0).
std::uint64_t PowerOfTwoAtLeast(std::uint64_t count);

// Version 2 hashes 16 KiB blocks: the leaves of every file's tree.
inline constexpr std::int64_t kBlockBytes = 16384;

// The pieces of `pieceLength` bytes that `size` bytes fill, the last one maybe short.
constexpr std::int64_t PiecesOf(std::int64_t size, std::int64_t pieceLength) {
    return size <= 0 ? 0 : (size - 1) / pieceLength + 1;
}

// The root a file's piece layer (32 bytes a piece) hashes to: the pieces are subtrees of
// `pieceLength` bytes, padded to a power of two with subtrees of zeros. Nothing when the
// platform failed to hash.
std::optional<Hash256> LayerRoot(std::string_view layer, std::int64_t pieceLength,
                                 platform::Hasher& sha256);

}  // namespace torrent

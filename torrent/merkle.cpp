#include "torrent/merkle.h"

#include <cstring>

namespace torrent {

std::uint64_t PowerOfTwoAtLeast(std::uint64_t count) {
    std::uint64_t power = 1;
    while (power < count) {
        power <<= 1;
    }
    return power;
}

std::optional<Hash256> LayerRoot(std::string_view layer, std::int64_t pieceLength,
                                 platform::Hasher& sha256) {
    int pieceLevel = 0;
    while ((kBlockBytes << pieceLevel) < pieceLength) {
        ++pieceLevel;
    }
    MerkleTree tree(sha256, pieceLevel);
    for (std::size_t at = 0; at + 32 <= layer.size(); at += 32) {
        Hash256 leaf{};
        std::memcpy(leaf.data(), layer.data() + at, 32);
        tree.Add(leaf);
    }
    return tree.Root(PowerOfTwoAtLeast(layer.size() / 32));
}

MerkleTree::MerkleTree(platform::Hasher& sha256, int baseLevel)
    : sha256_(sha256), baseLevel_(baseLevel) {}

bool MerkleTree::Join(const Hash256& left, const Hash256& right, Hash256& out) {
    unsigned char pair[64];
    std::memcpy(pair, left.data(), 32);
    std::memcpy(pair + 32, right.data(), 32);
    failed_ = failed_ || !sha256_.Digest(pair, sizeof pair, out.data());
    return !failed_;
}

const Hash256& MerkleTree::Zero(int level) {
    if (zeros_.empty()) {
        // A zero leaf, then the root of a zero subtree of each height.
        zeros_.push_back(Hash256{});
    }
    while (static_cast<int>(zeros_.size()) <= baseLevel_ + level) {
        Hash256 next{};
        Join(zeros_.back(), zeros_.back(), next);
        zeros_.push_back(next);
    }
    return zeros_[static_cast<std::size_t>(baseLevel_ + level)];
}

void MerkleTree::Add(const Hash256& leaf) {
    Hash256 carry = leaf;
    std::size_t level = 0;
    for (; level < pending_.size() && pending_[level]; ++level) {
        Join(*pending_[level], carry, carry);
        pending_[level].reset();
    }
    if (level == pending_.size()) {
        pending_.emplace_back();
    }
    pending_[level] = carry;
    ++added_;
}

std::optional<Hash256> MerkleTree::Root(std::uint64_t width) {
    if (width < added_ || (width & (width - 1)) != 0) {
        return std::nullopt;
    }
    int height = 0;
    while ((std::uint64_t{1} << height) < width) {
        ++height;
    }
    // Each waiting left subtree is joined with a zero subtree of its height, up to the top.
    pending_.resize(static_cast<std::size_t>(height) + 1);
    for (int level = 0; level < height; ++level) {
        auto& waiting = pending_[static_cast<std::size_t>(level)];
        if (!waiting) {
            continue;
        }
        Hash256 joined{};
        Join(*waiting, Zero(level), joined);
        waiting.reset();
        // Up from here, as Add carries.
        std::size_t up = static_cast<std::size_t>(level) + 1;
        for (; up < static_cast<std::size_t>(height) && pending_[up]; ++up) {
            Join(*pending_[up], joined, joined);
            pending_[up].reset();
        }
        pending_[up] = joined;
    }
    auto& top = pending_[static_cast<std::size_t>(height)];
    const Hash256 root = top ? *top : Zero(height);
    if (failed_) {
        return std::nullopt;
    }
    return root;
}

}  // namespace torrent

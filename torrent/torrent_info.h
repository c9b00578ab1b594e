#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace torrent {

// One directory or file of a torrent's file tree. A directory's size is the sum of its
// children's; children keep the order in which they first appear in the metainfo.
struct TreeNode {
    std::string name;
    bool dir = false;
    std::int64_t size = 0;
    std::vector<TreeNode> children;

    TreeNode() = default;
    TreeNode(std::string nodeName, bool isDir, std::int64_t nodeSize)
        : name(std::move(nodeName)), dir(isDir), size(nodeSize) {}
    TreeNode(TreeNode&&) noexcept = default;
    TreeNode& operator=(TreeNode&&) noexcept = default;
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;
    // A file's path may be millions of elements long, each a level of the tree: the tree is
    // taken apart without recursing once per level.
    ~TreeNode();
};

// Everything the viewer shows about one metainfo file. Byte strings hold the file's raw bytes;
// only tree names below the root are already valid UTF-8.
struct TorrentInfo {
    bool ok = false;
    std::string name;
    std::string announce;
    std::vector<std::vector<std::string>> trackerTiers;
    std::string comment;
    std::string createdBy;
    std::int64_t creationDate = 0;
    std::int64_t pieceLength = 0;
    std::int64_t pieceCount = 0;
    bool multiFile = false;
    std::int64_t totalSize = 0;
    std::int32_t fileCount = 0;
    TreeNode tree;
    bool hasPrivate = false;
    bool isPrivate = false;
    bool isV2 = false;
    std::string infoHashV1;
    std::string infoHashV2;
    std::vector<std::pair<std::string, std::string>> custom;
    std::uint64_t infoStart = 0;
    std::uint64_t infoEnd = 0;
};

// Decodes and reads a metainfo file. `ok` is false, and every field at its initial value, when
// the bytes are not a dictionary holding a dictionary under "info". Never throws.
TorrentInfo extract(const char* data, std::size_t size) noexcept;

}  // namespace torrent

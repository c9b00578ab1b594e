#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace torrent {

inline constexpr std::uint32_t kNoNode = 0xFFFFFFFF;

// One folder or file of a torrent's file tree. A folder's size is the sum of its children's.
// Its name is a span of the tree's text (FileTree::Name).
struct TreeNode {
    std::int64_t size = 0;
    std::uint32_t nameStart = 0;
    std::uint32_t nameLength : 28 = 0;
    std::uint32_t dir : 1 = 0;
    // Marks of a file, from its attributes: a link (see FileTree::LinkTarget), executable, hidden.
    std::uint32_t link : 1 = 0;
    std::uint32_t executable : 1 = 0;
    std::uint32_t hidden : 1 = 0;
    std::uint32_t firstChild = kNoNode;
    std::uint32_t nextSibling = kNoNode;  // the next child of the same folder
};

// The file tree, flat: one vector of 24-byte nodes in the order they were made, the root first,
// so that a tree of 200,000 files costs a few allocations instead of one per node, name and
// child list. A folder's children are linked in the order they were added.
//
// Names are not copied: they are spans of the metainfo file's own bytes, which the tree reads
// (so it is valid while they are alive and unmoved), or of its own repaired copies, kept after
// those bytes, for names that were not valid UTF-8.
class FileTree {
  public:
    FileTree() : FileTree(std::string_view()) {}
    explicit FileTree(std::string_view source);

    const std::vector<TreeNode>& nodes() const { return nodes_; }
    const TreeNode& root() const { return nodes_.front(); }
    // Valid until the next node is added.
    std::string_view Name(const TreeNode& node) const;
    // Whether a text is a view of the bytes the tree reads.
    bool InSource(std::string_view text) const;

    void Reserve(std::size_t nodes) { nodes_.reserve(nodes); }
    // A name given as a view of the source is used in place; any other is copied.
    void SetRoot(std::string_view name, bool dir);
    // Appends a child to a folder; returns its index.
    std::uint32_t Add(std::uint32_t parent, std::string_view name, bool dir, std::int64_t size);
    // Marks the newest node as a link to `target`, or as executable or hidden.
    void SetLink(std::string target);
    void MarkNewest(bool executable, bool hidden) {
        nodes_.back().executable = executable;
        nodes_.back().hidden = hidden;
    }
    std::string_view LinkTarget(std::uint32_t node) const;
    // Sums the folder sizes (wrapping past the signed range, as hostile lengths may) and drops
    // what only building needed. Sizes that folders were given are replaced.
    void Finish();

  private:
    void Place(TreeNode& node, std::string_view name);

    std::string_view source_;
    std::string copies_;
    std::vector<TreeNode> nodes_;
    std::vector<std::uint32_t> lastChild_;
    std::vector<std::pair<std::uint32_t, std::string>> links_;  // by node, ascending
};

}  // namespace torrent

#include "torrent/file_tree.h"

#include <algorithm>

namespace torrent {

FileTree::FileTree(std::string_view source) : source_(source), nodes_(1) {}

std::string_view FileTree::Name(const TreeNode& node) const {
    if (node.nameStart < source_.size()) {
        return source_.substr(node.nameStart, node.nameLength);
    }
    return std::string_view(copies_).substr(node.nameStart - source_.size(), node.nameLength);
}

bool FileTree::InSource(std::string_view text) const {
    return !text.empty() && text.data() >= source_.data() &&
           text.data() + text.size() <= source_.data() + source_.size();
}

void FileTree::Place(TreeNode& node, std::string_view name) {
    if (InSource(name)) {
        node.nameStart = static_cast<std::uint32_t>(name.data() - source_.data());
    } else {
        node.nameStart = static_cast<std::uint32_t>(source_.size() + copies_.size());
        copies_.append(name);
    }
    node.nameLength = static_cast<std::uint32_t>(name.size());
}

void FileTree::SetRoot(std::string_view name, bool dir) {
    Place(nodes_.front(), name);
    nodes_.front().dir = dir;
}

std::uint32_t FileTree::Add(std::uint32_t parent, std::string_view name, bool dir,
                            std::int64_t size) {
    const auto index = static_cast<std::uint32_t>(nodes_.size());
    TreeNode& node = nodes_.emplace_back();
    Place(node, name);
    node.dir = dir;
    node.size = size;
    if (lastChild_.size() <= parent) {
        lastChild_.resize(nodes_.size(), kNoNode);
    }
    std::uint32_t& last = lastChild_[parent];
    if (last == kNoNode) {
        nodes_[parent].firstChild = index;
    } else {
        nodes_[last].nextSibling = index;
    }
    last = index;
    return index;
}

void FileTree::SetLink(std::string target) {
    nodes_.back().link = true;
    links_.emplace_back(static_cast<std::uint32_t>(nodes_.size() - 1), std::move(target));
}

std::string_view FileTree::LinkTarget(std::uint32_t node) const {
    const auto found = std::lower_bound(links_.begin(), links_.end(), node,
                                        [](const std::pair<std::uint32_t, std::string>& link,
                                           std::uint32_t at) { return link.first < at; });
    return found != links_.end() && found->first == node ? found->second : std::string_view();
}

void FileTree::Finish() {
    lastChild_ = {};
    // Children always come after their folder: going backwards, every folder's children are
    // final by the time the folder is summed.
    for (std::size_t i = nodes_.size(); i-- > 0;) {
        if (!nodes_[i].dir) {
            continue;
        }
        std::uint64_t sum = 0;
        for (auto child = nodes_[i].firstChild; child != kNoNode;
             child = nodes_[child].nextSibling) {
            sum += static_cast<std::uint64_t>(nodes_[child].size);
        }
        nodes_[i].size = static_cast<std::int64_t>(sum);
    }
}

}  // namespace torrent

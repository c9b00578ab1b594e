#include "archive/entries.h"

#include <algorithm>

#include "platform/utf8.h"
#include "verify/content_layout.h"

namespace archive {

std::string SafeElement(std::string_view element) {
    std::string safe(element);
    for (char& c : safe) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("/\\:<>\"|?*").find(c) != std::string_view::npos) {
            c = '_';
        }
    }
    if (safe.empty() || safe == "." || safe == "..") {
        safe.insert(0, "_");
    }
    if (safe.back() == '.' || safe.back() == ' ') {
        safe += '_';
    }
    if (!verify::IsSafePathElement(safe, true)) {
        safe.insert(0, "_");  // a device name
    }
    return safe;
}

EntryWalker::EntryWalker(const torrent::TorrentInfo& info) : info_(info) {}

bool EntryWalker::Next(Entry& entry) {
    const torrent::FileTree& tree = info_.tree;
    const std::vector<torrent::TreeNode>& nodes = tree.nodes();
    if (!started_) {
        started_ = true;
        const std::string name = SanitizeUtf8(info_.name);
        const torrent::TreeNode& root = nodes.front();
        if (!info_.multiFile) {
            // A version 2 torrent whose lone file is named otherwise is saved under that name.
            const bool loneChild = root.firstChild != torrent::kNoNode;
            const torrent::TreeNode& file = loneChild ? nodes[root.firstChild] : root;
            entry.treePath = loneChild ? std::string(tree.Name(file)) : name;
            entry.name = SafeElement(entry.treePath);
            entry.size = loneChild ? file.size : info_.totalSize;
            entry.folder = false;
            entry.hidden = file.hidden != 0;
            entry.link = file.link != 0;
            entry.safe = verify::IsSafePathElement(entry.treePath, true);
            return true;
        }
        name_ = SafeElement(name);
        const bool safe = verify::IsSafePathElement(name, true);
        open_.push_back({root.firstChild, name_.size(), 0, safe});
        entry = {name_, {}, root.size, true, false, false, safe};
        return true;
    }
    while (!open_.empty()) {
        Open& top = open_.back();
        if (top.next == torrent::kNoNode) {
            open_.pop_back();
            continue;
        }
        const torrent::TreeNode& node = nodes[top.next];
        top.next = node.nextSibling;
        const std::string_view element = tree.Name(node);
        name_.resize(top.nameLength);
        name_ += '\\';
        name_ += SafeElement(element);
        tree_.resize(top.treeLength);
        tree_ += top.treeLength == 0 ? "" : "/";
        tree_ += element;
        const bool safe = top.safe && verify::IsSafePathElement(element, true);
        entry.name = name_;
        entry.treePath = tree_;
        entry.size = node.size;
        entry.folder = node.dir != 0;
        entry.hidden = node.hidden != 0;
        entry.link = node.link != 0;
        entry.safe = safe;
        if (node.dir) {
            open_.push_back({node.firstChild, name_.size(), tree_.size(), safe});
        }
        return true;
    }
    return false;
}

std::uint32_t DosTime(const std::tm& local) {
    std::tm t = local;
    if (t.tm_year < 80) {
        t = std::tm{};
        t.tm_year = 80;
        t.tm_mday = 1;
    } else if (t.tm_year > 207) {
        t = std::tm{};
        t.tm_year = 207;
        t.tm_mon = 11;
        t.tm_mday = 31;
        t.tm_hour = 23;
        t.tm_min = 59;
        t.tm_sec = 58;
    }
    return static_cast<std::uint32_t>(t.tm_year - 80) << 25 |
           static_cast<std::uint32_t>(t.tm_mon + 1) << 21 |
           static_cast<std::uint32_t>(t.tm_mday) << 16 |
           static_cast<std::uint32_t>(t.tm_hour) << 11 | static_cast<std::uint32_t>(t.tm_min) << 5 |
           static_cast<std::uint32_t>(std::min(t.tm_sec, 59) / 2);
}

}  // namespace archive

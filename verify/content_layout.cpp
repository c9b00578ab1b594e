#include "verify/content_layout.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/text.h"
#include "platform/utf8.h"

namespace verify {
namespace {

#ifdef _WIN32
constexpr bool kWindowsRules = true;
#else
constexpr bool kWindowsRules = false;
#endif

bool IsReservedDeviceName(std::string_view element) {
    // The name before the first dot counts: "con.txt" opens the console as "con" does.
    std::string stem(element.substr(0, element.find('.')));
    while (!stem.empty() && stem.back() == ' ') {
        stem.pop_back();
    }
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    constexpr std::array<std::string_view, 6> kNames = {"CON", "PRN",    "AUX",
                                                        "NUL", "CONIN$", "CONOUT$"};
    if (std::find(kNames.begin(), kNames.end(), stem) != kNames.end()) {
        return true;
    }
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
           stem[3] >= '0' && stem[3] <= '9';
}

}  // namespace

bool IsSafePathElement(std::string_view element, bool windowsRules) {
    if (element.empty() || element == "." || element == ".." ||
        element.find_first_of(std::string_view("/\\:\0", 4)) != std::string_view::npos) {
        return false;
    }
    if (!windowsRules) {
        return true;
    }
    return element.back() != '.' && element.back() != ' ' && !IsReservedDeviceName(element);
}

std::optional<std::filesystem::path> ContentBeside(const std::filesystem::path& torrentPath,
                                                   std::string_view name) {
    if (!IsSafePathElement(name, kWindowsRules)) {
        return std::nullopt;
    }
    return torrentPath.parent_path() / platform::PathFromUtf8(name);
}

ContentLayout LayoutOf(const torrent::TorrentInfo& info, const std::filesystem::path& torrentPath,
                       const std::filesystem::path& root) {
    ContentLayout layout;
    const torrent::FileTree& tree = info.tree;
    const std::vector<torrent::TreeNode>& nodes = tree.nodes();
    const std::string name = SanitizeUtf8(info.name);
    // A version 2 torrent whose lone file is named otherwise keeps it under its own name.
    const bool loneChild = !info.multiFile && nodes.front().firstChild != torrent::kNoNode;
    layout.singleFile = !info.multiFile;
    if (layout.singleFile) {
        const std::string fileName =
            loneChild ? std::string(tree.Name(nodes[nodes.front().firstChild])) : name;
        const std::int64_t size = loneChild ? nodes[nodes.front().firstChild].size : info.totalSize;
        layout.files.push_back({fileName, size, IsSafePathElement(fileName, kWindowsRules)});
        layout.root = root.empty()
                          ? ContentBeside(torrentPath, fileName).value_or(torrentPath.parent_path())
                          : root;
        return layout;
    }
    const std::optional<std::filesystem::path> beside = ContentBeside(torrentPath, name);
    layout.root = root.empty() ? beside.value_or(torrentPath.parent_path()) : root;
    if (!root.empty() || beside) {
        // Depth first, as the tree lists its files; each folder's path and safety carried down.
        struct Open {
            std::uint32_t next;
            std::size_t pathLength;
            bool safe;
        };
        std::vector<Open> open{{nodes.front().firstChild, 0, true}};
        std::string path;
        while (!open.empty()) {
            Open& top = open.back();
            if (top.next == torrent::kNoNode) {
                open.pop_back();
                continue;
            }
            const torrent::TreeNode& node = nodes[top.next];
            top.next = node.nextSibling;
            const std::string_view element = tree.Name(node);
            path.resize(top.pathLength);
            path += top.pathLength == 0 ? "" : "/";
            path += element;
            const bool safe = top.safe && IsSafePathElement(element, kWindowsRules);
            if (node.dir) {
                open.push_back({node.firstChild, path.size(), safe});
            } else {
                layout.files.push_back({path, node.size, safe, node.link != 0});
            }
        }
        return layout;
    }
    // No folder can be named for an unsafe name: every file is unsafe.
    ContentLayout whole = LayoutOf(info, torrentPath, torrentPath.parent_path());
    for (ContentFile& file : whole.files) {
        file.safe = false;
    }
    whole.root = layout.root;
    return whole;
}

std::filesystem::path PathOnDisk(const ContentLayout& layout, const ContentFile& file) {
    return layout.singleFile ? layout.root : layout.root / platform::PathFromUtf8(file.path);
}

}  // namespace verify

#include <array>
#include <charconv>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "platform/utf8.h"
#include "torrent/bencode.h"
#include "torrent/torrent_info.h"

namespace torrent {
namespace {

using bencode::Kind;
using bencode::Node;

// Top-level keys shown elsewhere or deliberately not shown; every other string or integer key
// is listed as a custom entry.
constexpr std::array<std::string_view, 12> kKnownTopLevelKeys = {
    "announce", "announce-list", "comment",   "created by", "creation date", "info",
    "encoding", "url-list",      "httpseeds", "nodes",      "created",       "creator"};

constexpr std::int64_t kPieceHashBytes = 20;

using MaybeNode = std::optional<Node>;

// A view into the input, valid while extraction runs.
std::string_view StringValue(const MaybeNode& node) {
    return node && node->kind == Kind::String ? node->bytes : std::string_view();
}

std::int64_t IntegerValue(const MaybeNode& node) {
    return node && node->kind == Kind::Integer ? node->integer : 0;
}

bool IsKnownTopLevelKey(std::string_view key) {
    for (const std::string_view known : kKnownTopLevelKeys) {
        if (key == known) {
            return true;
        }
    }
    return false;
}

std::string DecimalText(std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

// Wrapping sums: a hostile length may push a total past the signed range.
std::int64_t WrappingAdd(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

// Finds directories by name while the tree is built, so that a torrent with thousands of
// sibling folders is not scanned once per file. A name never belongs to two directory children
// (a second one is never added), so the indexed child is also the first match; files are not
// indexed because they are never descended into. Flat, because paths can be very deep.
class DirectoryIndex {
  public:
    struct Cursor {
        TreeNode* node;
        std::size_t directory;  // the node's slot in the index
    };

    Cursor Root(TreeNode& root) { return {&root, 0}; }

    // The first child directory of `at` named `name`, appended when there is none. A file
    // child of the same name is not reused: the directory goes beside it.
    Cursor FindOrAddDirectory(Cursor at, std::string name) {
        auto [slot, added] = directories_[at.directory].try_emplace(name);
        if (added) {
            slot->second = {at.node->children.size(), directories_.size()};
            at.node->children.emplace_back(std::move(name), true, 0);
            directories_.emplace_back();
        }
        return {&at.node->children[slot->second.child], slot->second.directory};
    }

  private:
    struct Child {
        std::size_t child;      // position among the parent's children
        std::size_t directory;  // its own slot in the index
    };
    std::vector<std::unordered_map<std::string, Child>> directories_ =
        std::vector<std::unordered_map<std::string, Child>>(1);  // slot 0: the root
};

void SumDirectorySizes(TreeNode& root) {
    // Post-order without recursion: the tree can be as deep as the longest path.
    struct Frame {
        TreeNode* directory;
        std::size_t nextChild;
    };
    std::vector<Frame> open{{&root, 0}};
    while (!open.empty()) {
        Frame& top = open.back();
        if (top.nextChild < top.directory->children.size()) {
            TreeNode& child = top.directory->children[top.nextChild++];
            if (child.dir) {
                open.push_back({&child, 0});
            }
            continue;
        }
        std::int64_t sum = 0;
        for (const TreeNode& child : top.directory->children) {
            sum = WrappingAdd(sum, child.size);
        }
        top.directory->size = sum;
        // Growth leaves up to half of a list unused, which the document's text would otherwise
        // have to fit beside.
        top.directory->children.shrink_to_fit();
        open.pop_back();
    }
}

void ReadTrackerTiers(const MaybeNode& announceList, TorrentInfo& info) {
    if (!announceList || announceList->kind != Kind::List) {
        return;
    }
    for (bencode::ElementReader items(*announceList); !items.AtEnd();) {
        const Node item = items.NextValue();
        if (item.kind != Kind::List) {
            continue;
        }
        std::vector<std::string> tier;
        for (bencode::ElementReader trackers(item); !trackers.AtEnd();) {
            const Node tracker = trackers.NextValue();
            if (tracker.kind == Kind::String) {
                tier.emplace_back(tracker.bytes);
            }
        }
        if (!tier.empty()) {
            info.trackerTiers.push_back(std::move(tier));
        }
    }
}

void ReadCustomEntries(const Node& top, TorrentInfo& info) {
    for (bencode::ElementReader entries(top); !entries.AtEnd();) {
        const std::string_view key = entries.NextKey();
        const Node value = entries.NextValue();
        if (IsKnownTopLevelKey(key)) {
            continue;
        }
        if (value.kind == Kind::String) {
            info.custom.emplace_back(key, value.bytes);
        } else if (value.kind == Kind::Integer) {
            info.custom.emplace_back(key, DecimalText(value.integer));
        }
    }
}

void ReadFiles(const Node& files, TorrentInfo& info) {
    DirectoryIndex index;
    for (bencode::ElementReader items(files); !items.AtEnd();) {
        const Node item = items.NextValue();
        if (item.kind != Kind::Dictionary) {
            continue;
        }
        const std::int64_t length = IntegerValue(Node::find(item, "length"));
        const MaybeNode path = Node::find(item, "path");
        if (!path || path->kind != Kind::List) {
            continue;
        }
        bencode::ElementReader elements(*path);
        if (elements.AtEnd()) {
            continue;
        }
        // Every element but the last names a directory.
        DirectoryIndex::Cursor at = index.Root(info.tree);
        std::string name = SanitizeUtf8(StringValue(elements.NextValue()));
        while (!elements.AtEnd()) {
            at = index.FindOrAddDirectory(at, std::move(name));
            name = SanitizeUtf8(StringValue(elements.NextValue()));
        }
        at.node->children.emplace_back(std::move(name), false, length);
        info.totalSize = WrappingAdd(info.totalSize, length);
        ++info.fileCount;
    }
    SumDirectorySizes(info.tree);
}

TorrentInfo ExtractFrom(const Node& top, const Node& infoDict, const bencode::Decoder& decoder) {
    TorrentInfo info;
    info.infoStart = decoder.infoStart;
    info.infoEnd = decoder.infoEnd;
    info.announce = StringValue(Node::find(top, "announce"));
    info.comment = StringValue(Node::find(top, "comment"));
    info.createdBy = StringValue(Node::find(top, "created by"));
    info.creationDate = IntegerValue(Node::find(top, "creation date"));

    if (const MaybeNode isPrivate = Node::find(infoDict, "private")) {
        info.hasPrivate = true;
        info.isPrivate = isPrivate->kind == Kind::Integer && isPrivate->integer == 1;
    }
    if (const MaybeNode metaVersion = Node::find(infoDict, "meta version")) {
        info.isV2 = metaVersion->kind == Kind::Integer && metaVersion->integer >= 2;
    }
    if (Node::find(infoDict, "file tree")) {
        info.isV2 = true;
    }

    ReadCustomEntries(top, info);
    ReadTrackerTiers(Node::find(top, "announce-list"), info);

    info.name = StringValue(Node::find(infoDict, "name"));
    info.pieceLength = IntegerValue(Node::find(infoDict, "piece length"));
    const MaybeNode pieces = Node::find(infoDict, "pieces");
    if (pieces && pieces->kind == Kind::String) {
        info.pieceCount = static_cast<std::int64_t>(pieces->declaredLength / kPieceHashBytes);
    }

    info.tree.name = info.name;
    info.tree.dir = true;
    const MaybeNode files = Node::find(infoDict, "files");
    if (files && files->kind == Kind::List) {
        info.multiFile = true;
        ReadFiles(*files, info);
    } else {
        info.totalSize = IntegerValue(Node::find(infoDict, "length"));
        info.fileCount = 1;
    }
    info.ok = true;
    return info;
}

}  // namespace

TreeNode::~TreeNode() {
    if (children.empty()) {
        return;
    }
    // Flatten: every node popped here has its children moved out first, so no destructor
    // below ever finds more than an empty list.
    std::vector<TreeNode> pending = std::move(children);
    while (!pending.empty()) {
        TreeNode last = std::move(pending.back());
        pending.pop_back();
        for (TreeNode& child : last.children) {
            pending.push_back(std::move(child));
        }
        last.children.clear();
    }
}

TorrentInfo extract(const char* data, std::size_t size) noexcept {
    try {
        bencode::Decoder decoder = bencode::DecoderFor(data, size);
        const MaybeNode top = bencode::decode(decoder);
        if (!top || top->kind != Kind::Dictionary) {
            return {};
        }
        const MaybeNode infoDict = Node::find(top, "info");
        if (!infoDict || infoDict->kind != Kind::Dictionary) {
            return {};
        }
        return ExtractFrom(*top, *infoDict, decoder);
    } catch (...) {
        // Out of memory while building the record: the file is refused like a malformed one.
        return {};
    }
}

}  // namespace torrent

#include <array>
#include <charconv>
#include <deque>
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

// Finds folders by name while the tree is built, through one index keyed by parent and name, so
// a torrent with thousands of sibling folders is not scanned once per file. A name never
// belongs to two folder children (a second one is never made), so the indexed child is also the
// first match; files are not indexed because nothing is ever put below them.
class FolderIndex {
  public:
    explicit FolderIndex(FileTree& tree) : tree_(tree) {}

    // The first folder child of `parent` named `name`, made when there is none. A file child of
    // the same name is not reused: the folder goes beside it.
    std::uint32_t Folder(std::uint32_t parent, std::string_view name) {
        if (const auto found = folders_.find({parent, name}); found != folders_.end()) {
            return found->second;
        }
        // Keys must outlive the name handed in, which is a repaired scratch copy now and then.
        const std::string_view key = tree_.InSource(name) ? name : keptNames_.emplace_back(name);
        return folders_[{parent, key}] = tree_.Add(parent, name, true, 0);
    }

  private:
    struct Key {
        std::uint32_t parent;
        std::string_view name;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const {
            return std::hash<std::string_view>()(key.name) * 31 + key.parent;
        }
    };

    FileTree& tree_;
    std::unordered_map<Key, std::uint32_t, KeyHash> folders_;
    std::deque<std::string> keptNames_;
};

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
    std::size_t count = 0;
    for (bencode::ElementReader counter(files); !counter.AtEnd(); counter.NextValue()) {
        ++count;
    }
    // Room for every file and a folder for every eighth: the tree then rarely grows by copying.
    info.tree.Reserve(count + count / 8 + 1);
    FolderIndex folders(info.tree);
    std::string repaired;
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
        // Every element but the last names a folder. Each name is used up before the next one
        // is read, so one scratch copy serves every name that needs repair.
        const auto nameOf = [&repaired](const Node& element) {
            const std::string_view bytes = StringValue(element);
            if (IsValidUtf8(bytes)) {
                return bytes;
            }
            repaired = SanitizeUtf8(bytes);
            return std::string_view(repaired);
        };
        std::uint32_t at = 0;
        std::string_view name = nameOf(elements.NextValue());
        while (!elements.AtEnd()) {
            at = folders.Folder(at, name);
            name = nameOf(elements.NextValue());
        }
        info.tree.Add(at, name, false, length);
        info.totalSize = WrappingAdd(info.totalSize, length);
        ++info.fileCount;
    }
}

TorrentInfo ExtractFrom(const Node& top, const Node& infoDict, const bencode::Decoder& decoder) {
    TorrentInfo info;
    info.tree = FileTree(std::string_view(decoder.begin, decoder.end - decoder.begin));
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

    info.tree.SetRoot(StringValue(Node::find(infoDict, "name")), true);
    const MaybeNode files = Node::find(infoDict, "files");
    if (files && files->kind == Kind::List) {
        info.multiFile = true;
        ReadFiles(*files, info);
    } else {
        info.totalSize = IntegerValue(Node::find(infoDict, "length"));
        info.fileCount = 1;
    }
    info.tree.Finish();
    info.ok = true;
    return info;
}

}  // namespace

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

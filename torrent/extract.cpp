#include <algorithm>
#include <array>
#include <charconv>
#include <deque>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/hex.h"
#include "platform/utf8.h"
#include "torrent/bencode.h"
#include "torrent/child_key.h"
#include "torrent/torrent_info.h"

namespace torrent {
namespace {

using bencode::ElementReader;
using bencode::Kind;
using bencode::Node;
using MaybeNode = std::optional<Node>;

// Top-level keys shown elsewhere or deliberately not shown; every other string or integer key
// is listed as a custom entry.
constexpr std::array<std::string_view, 12> kKnownTopLevelKeys = {
    "announce", "announce-list", "comment",   "created by", "creation date", "info",
    "encoding", "url-list",      "httpseeds", "nodes",      "created",       "creator"};

constexpr std::int64_t kPieceHashBytes = 20;
constexpr std::size_t kInfoHashBytes = 20;

// Padding files of writers that predate file attributes carry this name.
constexpr std::string_view kOldPadPrefix = "_____padding_file_";

// A view into the input, valid while extraction runs.
std::string_view StringValue(const MaybeNode& node) {
    return node && node->kind == Kind::String ? node->bytes : std::string_view();
}

std::int64_t IntegerValue(const MaybeNode& node) {
    return node && node->kind == Kind::Integer ? node->integer : 0;
}

bool IsList(const MaybeNode& node) {
    return node && node->kind == Kind::List;
}

bool IsDictionary(const MaybeNode& node) {
    return node && node->kind == Kind::Dictionary;
}

// The value under `preferred` when it has the wanted kind, else the one under `fallback`:
// "path.utf-8" and "name.utf-8" say what their creator meant where a writer gave both.
MaybeNode Preferred(const Node& dictionary, std::string_view preferred, std::string_view fallback,
                    Kind kind) {
    if (MaybeNode value = Node::find(dictionary, preferred); value && value->kind == kind) {
        return value;
    }
    return Node::find(dictionary, fallback);
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

// Thrown where a file asks for more than a viewer can show; ends the extraction.
struct LimitExceeded {
    Limit limit;
};

// How many entries of one kind a file of `bytes` bytes may ask for. Each costs a few dozen bytes
// of memory against the few bytes of input that name it: bounded so, a file never makes the
// viewer use more than about ten times its size.
std::size_t Allowance(std::size_t bytes, std::size_t bytesPerEntry) {
    constexpr std::size_t kAlways = 65536;  // a few megabytes, whatever the file
    return bytes / bytesPerEntry + kAlways;
}

void Check(std::size_t count, std::size_t allowed, Limit limit) {
    if (count > allowed) {
        throw LimitExceeded{limit};
    }
}

// Wrapping sums: a hostile length may push a total past the signed range.
std::int64_t WrappingAdd(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

// The strings of a list (a lone string counts as a list of one), empty ones and repeats dropped.
void AddDistinctStrings(const MaybeNode& node, std::vector<std::string>& into,
                        std::size_t allowed) {
    std::unordered_set<std::string> seen(into.begin(), into.end());
    const auto add = [&](std::string_view text) {
        if (!text.empty() && seen.emplace(text).second) {
            Check(into.size() + 1, allowed, Limit::ListEntries);
            into.emplace_back(text);
        }
    };
    if (node && node->kind == Kind::String) {
        add(node->bytes);
    } else if (IsList(node)) {
        for (ElementReader items(*node); !items.AtEnd();) {
            add(StringValue(items.NextValue()));
        }
    }
}

// Finds folders by name while the tree is built. A folder with few children is scanned; one
// with many gets its folder children into an index keyed by parent and name, so a torrent with
// thousands of sibling folders is not scanned once per file, while a deep chain of single
// folders costs no index entry per level. A name never belongs to two folder children (a second
// one is never made), so the indexed child is also the first match.
class FolderIndex {
  public:
    explicit FolderIndex(FileTree& tree) : tree_(tree) {}

    // The first folder child of `parent` named `name`, made when there is none. A file child of
    // the same name is not reused: the folder goes beside it.
    std::uint32_t Folder(std::uint32_t parent, std::string_view name) {
        const std::vector<TreeNode>& nodes = tree_.nodes();
        if (ChildCount(parent) <= kScannedChildren) {
            for (auto child = nodes[parent].firstChild; child != kNoNode;
                 child = nodes[child].nextSibling) {
                if (nodes[child].dir && tree_.Name(nodes[child]) == name) {
                    return child;
                }
            }
        } else if (const auto found = folders_.find({parent, name}); found != folders_.end()) {
            return found->second;
        }
        const std::uint32_t made = tree_.Add(parent, name, true, 0);
        Added(parent);
        if (ChildCount(parent) == kScannedChildren + 1) {
            for (auto child = tree_.nodes()[parent].firstChild; child != kNoNode;
                 child = tree_.nodes()[child].nextSibling) {
                Index(parent, child);
            }
        } else if (ChildCount(parent) > kScannedChildren) {
            Index(parent, made);
        }
        return made;
    }

    // Counts a child added beside the index: a file.
    void Added(std::uint32_t parent) {
        if (parent >= childCounts_.size()) {
            childCounts_.resize(std::max<std::size_t>(parent + 1, childCounts_.size() * 2));
        }
        ++childCounts_[parent];
    }

  private:
    // Scanning this many children costs less than hashing a name.
    static constexpr std::uint32_t kScannedChildren = 8;

    std::uint32_t ChildCount(std::uint32_t parent) const {
        return parent < childCounts_.size() ? childCounts_[parent] : 0;
    }

    // A folder child into the index; the first of a name stays.
    void Index(std::uint32_t parent, std::uint32_t child) {
        const TreeNode& node = tree_.nodes()[child];
        if (!node.dir) {
            return;
        }
        // Keys must outlive the tree's own copies, which move as names are added.
        std::string_view name = tree_.Name(node);
        if (!tree_.InSource(name)) {
            name = keptNames_.emplace_back(name);
        }
        folders_.emplace(ChildKey{parent, name}, child);
    }

    FileTree& tree_;
    std::vector<std::uint32_t> childCounts_;  // by node
    std::unordered_map<ChildKey, std::uint32_t, ChildKeyHash> folders_;
    std::deque<std::string> keptNames_;
};

// One file as a list gives it: its attributes, its path and, for a link, its target. Read in
// one pass over the file's entries, the first of each key counting.
struct FileFacts {
    std::int64_t length = 0;
    bool pad = false;
    bool link = false;
    bool executable = false;
    bool hidden = false;
    MaybeNode path;    // "path.utf-8" when it is a list, else "path"
    MaybeNode target;  // the "symlink path" list
};

FileFacts ReadFacts(const Node& file) {
    FileFacts facts;
    MaybeNode length, attributes, path, utf8Path, target;
    for (ElementReader entries(file); !entries.AtEnd();) {
        const std::string_view key = entries.NextKey();
        MaybeNode* slot = key == "length"         ? &length
                          : key == "attr"         ? &attributes
                          : key == "path"         ? &path
                          : key == "path.utf-8"   ? &utf8Path
                          : key == "symlink path" ? &target
                                                  : nullptr;
        const Node value = entries.NextValue();
        if (slot != nullptr && !*slot) {
            *slot = value;
        }
    }
    facts.length = IntegerValue(length);
    const std::string_view flags = StringValue(attributes);
    facts.pad = flags.find('p') != std::string_view::npos;
    facts.link = flags.find('l') != std::string_view::npos;
    facts.executable = flags.find('x') != std::string_view::npos;
    facts.hidden = flags.find('h') != std::string_view::npos;
    facts.path = IsList(utf8Path) ? utf8Path : path;
    facts.target = target;
    return facts;
}

// What the files of one list add up to, and an order-blind fingerprint of their paths and
// lengths, so that the version 1 and version 2 lists of a hybrid can be compared cheaply.
struct ListSummary {
    std::int32_t files = 0;
    std::uint64_t fingerprint = 0;
    std::int32_t skipped = 0;  // entries that name no file
};

constexpr std::uint64_t kFingerprintSeed = 0xCBF29CE484222325u;

std::uint64_t Mix(std::uint64_t hash, std::string_view bytes) {
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3u;
    }
    return (hash ^ 0xFF) * 0x100000001B3u;  // ends the element
}

std::uint64_t FileFingerprint(std::uint64_t pathHash, std::int64_t length) {
    return Mix(pathHash, DecimalText(length)) * 0x9E3779B97F4A7C15u;
}

// Builds the tree and the totals from the files one list or tree gives, one at a time.
class FileAdder {
  public:
    FileAdder(TorrentInfo& info, std::size_t inputBytes)
        : info_(info), folders_(info.tree), allowedNodes_(Allowance(inputBytes, kBytesPerNode)) {}

    // A name for the tree: the input's own bytes when they are valid UTF-8, else a repaired
    // copy. Each name is used up before the next one is read, so one scratch copy serves all.
    std::string_view Name(std::string_view bytes) {
        if (IsValidUtf8(bytes)) {
            return bytes;
        }
        repaired_ = SanitizeUtf8(bytes);
        return repaired_;
    }

    std::uint32_t Folder(std::uint32_t parent, std::string_view bytes) {
        Check(info_.tree.nodes().size() + 1, allowedNodes_, Limit::TreeNodes);
        return folders_.Folder(parent, Name(bytes));
    }

    // A padding file is only counted; it has no place in the tree or the totals.
    void Padding(std::int64_t length) {
        negative_ = negative_ || length < 0;
        ++info_.padFileCount;
        info_.padFileSize = WrappingAdd(info_.padFileSize, length);
    }

    // A file in `folder`. A link weighs nothing.
    void File(std::uint32_t folder, std::string_view bytes, const FileFacts& facts) {
        Check(info_.tree.nodes().size() + 1, allowedNodes_, Limit::TreeNodes);
        const std::int64_t size = facts.link ? 0 : facts.length;
        negative_ = negative_ || size < 0;
        info_.tree.Add(folder, Name(bytes), false, size);
        folders_.Added(folder);
        if (facts.link) {
            info_.tree.SetLink(LinkTarget(facts.target));
        }
        info_.tree.MarkNewest(facts.executable, facts.hidden);
        info_.totalSize = WrappingAdd(info_.totalSize, size);
        ++info_.fileCount;
    }

    bool SawNegativeLength() const { return negative_; }

  private:
    static std::string LinkTarget(const MaybeNode& path) {
        std::string target;
        if (IsList(path)) {
            for (ElementReader elements(*path); !elements.AtEnd();) {
                target += target.empty() ? "" : "/";
                target += SanitizeUtf8(StringValue(elements.NextValue()));
            }
        }
        return target;
    }

    // A node costs 24 bytes in the tree and about fifty in the document, a folder as much again
    // in the index: one node per 12 bytes of input keeps all of it within seven times the file.
    static constexpr std::size_t kBytesPerNode = 12;

    TorrentInfo& info_;
    FolderIndex folders_;
    std::size_t allowedNodes_;
    std::string repaired_;
    bool negative_ = false;
};

// The version 1 file list: one dictionary per file, each with its path as a list of elements.
// The fingerprint is only taken when it is `compared`.
ListSummary ReadFileList(const Node& files, FileAdder& adder, bool compared) {
    ListSummary summary;
    for (ElementReader items(files); !items.AtEnd();) {
        const Node item = items.NextValue();
        if (item.kind != Kind::Dictionary) {
            ++summary.skipped;
            continue;
        }
        FileFacts facts = ReadFacts(item);
        if (!IsList(facts.path) || ElementReader(*facts.path).AtEnd()) {
            ++summary.skipped;
            continue;
        }
        std::string_view last;
        std::uint64_t pathHash = kFingerprintSeed;
        std::size_t depth = 0;
        for (ElementReader elements(*facts.path); !elements.AtEnd();) {
            last = StringValue(elements.NextValue());
            pathHash = compared ? Mix(pathHash, last) : pathHash;
            Check(++depth, kMaxPathElements, Limit::PathDepth);
        }
        if (facts.pad || last.starts_with(kOldPadPrefix)) {
            adder.Padding(facts.length);
            continue;
        }
        ++summary.files;
        if (compared) {
            summary.fingerprint += FileFingerprint(pathHash, facts.link ? 0 : facts.length);
        }
        // Every element but the last names a folder.
        std::uint32_t at = 0;
        ElementReader elements(*facts.path);
        std::string_view name = StringValue(elements.NextValue());
        while (!elements.AtEnd()) {
            at = adder.Folder(at, name);
            name = StringValue(elements.NextValue());
        }
        adder.File(at, name, facts);
    }
    return summary;
}

// The version 2 file tree: nested dictionaries keyed by path element, a file being the
// dictionary under the empty key. Walked without recursion; the decoder bounds its depth. A
// folder is made only once a file is put in it, so that one holding nothing but padding, or
// nothing at all, does not show.
ListSummary ReadFileTree(const Node& fileTree, FileAdder* adder, std::int64_t pieceLength,
                         std::int64_t& pieceCount) {
    struct Frame {
        ElementReader entries;
        std::string_view name;
        std::uint64_t pathHash;
        std::uint32_t folder;  // kNoNode until made
    };
    ListSummary summary;
    std::vector<Frame> open{{ElementReader(fileTree), {}, kFingerprintSeed, 0}};
    const auto folderOfTop = [&open, adder] {
        std::size_t made = open.size();
        while (open[made - 1].folder == kNoNode) {
            --made;
        }
        for (; made < open.size(); ++made) {
            open[made].folder = adder->Folder(open[made - 1].folder, open[made].name);
        }
        return open.back().folder;
    };
    while (!open.empty()) {
        Frame& top = open.back();
        if (top.entries.AtEnd()) {
            open.pop_back();
            continue;
        }
        const std::string_view key = top.entries.NextKey();
        const Node value = top.entries.NextValue();
        if (value.kind != Kind::Dictionary || key.empty()) {
            continue;  // a folder's own file entry is read by its parent
        }
        const std::uint64_t pathHash = Mix(top.pathHash, key);
        const MaybeNode file = Node::find(value, "");
        if (!IsDictionary(file)) {
            open.push_back({ElementReader(value), key, pathHash, kNoNode});
            continue;
        }
        const FileFacts facts = ReadFacts(*file);
        if (!facts.pad) {
            ++summary.files;
            summary.fingerprint += FileFingerprint(pathHash, facts.link ? 0 : facts.length);
            // Every file starts on a piece boundary.
            if (pieceLength > 0 && facts.length > 0 && !facts.link) {
                pieceCount = WrappingAdd(pieceCount, (facts.length - 1) / pieceLength + 1);
            }
        }
        if (adder != nullptr && facts.pad) {
            adder->Padding(facts.length);
        } else if (adder != nullptr) {
            adder->File(folderOfTop(), key, facts);
        }
    }
    return summary;
}

// A version 2 torrent of one file has it alone at the top of its tree.
struct SingleFile {
    std::string_view key;
    FileFacts facts;
};

std::optional<SingleFile> SingleFileOfTree(const Node& fileTree) {
    ElementReader entries(fileTree);
    if (entries.AtEnd()) {
        return std::nullopt;
    }
    const std::string_view key = entries.NextKey();
    const Node value = entries.NextValue();
    const MaybeNode file = Node::find(value, "");
    if (!entries.AtEnd() || !IsDictionary(file)) {
        return std::nullopt;
    }
    return SingleFile{key, ReadFacts(*file)};
}

// Damage a viewer must name: it shows what such a file says, but no client will take it.
void WarnOfDamage(const Node& infoDict, TorrentInfo& info, bool negativeLength,
                  std::int32_t skippedEntries) {
    if (negativeLength || info.totalSize < 0) {
        info.warnings.emplace_back(kNegativeLength);
    }
    if ((info.hasV1Data || info.isV2) && info.pieceLength <= 0) {
        info.warnings.emplace_back(kPieceLengthNotPositive);
    }
    const MaybeNode pieces = Node::find(infoDict, "pieces");
    const std::int64_t streamSize = WrappingAdd(info.totalSize, info.padFileSize);
    if (pieces && info.pieceLength > 0 && streamSize >= 0 &&
        (pieces->kind != Kind::String || pieces->declaredLength % kPieceHashBytes != 0 ||
         static_cast<std::int64_t>(pieces->declaredLength / kPieceHashBytes) !=
             (streamSize == 0 ? 0 : (streamSize - 1) / info.pieceLength + 1))) {
        info.warnings.emplace_back(kPiecesDoNotMatch);
    }
    if (skippedEntries > 0) {
        info.warnings.emplace_back(kEntriesNotFiles);
    }
    if (info.name.empty()) {
        info.warnings.emplace_back(kNoName);
    }
}

void ReadFiles(const Node& infoDict, TorrentInfo& info, std::size_t inputBytes) {
    const MaybeNode files = Node::find(infoDict, "files");
    const MaybeNode fileTree = Node::find(infoDict, "file tree");
    const MaybeNode length = Node::find(infoDict, "length");
    const bool v1List = IsList(files);
    FileAdder adder(info, inputBytes);
    std::int64_t treePieces = 0;
    if (!v1List && !length && IsDictionary(fileTree)) {
        // Version 2 only: the file tree is the torrent's list.
        if (const auto single = SingleFileOfTree(*fileTree)) {
            info.totalSize = single->facts.length;
            info.fileCount = 1;
            ReadFileTree(*fileTree, nullptr, info.pieceLength, treePieces);
            // Clients name the file on disk by its key, whatever the torrent's name says: a
            // name that differs must not hide it.
            if (adder.Name(single->key) != info.tree.Name(info.tree.root())) {
                info.fileCount = 0;
                info.totalSize = 0;
                adder.File(0, single->key, single->facts);
                info.warnings.emplace_back(kSingleFileNamedOtherwise);
            }
        } else {
            info.multiFile = true;
            ReadFileTree(*fileTree, &adder, info.pieceLength, treePieces);
        }
        info.pieceCount = treePieces;
        WarnOfDamage(infoDict, info, adder.SawNegativeLength(), 0);
        return;
    }
    ListSummary v1;
    if (v1List) {
        info.multiFile = true;
        std::size_t count = 0;
        for (ElementReader counter(*files); !counter.AtEnd(); counter.NextValue()) {
            ++count;
        }
        // Room for every file and a folder for every eighth: the tree then rarely grows by
        // copying.
        info.tree.Reserve(count + count / 8 + 1);
        v1 = ReadFileList(*files, adder, IsDictionary(fileTree));
    } else {
        info.totalSize = IntegerValue(length);
        info.fileCount = 1;
        const std::string_view name = info.tree.Name(info.tree.root());
        v1 = {1, FileFingerprint(Mix(kFingerprintSeed, name), info.totalSize)};
    }
    if (IsDictionary(fileTree)) {
        // A hybrid: peers use the version 1 list, but both must describe the same files.
        const ListSummary v2 = ReadFileTree(*fileTree, nullptr, info.pieceLength, treePieces);
        if (v1.files != v2.files || v1.fingerprint != v2.fingerprint) {
            info.warnings.emplace_back(kFileListsDisagree);
        }
    }
    WarnOfDamage(infoDict, info, adder.SawNegativeLength(), v1.skipped);
}

// The tiers as the page lists them: each address once, in the first tier that names it, as the
// text the page shows (repaired into UTF-8), empty ones and tiers left empty dropped. Read in
// one pass with a set of what was kept, so a
// file of 60,000 trackers costs no more than its size.
void ReadTrackerTiers(const MaybeNode& announceList, TorrentInfo& info, std::size_t allowed) {
    std::unordered_set<std::string_view> kept;
    std::deque<std::string> repaired;  // stable texts for the views in `kept`
    const auto keep = [&](std::string_view bytes, std::vector<std::string>& tier) {
        if (!IsValidUtf8(bytes)) {
            bytes = repaired.emplace_back(SanitizeUtf8(bytes));
        }
        if (!bytes.empty() && kept.insert(bytes).second) {
            tier.emplace_back(bytes);
        }
    };
    std::size_t count = 0;
    if (IsList(announceList)) {
        for (ElementReader items(*announceList); !items.AtEnd();) {
            const Node item = items.NextValue();
            if (item.kind != Kind::List) {
                continue;
            }
            std::vector<std::string> tier;
            for (ElementReader trackers(item); !trackers.AtEnd();) {
                const Node tracker = trackers.NextValue();
                if (tracker.kind == Kind::String) {
                    Check(++count, allowed, Limit::Trackers);
                    keep(tracker.bytes, tier);
                }
            }
            if (!tier.empty()) {
                info.trackerTiers.push_back(std::move(tier));
            }
        }
    }
}

void ReadCustomEntries(const Node& top, TorrentInfo& info, std::size_t allowed) {
    for (ElementReader entries(top); !entries.AtEnd();) {
        const std::string_view key = entries.NextKey();
        const Node value = entries.NextValue();
        if (IsKnownTopLevelKey(key)) {
            continue;
        }
        if (value.kind == Kind::String || value.kind == Kind::Integer) {
            Check(info.custom.size() + 1, allowed, Limit::CustomKeys);
        }
        if (value.kind == Kind::String) {
            info.custom.emplace_back(key, value.bytes);
        } else if (value.kind == Kind::Integer) {
            info.custom.emplace_back(key, DecimalText(value.integer));
        }
    }
}

void ReadNodes(const MaybeNode& nodes, TorrentInfo& info, std::size_t allowed) {
    if (!IsList(nodes)) {
        return;
    }
    for (ElementReader items(*nodes); !items.AtEnd();) {
        ElementReader pair(items.NextValue());
        if (pair.AtEnd()) {
            continue;
        }
        const Node host = pair.NextValue();
        if (pair.AtEnd()) {
            continue;
        }
        const Node port = pair.NextValue();
        if (host.kind != Kind::String || host.bytes.empty() || port.kind != Kind::Integer) {
            continue;
        }
        Check(info.nodes.size() + 1, allowed, Limit::ListEntries);
        const std::string name(host.bytes);
        const bool v6 = name.find(':') != std::string::npos;
        const bool portValid = port.integer >= 1 && port.integer <= 65535;
        info.nodes.push_back((v6 ? "[" + name + "]" : name) + ":" + DecimalText(port.integer) +
                             (portValid ? "" : " (invalid port)"));
    }
}

// BEP 38's keys, which writers put in the info dictionary or beside it.
void ReadRelations(const Node& top, const Node& infoDict, TorrentInfo& info, std::size_t allowed) {
    std::vector<std::string> hashes;
    for (const Node& holder : {infoDict, top}) {
        AddDistinctStrings(Node::find(holder, "similar"), hashes, allowed);
        AddDistinctStrings(Node::find(holder, "collections"), info.collections, allowed);
    }
    for (const std::string& hash : hashes) {
        if (hash.size() == kInfoHashBytes) {
            info.similar.push_back(platform::LowerHex(hash));
        }
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
    // Some makers store milliseconds. Read as seconds, those fall past the year 5000, which no
    // torrent was made in: every view then shows the date they mean.
    constexpr std::int64_t kLatestSeconds = 100'000'000'000;
    if (info.creationDate >= kLatestSeconds) {
        info.creationDate /= 1000;
        info.creationDateInMilliseconds = true;
    }

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
    info.hasV1Data = Node::find(infoDict, "pieces") || Node::find(infoDict, "files") ||
                     Node::find(infoDict, "length");

    const auto inputBytes = static_cast<std::size_t>(decoder.end - decoder.begin);
    // Trackers, keys and list entries cost some hundred bytes each at most.
    const std::size_t allowed = Allowance(inputBytes, 16);
    ReadCustomEntries(top, info, allowed);
    ReadTrackerTiers(Node::find(top, "announce-list"), info, allowed);
    AddDistinctStrings(Node::find(top, "url-list"), info.webSeeds, allowed);
    AddDistinctStrings(Node::find(top, "httpseeds"), info.httpSeeds, allowed);
    ReadNodes(Node::find(top, "nodes"), info, allowed);
    ReadRelations(top, infoDict, info, allowed);
    info.source = StringValue(Node::find(infoDict, "source"));

    const MaybeNode name = Preferred(infoDict, "name.utf-8", "name", Kind::String);
    info.name = StringValue(name);
    info.pieceLength = IntegerValue(Node::find(infoDict, "piece length"));
    const MaybeNode pieces = Node::find(infoDict, "pieces");
    if (pieces && pieces->kind == Kind::String) {
        info.pieceCount = static_cast<std::int64_t>(pieces->declaredLength / kPieceHashBytes);
    }
    info.tree.SetRoot(StringValue(name), true);
    ReadFiles(infoDict, info, inputBytes);
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
    } catch (const LimitExceeded& exceeded) {
        TorrentInfo refused;
        refused.exceeded = exceeded.limit;
        return refused;
    } catch (...) {
        // Only memory can run out on the way.
        TorrentInfo refused;
        refused.exceeded = Limit::Memory;
        return refused;
    }
}

std::string_view LimitText(Limit limit) {
    switch (limit) {
        case Limit::None:
            break;
        case Limit::PathDepth:
            return "a path of more than 4096 elements";
        case Limit::TreeNodes:
            return "more files and folders than its size allows";
        case Limit::Trackers:
            return "more trackers than its size allows";
        case Limit::CustomKeys:
            return "more keys than its size allows";
        case Limit::ListEntries:
            return "a list of seeds, nodes or relations longer than its size allows";
        case Limit::Memory:
            return "not enough memory";
        case Limit::DocumentSize:
            return "a document larger than its size allows";
    }
    return {};
}

}  // namespace torrent

#include "verify/check_plan.h"

#include <algorithm>
#include <unordered_map>

#include "platform/text.h"
#include "platform/utf8.h"
#include "torrent/bencode.h"
#include "torrent/child_key.h"
#include "verify/content_layout.h"

namespace verify {
namespace {

using bencode::ElementReader;
using bencode::Kind;
using bencode::Node;
using MaybeNode = std::optional<Node>;

#ifdef _WIN32
constexpr bool kWindowsRules = true;
#else
constexpr bool kWindowsRules = false;
#endif

constexpr std::int64_t kMaxSize = std::int64_t{1} << 56;  // no real content comes near

std::string_view Bytes(const MaybeNode& node) {
    return node && node->kind == Kind::String ? node->bytes : std::string_view();
}

std::int64_t Integer(const MaybeNode& node) {
    return node && node->kind == Kind::Integer ? node->integer : 0;
}

// Names as the page shows them: valid UTF-8 as it is, anything else repaired.
std::string Repaired(std::string_view bytes) {
    return IsValidUtf8(bytes) ? std::string(bytes) : SanitizeUtf8(bytes);
}

// The same, as a view that lives as long as the plan: into the torrent, or into the plan's own
// repaired names.
std::string_view Element(CheckPlan& plan, std::string_view bytes) {
    return IsValidUtf8(bytes)
               ? bytes
               : std::string_view(plan.repairedNames.emplace_back(SanitizeUtf8(bytes)));
}

struct Attributes {
    bool pad = false;
    bool link = false;
};

Attributes AttributesOf(const Node& file) {
    const std::string_view flags = Bytes(Node::find(file, "attr"));
    return {flags.find('p') != std::string_view::npos, flags.find('l') != std::string_view::npos};
}

// Adds a file, refusing sizes no content has: negative, or a sum past any disk.
bool Add(CheckPlan& plan, PlannedFile file, std::int64_t& total, std::string& whyNot) {
    if (file.size < 0 || file.size > kMaxSize || total > kMaxSize - file.size) {
        whyNot = "a file's length is negative or impossibly large";
        return false;
    }
    file.offset = total;
    total += file.size;
    plan.files.push_back(file);
    return true;
}

std::uint32_t AddFolder(CheckPlan& plan, std::string_view name, std::uint32_t parent) {
    const bool parentSafe = parent == kTopFolder || plan.folders[parent].safe;
    plan.folders.push_back({name, parent, parentSafe && IsSafePathElement(name, kWindowsRules)});
    return static_cast<std::uint32_t>(plan.folders.size() - 1);
}

bool IsSafeIn(const CheckPlan& plan, std::uint32_t folder, std::string_view name) {
    return (folder == kTopFolder || plan.folders[folder].safe) &&
           IsSafePathElement(name, kWindowsRules);
}

// Version 1 lists whole paths: each folder is kept once, however often and wherever the list
// names it, so that memory follows the folders there are, not the paths' lengths.
class FolderIndex {
  public:
    explicit FolderIndex(CheckPlan& plan) : plan_(plan) {}

    // The folder that holds a file at `elements` (its own name last).
    std::uint32_t FolderOf(const std::vector<std::string_view>& elements) {
        // Files of one folder mostly follow each other: the last path's folders come first.
        std::size_t depth = 0;
        while (depth < chain_.size() && depth + 1 < elements.size() &&
               plan_.folders[chain_[depth]].name == elements[depth]) {
            ++depth;
        }
        chain_.resize(depth);
        for (; depth + 1 < elements.size(); ++depth) {
            const std::uint32_t parent = depth == 0 ? kTopFolder : chain_[depth - 1];
            const auto [at, added] =
                known_.try_emplace(torrent::ChildKey{parent, elements[depth]}, 0);
            if (added) {
                at->second = AddFolder(plan_, elements[depth], parent);
            }
            chain_.push_back(at->second);
        }
        return chain_.empty() ? kTopFolder : chain_.back();
    }

  private:
    CheckPlan& plan_;
    std::vector<std::uint32_t> chain_;
    std::unordered_map<torrent::ChildKey, std::uint32_t, torrent::ChildKeyHash> known_;
};

bool PlanVersionOne(const Node& info, CheckPlan& plan, std::string& whyNot) {
    const MaybeNode files = Node::find(info, "files");
    std::int64_t total = 0;
    if (files && files->kind == Kind::List) {
        FolderIndex folders(plan);
        std::vector<std::string_view> elements;
        for (ElementReader items(*files); !items.AtEnd();) {
            const Node item = items.NextValue();
            MaybeNode path = Node::find(item, "path.utf-8");
            if (!path || path->kind != Kind::List) {
                path = Node::find(item, "path");
            }
            if (item.kind != Kind::Dictionary || !path || path->kind != Kind::List) {
                continue;
            }
            elements.clear();
            for (ElementReader names(*path); !names.AtEnd();) {
                elements.push_back(Element(plan, Bytes(names.NextValue())));
            }
            if (elements.empty() || (elements.size() == 1 && elements[0].empty())) {
                continue;
            }
            PlannedFile file;
            file.folder = folders.FolderOf(elements);
            file.name = elements.back();
            file.safe = IsSafeIn(plan, file.folder, file.name);
            const Attributes attributes = AttributesOf(item);
            file.pad = attributes.pad || file.name.starts_with("_____padding_file_");
            file.link = attributes.link;
            file.size = file.link ? 0 : Integer(Node::find(item, "length"));
            if (!Add(plan, file, total, whyNot)) {
                return false;
            }
        }
    } else {
        plan.singleFile = true;
        PlannedFile file;
        file.name = plan.repairedNames.emplace_back(plan.name);
        file.size = Integer(Node::find(info, "length"));
        file.safe = IsSafePathElement(plan.name, kWindowsRules);
        if (!Add(plan, file, total, whyNot)) {
            return false;
        }
    }
    plan.pieces = Bytes(Node::find(info, "pieces"));
    plan.pieceCount = torrent::PiecesOf(total, plan.pieceLength);
    if (static_cast<std::int64_t>(plan.pieces.size()) != plan.pieceCount * 20) {
        whyNot = "its piece hashes do not match the size of its content";
        return false;
    }
    return true;
}

bool PlanVersionTwo(const Node& top, const Node& info, CheckPlan& plan, std::string& whyNot) {
    if (plan.pieceLength < torrent::kBlockBytes ||
        (plan.pieceLength & (plan.pieceLength - 1)) != 0) {
        whyNot = "its piece length is not a power of two of at least 16 KiB";
        return false;
    }
    const MaybeNode layers = Node::find(top, "piece layers");
    struct Frame {
        ElementReader entries;
        std::uint32_t folder;
    };
    std::vector<Frame> open{{ElementReader(*Node::find(info, "file tree")), kTopFolder}};
    std::int64_t total = 0;
    while (!open.empty()) {
        Frame& frame = open.back();
        if (frame.entries.AtEnd()) {
            open.pop_back();
            continue;
        }
        const std::string_view name = Element(plan, frame.entries.NextKey());
        const Node value = frame.entries.NextValue();
        if (value.kind != Kind::Dictionary || name.empty()) {
            continue;
        }
        const MaybeNode entry = Node::find(value, "");
        if (!entry || entry->kind != Kind::Dictionary) {
            const std::uint32_t folder = AddFolder(plan, name, frame.folder);
            open.push_back({ElementReader(value), folder});
            continue;
        }
        const Attributes attributes = AttributesOf(*entry);
        PlannedFile file;
        file.name = name;
        file.folder = frame.folder;
        file.size = attributes.link ? 0 : Integer(Node::find(*entry, "length"));
        file.safe = IsSafeIn(plan, frame.folder, name);
        file.pad = attributes.pad;
        file.link = attributes.link;
        const std::string_view root = Bytes(Node::find(*entry, "pieces root"));
        file.root = root.size() == 32 ? root.data() : nullptr;
        if (const std::string_view layer =
                root.size() == 32 ? Bytes(Node::find(layers, root)) : std::string_view();
            !layer.empty()) {
            file.layer = static_cast<std::uint32_t>(plan.layers.size());
            plan.layers.push_back(layer);
        }
        if (file.content() && file.size > 0 && file.root == nullptr) {
            whyNot = "a file has no pieces root";
            return false;
        }
        if (!Add(plan, file, total, whyNot)) {
            return false;
        }
    }
    // A lone file at the top is a single-file torrent, kept under its own name.
    if (plan.files.size() == 1 && plan.files[0].folder == kTopFolder &&
        !Node::find(info, "files")) {
        plan.singleFile = true;
        plan.name = std::string(plan.files[0].name);
    }
    return true;
}

}  // namespace

std::optional<CheckPlan> PlanCheck(torrent::LoadedTorrent& torrent, std::string& whyNot) {
    torrent.info.tree = {};
    return PlanCheckBesideTree(torrent, whyNot);
}

std::optional<CheckPlan> PlanCheckBesideTree(const torrent::LoadedTorrent& torrent,
                                             std::string& whyNot) {
    bencode::Decoder decoder =
        bencode::DecoderFor(torrent.content.bytes.data(), torrent.content.bytes.size());
    const MaybeNode top = bencode::decode(decoder);
    const MaybeNode info = Node::find(top, "info");
    if (!info || info->kind != Kind::Dictionary) {
        whyNot = "it is not a torrent";
        return std::nullopt;
    }
    CheckPlan plan;
    plan.name = Repaired(torrent.info.name);
    plan.files.reserve(
        static_cast<std::size_t>(std::max(0, torrent.info.fileCount + torrent.info.padFileCount)));
    plan.pieceLength = Integer(Node::find(info, "piece length"));
    if (plan.pieceLength <= 0) {
        whyNot = "its piece length is not positive";
        return std::nullopt;
    }
    const MaybeNode tree = Node::find(info, "file tree");
    plan.v2 = tree && tree->kind == Kind::Dictionary;
    const bool planned =
        plan.v2 ? PlanVersionTwo(*top, *info, plan, whyNot) : PlanVersionOne(*info, plan, whyNot);
    if (!planned) {
        return std::nullopt;
    }
    plan.singleFile = plan.singleFile && plan.files.size() == 1;
    return plan;
}

std::string PathOf(const CheckPlan& plan, const PlannedFile& file) {
    std::size_t length = file.name.size();
    for (std::uint32_t at = file.folder; at != kTopFolder; at = plan.folders[at].parent) {
        length += plan.folders[at].name.size() + 1;
    }
    std::string path(length, '/');
    std::size_t end = length - file.name.size();
    path.replace(end, file.name.size(), file.name);
    for (std::uint32_t at = file.folder; at != kTopFolder; at = plan.folders[at].parent) {
        const std::string_view name = plan.folders[at].name;
        end -= name.size() + 1;
        path.replace(end, name.size(), name);
    }
    return path;
}

std::optional<std::filesystem::path> ContentRoot(const CheckPlan& plan,
                                                 const std::filesystem::path& torrentPath,
                                                 const std::filesystem::path& given,
                                                 std::string& whyNot) {
    if (!given.empty()) {
        return given;
    }
    auto beside = ContentBeside(torrentPath, plan.name);
    if (!beside) {
        whyNot =
            "its name is not a file name, so the content cannot be looked for beside it: "
            "give the content's place";
    }
    return beside;
}

}  // namespace verify

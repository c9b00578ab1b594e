#include "verify/check_plan.h"

#include "platform/text.h"
#include "platform/utf8.h"
#include "torrent/bencode.h"
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

constexpr std::int64_t kBlock = 16384;
constexpr std::int64_t kMaxSize = std::int64_t{1} << 56;  // no real content comes near

std::string_view Bytes(const MaybeNode& node) {
    return node && node->kind == Kind::String ? node->bytes : std::string_view();
}

std::int64_t Integer(const MaybeNode& node) {
    return node && node->kind == Kind::Integer ? node->integer : 0;
}

// Names as the page shows them: valid UTF-8 as it is, anything else repaired.
std::string Element(std::string_view bytes) {
    return IsValidUtf8(bytes) ? std::string(bytes) : SanitizeUtf8(bytes);
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
    plan.files.push_back(std::move(file));
    return true;
}

bool PlanVersionOne(const Node& info, CheckPlan& plan, std::string& whyNot) {
    const MaybeNode files = Node::find(info, "files");
    std::int64_t total = 0;
    if (files && files->kind == Kind::List) {
        for (ElementReader items(*files); !items.AtEnd();) {
            const Node item = items.NextValue();
            MaybeNode path = Node::find(item, "path.utf-8");
            if (!path || path->kind != Kind::List) {
                path = Node::find(item, "path");
            }
            if (item.kind != Kind::Dictionary || !path || path->kind != Kind::List) {
                continue;
            }
            PlannedFile file;
            std::string last;
            for (ElementReader elements(*path); !elements.AtEnd();) {
                last = Element(Bytes(elements.NextValue()));
                file.safe = file.safe && IsSafePathElement(last, kWindowsRules);
                file.path += (file.path.empty() ? "" : "/") + last;
            }
            if (file.path.empty() && last.empty()) {
                continue;
            }
            const Attributes attributes = AttributesOf(item);
            file.pad = attributes.pad || last.starts_with("_____padding_file_");
            file.link = attributes.link;
            file.size = file.link ? 0 : Integer(Node::find(item, "length"));
            if (!Add(plan, std::move(file), total, whyNot)) {
                return false;
            }
        }
    } else {
        plan.singleFile = true;
        PlannedFile file;
        file.path = plan.name;
        file.size = Integer(Node::find(info, "length"));
        file.safe = IsSafePathElement(plan.name, kWindowsRules);
        if (!Add(plan, std::move(file), total, whyNot)) {
            return false;
        }
    }
    plan.pieces = Bytes(Node::find(info, "pieces"));
    plan.pieceCount = PiecesOf(total, plan.pieceLength);
    if (static_cast<std::int64_t>(plan.pieces.size()) != plan.pieceCount * 20) {
        whyNot = "its piece hashes do not match the size of its content";
        return false;
    }
    return true;
}

bool PlanVersionTwo(const Node& top, const Node& info, CheckPlan& plan, std::string& whyNot) {
    if (plan.pieceLength < kBlock || (plan.pieceLength & (plan.pieceLength - 1)) != 0) {
        whyNot = "its piece length is not a power of two of at least 16 KiB";
        return false;
    }
    const MaybeNode layers = Node::find(top, "piece layers");
    struct Frame {
        ElementReader entries;
        std::string path;
        bool safe;
    };
    std::vector<Frame> open{{ElementReader(*Node::find(info, "file tree")), "", true}};
    std::int64_t total = 0;
    while (!open.empty()) {
        Frame& frame = open.back();
        if (frame.entries.AtEnd()) {
            open.pop_back();
            continue;
        }
        const std::string name = Element(frame.entries.NextKey());
        const Node value = frame.entries.NextValue();
        if (value.kind != Kind::Dictionary || name.empty()) {
            continue;
        }
        const std::string path = frame.path.empty() ? name : frame.path + "/" + name;
        const bool safe = frame.safe && IsSafePathElement(name, kWindowsRules);
        const MaybeNode entry = Node::find(value, "");
        if (!entry || entry->kind != Kind::Dictionary) {
            open.push_back({ElementReader(value), path, safe});
            continue;
        }
        const Attributes attributes = AttributesOf(*entry);
        PlannedFile file;
        file.path = path;
        file.size = attributes.link ? 0 : Integer(Node::find(*entry, "length"));
        file.safe = safe;
        file.pad = attributes.pad;
        file.link = attributes.link;
        file.root = Bytes(Node::find(*entry, "pieces root"));
        file.layer = Bytes(Node::find(layers, file.root));
        if (file.content() && file.size > 0 && file.root.size() != 32) {
            whyNot = "a file has no pieces root";
            return false;
        }
        if (!Add(plan, std::move(file), total, whyNot)) {
            return false;
        }
    }
    // A lone file at the top is a single-file torrent, kept under its own name.
    if (plan.files.size() == 1 && plan.files[0].path.find('/') == std::string::npos &&
        !Node::find(info, "files")) {
        plan.singleFile = true;
        plan.name = plan.files[0].path;
    }
    return true;
}

}  // namespace

std::optional<CheckPlan> PlanCheck(const torrent::LoadedTorrent& torrent, std::string& whyNot) {
    bencode::Decoder decoder =
        bencode::DecoderFor(torrent.content.bytes.data(), torrent.content.bytes.size());
    const MaybeNode top = bencode::decode(decoder);
    const MaybeNode info = Node::find(top, "info");
    if (!info || info->kind != Kind::Dictionary) {
        whyNot = "it is not a torrent";
        return std::nullopt;
    }
    CheckPlan plan;
    plan.name = Element(torrent.info.name);
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

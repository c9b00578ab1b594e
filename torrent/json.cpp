#include "torrent/json.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "platform/json_text.h"
#include "torrent/magnet.h"

namespace {

using platform::AppendJsonBool;
using platform::AppendJsonInteger;

// Every string of the document: repaired into UTF-8 first, then escaped. Most are valid
// already, and are escaped straight from where they stand.
void AppendJsonString(std::string& out, std::string_view bytes) {
    platform::AppendJsonRepaired(out, bytes, platform::ControlEscapes::Short);
}

// Writes a node's members up to its children; returns whether a children list was opened. A
// file's marks appear only when set, so the common file costs nothing more.
bool OpenTreeNode(std::string& out, const torrent::FileTree& tree, std::uint32_t index) {
    const torrent::TreeNode& node = tree.nodes()[index];
    out += "{\"name\":";
    AppendJsonString(out, tree.Name(node));
    out += ",\"dir\":";
    AppendJsonBool(out, node.dir);
    out += ",\"size\":";
    AppendJsonInteger(out, node.size);
    if (node.link) {
        out += ",\"link\":";
        AppendJsonString(out, tree.LinkTarget(index));
    }
    out += node.executable ? ",\"executable\":true" : "";
    out += node.hidden ? ",\"hidden\":true" : "";
    if (!node.dir) {
        out += '}';
        return false;
    }
    out += ",\"children\":[";
    return true;
}

std::size_t IntegerTextSize(std::int64_t value) {
    char digits[24];
    return static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr -
                                    digits);
}

// At least what the document's text of these bytes takes: quotes, escapes and repairs.
std::size_t StringSize(std::string_view bytes) {
    return 2 + bytes.size() + platform::JsonRepairedGrowth(bytes);
}

// At least what WriteTree writes.
std::size_t TreeJsonSize(const torrent::FileTree& tree) {
    constexpr std::size_t kFile = sizeof R"({"name":,"dir":false,"size":},)" - 1;
    constexpr std::size_t kDirectory = sizeof R"({"name":,"dir":true,"size":,"children":[]},)" - 1;
    constexpr std::size_t kMarks = sizeof R"(,"link":,"executable":true,"hidden":true)" - 1;
    std::size_t total = 0;
    const std::vector<torrent::TreeNode>& nodes = tree.nodes();
    for (std::uint32_t i = 0; i < nodes.size(); ++i) {
        const torrent::TreeNode& node = nodes[i];
        total += (node.dir ? kDirectory : kFile) + StringSize(tree.Name(node)) +
                 IntegerTextSize(node.size);
        if (node.link || node.executable || node.hidden) {
            total += kMarks + (node.link ? StringSize(tree.LinkTarget(i)) : 0);
        }
    }
    return total;
}

std::size_t ListSize(const std::vector<std::string>& list) {
    constexpr std::size_t kPerList = 16;  // brackets, a member's name
    std::size_t total = kPerList;
    for (const std::string& text : list) {
        total += StringSize(text) + 1;
    }
    return total;
}

void AppendList(std::string& out, const std::vector<std::string>& list) {
    out += '[';
    for (std::size_t i = 0; i < list.size(); ++i) {
        out += i == 0 ? "" : ",";
        AppendJsonString(out, list[i]);
    }
    out += ']';
}

// Depth first, without recursion: a hostile path can make the tree millions of levels deep.
void WriteTree(std::string& out, const torrent::FileTree& tree) {
    const std::vector<torrent::TreeNode>& nodes = tree.nodes();
    if (!OpenTreeNode(out, tree, 0)) {
        return;
    }
    // The open folders, each with the next of its children to write.
    std::vector<std::uint32_t> next{nodes.front().firstChild};
    bool first = true;
    while (!next.empty()) {
        const std::uint32_t child = next.back();
        if (child == torrent::kNoNode) {
            out += "]}";
            next.pop_back();
            first = false;
            continue;
        }
        if (!first) {
            out += ',';
        }
        next.back() = nodes[child].nextSibling;
        first = OpenTreeNode(out, tree, child);
        if (first) {
            next.push_back(nodes[child].firstChild);
        }
    }
}

}  // namespace

namespace torrent {

std::size_t DocumentSizeBound(const TorrentInfo& info) {
    constexpr std::size_t kMembers = 1024;  // every member name, number and flag
    std::size_t total = kMembers + TreeJsonSize(info.tree) + MagnetLinkSizeBound(info);
    for (const std::string_view text :
         {std::string_view(info.name), std::string_view(info.announce),
          std::string_view(info.comment), std::string_view(info.createdBy),
          std::string_view(info.infoHashV1), std::string_view(info.infoHashV2),
          std::string_view(info.source)}) {
        total += StringSize(text);
    }
    for (const auto* list : {&info.webSeeds, &info.httpSeeds, &info.nodes, &info.similar,
                             &info.collections, &info.warnings}) {
        total += ListSize(*list);
    }
    for (const auto& [key, value] : info.custom) {
        total += StringSize(key) + StringSize(value) + 16;
    }
    for (const auto& tier : info.trackerTiers) {
        total += ListSize(tier);
    }
    return total;
}

// The members of the document's first version come first, in their order and form; those added
// since follow "tree", in this order: source, webSeeds, httpSeeds, nodes, similar, collections,
// magnet, padFileCount, padFileSize, warnings, and magnetHoldsPasskey and
// creationDateInMilliseconds where they are true.
std::string toJson(const TorrentInfo& info) {
    std::string out;
    // One buffer for the whole text: a tree of 200,000 files is not copied as it grows.
    out.reserve(DocumentSizeBound(info));
    const auto member = [&out](std::string_view name) {
        out += out.empty() ? "{\"" : ",\"";
        out += name;
        out += "\":";
    };
    member("ok");
    AppendJsonBool(out, info.ok);
    member("name");
    AppendJsonString(out, info.name);
    member("announce");
    AppendJsonString(out, info.announce);
    member("comment");
    AppendJsonString(out, info.comment);
    member("createdBy");
    AppendJsonString(out, info.createdBy);
    member("creationDate");
    AppendJsonInteger(out, info.creationDate);
    member("pieceLength");
    AppendJsonInteger(out, info.pieceLength);
    member("pieceCount");
    AppendJsonInteger(out, info.pieceCount);
    member("multiFile");
    AppendJsonBool(out, info.multiFile);
    member("totalSize");
    AppendJsonInteger(out, info.totalSize);
    member("fileCount");
    AppendJsonInteger(out, info.fileCount);
    member("hasPrivate");
    AppendJsonBool(out, info.hasPrivate);
    member("isPrivate");
    AppendJsonBool(out, info.isPrivate);
    member("isV2");
    AppendJsonBool(out, info.isV2);
    member("infoHashV1");
    AppendJsonString(out, info.infoHashV1);
    member("infoHashV2");
    AppendJsonString(out, info.infoHashV2);
    member("custom");
    out += '[';
    for (std::size_t i = 0; i < info.custom.size(); ++i) {
        out += i == 0 ? "{\"k\":" : ",{\"k\":";
        AppendJsonString(out, info.custom[i].first);
        out += ",\"v\":";
        AppendJsonString(out, info.custom[i].second);
        out += '}';
    }
    out += ']';
    member("trackerTiers");
    out += '[';
    for (std::size_t t = 0; t < info.trackerTiers.size(); ++t) {
        out += t == 0 ? "" : ",";
        AppendList(out, info.trackerTiers[t]);
    }
    out += ']';
    member("tree");
    WriteTree(out, info.tree);
    member("source");
    AppendJsonString(out, info.source);
    member("webSeeds");
    AppendList(out, info.webSeeds);
    member("httpSeeds");
    AppendList(out, info.httpSeeds);
    member("nodes");
    AppendList(out, info.nodes);
    member("similar");
    AppendList(out, info.similar);
    member("collections");
    AppendList(out, info.collections);
    member("magnet");
    out += '"';
    AppendMagnetLink(out, info);
    out += '"';
    member("padFileCount");
    AppendJsonInteger(out, info.padFileCount);
    member("padFileSize");
    AppendJsonInteger(out, info.padFileSize);
    member("warnings");
    AppendList(out, info.warnings);
    if (MagnetHoldsPasskey(info)) {
        member("magnetHoldsPasskey");
        AppendJsonBool(out, true);
    }
    if (info.creationDateInMilliseconds) {
        member("creationDateInMilliseconds");
        AppendJsonBool(out, true);
    }
    out += '}';
    return out;
}

}  // namespace torrent

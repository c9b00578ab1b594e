#include "torrent/json.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "platform/json_text.h"
#include "platform/utf8.h"

namespace {

using platform::AppendJsonBool;
using platform::AppendJsonInteger;

// Every string of the document: repaired into UTF-8 first, then escaped. Most are valid
// already, and are escaped straight from where they stand.
void AppendJsonString(std::string& out, std::string_view bytes) {
    if (IsValidUtf8(bytes)) {
        platform::AppendJsonString(out, bytes, platform::ControlEscapes::Short);
    } else {
        platform::AppendJsonString(out, SanitizeUtf8(bytes), platform::ControlEscapes::Short);
    }
}

// Writes a node's members up to its children; returns whether a children list was opened.
bool OpenTreeNode(std::string& out, const torrent::FileTree& tree, const torrent::TreeNode& node) {
    out += "{\"name\":";
    AppendJsonString(out, tree.Name(node));
    out += ",\"dir\":";
    AppendJsonBool(out, node.dir);
    out += ",\"size\":";
    AppendJsonInteger(out, node.size);
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

// What WriteTree writes when no name needs an escape.
std::size_t ExpectedTreeJsonSize(const torrent::FileTree& tree) {
    constexpr std::size_t kFile = sizeof R"({"name":"","dir":false,"size":},)" - 1;
    constexpr std::size_t kDirectory =
        sizeof R"({"name":"","dir":true,"size":,"children":[]},)" - 1;
    std::size_t total = 0;
    for (const torrent::TreeNode& node : tree.nodes()) {
        total += (node.dir ? kDirectory : kFile) + node.nameLength + IntegerTextSize(node.size);
    }
    return total;
}

// Room for the whole document, so that the text of a tree of 200,000 files is written into one
// buffer instead of doubling it, and briefly holding both, on the way.
std::size_t ExpectedDocumentSize(const torrent::TorrentInfo& info) {
    constexpr std::size_t kMembers = 512;  // every member name, number and flag
    constexpr std::size_t kPerString = 8;  // quotes, separator, a key's wrapping
    std::size_t total = kMembers + ExpectedTreeJsonSize(info.tree) + info.name.size() +
                        info.announce.size() + info.comment.size() + info.createdBy.size() +
                        info.infoHashV1.size() + info.infoHashV2.size();
    for (const auto& [key, value] : info.custom) {
        total += key.size() + value.size() + 2 * kPerString;
    }
    for (const auto& tier : info.trackerTiers) {
        total += kPerString;
        for (const std::string& tracker : tier) {
            total += tracker.size() + kPerString;
        }
    }
    return total;
}

// Depth first, without recursion: a hostile path can make the tree millions of levels deep.
void WriteTree(std::string& out, const torrent::FileTree& tree) {
    const std::vector<torrent::TreeNode>& nodes = tree.nodes();
    if (!OpenTreeNode(out, tree, nodes.front())) {
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
        first = OpenTreeNode(out, tree, nodes[child]);
        if (first) {
            next.push_back(nodes[child].firstChild);
        }
    }
}

}  // namespace

namespace torrent {

std::string toJson(const TorrentInfo& info) {
    std::string out;
    out.reserve(ExpectedDocumentSize(info));
    out += "{\"ok\":";
    AppendJsonBool(out, info.ok);
    out += ",\"name\":";
    AppendJsonString(out, info.name);
    out += ",\"announce\":";
    AppendJsonString(out, info.announce);
    out += ",\"comment\":";
    AppendJsonString(out, info.comment);
    out += ",\"createdBy\":";
    AppendJsonString(out, info.createdBy);
    out += ",\"creationDate\":";
    AppendJsonInteger(out, info.creationDate);
    out += ",\"pieceLength\":";
    AppendJsonInteger(out, info.pieceLength);
    out += ",\"pieceCount\":";
    AppendJsonInteger(out, info.pieceCount);
    out += ",\"multiFile\":";
    AppendJsonBool(out, info.multiFile);
    out += ",\"totalSize\":";
    AppendJsonInteger(out, info.totalSize);
    out += ",\"fileCount\":";
    AppendJsonInteger(out, info.fileCount);
    out += ",\"hasPrivate\":";
    AppendJsonBool(out, info.hasPrivate);
    out += ",\"isPrivate\":";
    AppendJsonBool(out, info.isPrivate);
    out += ",\"isV2\":";
    AppendJsonBool(out, info.isV2);
    out += ",\"infoHashV1\":";
    AppendJsonString(out, info.infoHashV1);
    out += ",\"infoHashV2\":";
    AppendJsonString(out, info.infoHashV2);
    out += ",\"custom\":[";
    for (std::size_t i = 0; i < info.custom.size(); ++i) {
        out += i == 0 ? "{\"k\":" : ",{\"k\":";
        AppendJsonString(out, info.custom[i].first);
        out += ",\"v\":";
        AppendJsonString(out, info.custom[i].second);
        out += '}';
    }
    out += "],\"trackerTiers\":[";
    for (std::size_t t = 0; t < info.trackerTiers.size(); ++t) {
        out += t == 0 ? "[" : ",[";
        const auto& tier = info.trackerTiers[t];
        for (std::size_t i = 0; i < tier.size(); ++i) {
            if (i != 0) {
                out += ',';
            }
            AppendJsonString(out, tier[i]);
        }
        out += ']';
    }
    out += "],\"tree\":";
    WriteTree(out, info.tree);
    out += '}';
    return out;
}

}  // namespace torrent

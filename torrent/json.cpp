#include "torrent/json.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "platform/json_text.h"
#include "platform/utf8.h"

namespace {

using platform::AppendJsonBool;
using platform::AppendJsonInteger;

// Every string of the document: repaired into UTF-8 first, then escaped.
void AppendJsonString(std::string& out, std::string_view bytes) {
    platform::AppendJsonString(out, SanitizeUtf8(bytes), platform::ControlEscapes::Short);
}

// Writes a node's members up to its children; returns whether a children list was opened.
bool OpenTreeNode(std::string& out, const torrent::TreeNode& node) {
    out += "{\"name\":";
    AppendJsonString(out, node.name);
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

// What WriteTreeJson writes when no name needs an escape.
std::size_t ExpectedTreeJsonSize(const torrent::TreeNode& root) {
    constexpr std::size_t kFile = sizeof R"({"name":"","dir":false,"size":},)" - 1;
    constexpr std::size_t kDirectory =
        sizeof R"({"name":"","dir":true,"size":,"children":[]},)" - 1;
    std::size_t total = kDirectory + root.name.size() + IntegerTextSize(root.size);
    std::vector<const torrent::TreeNode*> directories{&root};
    while (!directories.empty()) {
        const torrent::TreeNode* directory = directories.back();
        directories.pop_back();
        for (const torrent::TreeNode& child : directory->children) {
            total +=
                (child.dir ? kDirectory : kFile) + child.name.size() + IntegerTextSize(child.size);
            if (child.dir) {
                directories.push_back(&child);
            }
        }
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

void WriteTreeJson(std::string& out, const torrent::TreeNode& node) {
    // Iterative: a hostile path can make the tree millions of levels deep.
    struct Frame {
        const torrent::TreeNode* directory;
        std::size_t nextChild;
    };
    std::vector<Frame> open;
    if (OpenTreeNode(out, node)) {
        open.push_back({&node, 0});
    }
    while (!open.empty()) {
        Frame& top = open.back();
        if (top.nextChild == top.directory->children.size()) {
            out += "]}";
            open.pop_back();
            continue;
        }
        const torrent::TreeNode& child = top.directory->children[top.nextChild];
        if (top.nextChild++ != 0) {
            out += ',';
        }
        if (OpenTreeNode(out, child)) {
            open.push_back({&child, 0});
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
    WriteTreeJson(out, info.tree);
    out += '}';
    return out;
}

}  // namespace torrent

#include "torrent/json.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "torrent/utf8.h"

namespace {

void AppendJsonEscaped(std::string& out, std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char c : bytes) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    const char escape[] = {'\\',         'u', '0', '0', kHex[(c >> 4) & 0xF],
                                           kHex[c & 0xF]};
                    out.append(escape, sizeof escape);
                } else {
                    out += c;
                }
        }
    }
}

void AppendInteger(std::string& out, std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void AppendBool(std::string& out, bool value) {
    out += value ? "true" : "false";
}

// Writes a node's members up to its children; returns whether a children list was opened.
bool OpenTreeNode(std::string& out, const torrent::TreeNode& node) {
    out += "{\"name\":";
    AppendJsonString(out, node.name);
    out += ",\"dir\":";
    AppendBool(out, node.dir);
    out += ",\"size\":";
    AppendInteger(out, node.size);
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

}  // namespace

std::string JsonEscape(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + 8);
    AppendJsonEscaped(out, bytes);
    return out;
}

void AppendJsonString(std::string& out, std::string_view bytes) {
    out += '"';
    AppendJsonEscaped(out, SanitizeUtf8(bytes));
    out += '"';
}

std::string JsonString(std::string_view bytes) {
    std::string out;
    AppendJsonString(out, bytes);
    return out;
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

namespace torrent {

std::string toJson(const TorrentInfo& info) {
    std::string out;
    out.reserve(ExpectedDocumentSize(info));
    out += "{\"ok\":";
    AppendBool(out, info.ok);
    out += ",\"name\":";
    AppendJsonString(out, info.name);
    out += ",\"announce\":";
    AppendJsonString(out, info.announce);
    out += ",\"comment\":";
    AppendJsonString(out, info.comment);
    out += ",\"createdBy\":";
    AppendJsonString(out, info.createdBy);
    out += ",\"creationDate\":";
    AppendInteger(out, info.creationDate);
    out += ",\"pieceLength\":";
    AppendInteger(out, info.pieceLength);
    out += ",\"pieceCount\":";
    AppendInteger(out, info.pieceCount);
    out += ",\"multiFile\":";
    AppendBool(out, info.multiFile);
    out += ",\"totalSize\":";
    AppendInteger(out, info.totalSize);
    out += ",\"fileCount\":";
    AppendInteger(out, info.fileCount);
    out += ",\"hasPrivate\":";
    AppendBool(out, info.hasPrivate);
    out += ",\"isPrivate\":";
    AppendBool(out, info.isPrivate);
    out += ",\"isV2\":";
    AppendBool(out, info.isV2);
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

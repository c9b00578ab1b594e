#include "view/text_search.h"

#include <algorithm>
#include <deque>

#include "platform/json_text.h"
#include "platform/utf8.h"
#include "torrent/magnet.h"

namespace {

// Gathers the entries first and writes the text once, at its full size: a text grown step by
// step leaves a trail of freed blocks behind in the host's heap.
class Builder {
  public:
    explicit Builder(SearchText& search) : search_(search) {}

    void Meta(std::string key, std::string_view value) {
        search_.metaKeys.push_back(std::move(key));
        Entry(value);
    }
    void MetaList(std::string_view key, const std::vector<std::string>& values) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            Meta(std::string(key) + "." + std::to_string(i), values[i]);
        }
    }
    // The page shows every text repaired into UTF-8, and the hit's place must be counted in
    // the text it shows. `value` must stay alive until Finish.
    void TreeEntry(std::string_view name, std::size_t depth) {
        search_.depths.push_back(static_cast<std::uint32_t>(depth));
        Entry(name);
    }
    void Entry(std::string_view value) {
        if (!IsValidUtf8(value)) {
            value = repaired_.emplace_back(SanitizeUtf8(value));
        }
        entries_.push_back(value);
    }
    void Finish() {
        std::size_t total = 0;
        for (const std::string_view entry : entries_) {
            total += entry.size();
        }
        search_.text.reserve(total);
        search_.starts.reserve(entries_.size());
        for (const std::string_view entry : entries_) {
            search_.starts.push_back(static_cast<std::uint32_t>(search_.text.size()));
            search_.text += entry;
        }
    }

  private:
    SearchText& search_;
    std::vector<std::string_view> entries_;
    std::deque<std::string> repaired_;  // stable addresses for the views in entries_
};

// The page's tracker list: the tiers in order (the announce URL when there are none), each
// address once.
std::vector<std::string> ShownTrackers(const torrent::TorrentInfo& info) {
    std::vector<std::string> shown;
    const auto add = [&shown](const std::string& url) {
        if (!url.empty() && std::find(shown.begin(), shown.end(), url) == shown.end()) {
            shown.push_back(url);
        }
    };
    if (info.trackerTiers.empty()) {
        add(info.announce);
    }
    for (const auto& tier : info.trackerTiers) {
        std::for_each(tier.begin(), tier.end(), add);
    }
    return shown;
}

void AddTreeNames(Builder& builder, const torrent::TorrentInfo& info) {
    const torrent::FileTree& tree = info.tree;
    const std::vector<torrent::TreeNode>& nodes = tree.nodes();
    if (nodes.front().firstChild == torrent::kNoNode) {
        // The page shows a torrent without children as one file row under the torrent's name.
        builder.TreeEntry(info.name, 0);
        return;
    }
    std::vector<std::uint32_t> next{nodes.front().firstChild};
    while (!next.empty()) {
        const std::uint32_t node = next.back();
        if (node == torrent::kNoNode) {
            next.pop_back();
            continue;
        }
        next.back() = nodes[node].nextSibling;
        builder.TreeEntry(tree.Name(nodes[node]), next.size() - 1);
        if (nodes[node].dir) {
            next.push_back(nodes[node].firstChild);
        }
    }
}

// Lower case for ASCII and the two-byte Latin, Greek and Cyrillic capitals: enough for the
// names torrents carry, and each folded letter keeps its length in bytes, so that a place in
// the folded text is the same place in the original.
void FoldInto(std::string& out, std::string_view text) {
    out.assign(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto lead = static_cast<unsigned char>(out[i]);
        if (lead >= 'A' && lead <= 'Z') {
            out[i] = static_cast<char>(lead + 32);
            continue;
        }
        if (lead < 0xC2 || lead > 0xDF || i + 1 == out.size()) {
            continue;
        }
        const auto trail = static_cast<unsigned char>(out[i + 1]);
        if ((trail & 0xC0) != 0x80) {
            continue;
        }
        unsigned c = ((lead & 0x1Fu) << 6) | (trail & 0x3Fu);
        if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
            (c >= 0x410 && c <= 0x42F)) {
            c += 0x20;
        } else if (c >= 0x400 && c <= 0x40F) {
            c += 0x50;
        } else if (c == 0x178) {
            c = 0xFF;
        } else if (c >= 0x100 && c <= 0x17E && c != 0x130 && c != 0x131 && c != 0x138 &&
                   c != 0x149) {
            // Latin Extended-A pairs each capital with the letter after it; the run from
            // U+0139 to U+0148 and U+0179 to U+017E pairs them the other way round.
            const bool oddCapitals = (c >= 0x139 && c <= 0x148) || c >= 0x179;
            if ((c % 2 == 1) == oddCapitals) {
                c += 1;
            }
        }
        out[i] = static_cast<char>(0xC0 | (c >> 6));
        out[i + 1] = static_cast<char>(0x80 | (c & 0x3F));
        ++i;
    }
}

bool IsWordByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || byte == '_' || (byte >= '0' && byte <= '9') ||
           (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
}

std::string HitMessage(const SearchText& search, std::size_t entry, std::size_t at,
                       std::size_t length) {
    const std::string_view text = search.text;
    const std::size_t begin = search.starts[entry];
    std::string message = "{\"find\":{";
    if (entry < search.metaKeys.size()) {
        message += "\"meta\":";
        platform::AppendJsonString(message, search.metaKeys[entry],
                                   platform::ControlEscapes::Unicode);
    } else {
        message += "\"node\":";
        platform::AppendJsonInteger(message,
                                    static_cast<std::int64_t>(entry - search.metaKeys.size() + 1));
    }
    message += ",\"start\":";
    platform::AppendJsonInteger(
        message, static_cast<std::int64_t>(Utf16Length(text.substr(begin, at - begin))));
    message += ",\"length\":";
    platform::AppendJsonInteger(message,
                                static_cast<std::int64_t>(Utf16Length(text.substr(at, length))));
    return message + "}}";
}

std::size_t EntryAt(const SearchText& search, std::size_t position) {
    return static_cast<std::size_t>(
        std::upper_bound(search.starts.begin(), search.starts.end(), position) -
        search.starts.begin() - 1);
}

std::string_view EntryText(const SearchText& search, std::size_t entry) {
    const std::size_t end =
        entry + 1 < search.starts.size() ? search.starts[entry + 1] : search.text.size();
    return std::string_view(search.text).substr(search.starts[entry], end - search.starts[entry]);
}

bool IsWholeWord(std::string_view text, std::size_t at, std::size_t length) {
    return (at == 0 || !IsWordByte(text[at - 1])) &&
           (at + length == text.size() || !IsWordByte(text[at + length]));
}

// Paths are made one after another as the depth-first order goes, each from its folder's.
std::optional<std::string> FindInPaths(SearchText& search, std::string needle, int flags) {
    std::replace(needle.begin(), needle.end(), '\\', '/');
    const bool fold = (flags & kMatchCase) == 0;
    if (fold) {
        FoldInto(needle, std::string(needle));
    }
    const bool backwards = (flags & kBackwards) != 0;
    // Entries from `from` up to `to` are searched; the paths are made from the first entry on.
    const std::size_t first = search.metaKeys.size();
    std::size_t from = first;
    std::size_t to = search.starts.size();
    if ((flags & kFindFirst) == 0 && search.lastHit) {
        const std::size_t last = EntryAt(search, *search.lastHit);
        if (backwards) {
            to = last;
        } else {
            from = last + 1;
        }
    }
    std::string path, folded;
    std::vector<std::size_t> ends;
    std::optional<std::pair<std::size_t, std::size_t>> hit;  // entry, place in its name
    std::size_t hitLength = 0;
    for (std::size_t entry = first; entry < to; ++entry) {
        const std::size_t depth = search.depths[entry - first];
        path.resize(depth == 0 ? 0 : ends[depth - 1]);
        path += depth == 0 ? "" : "/";
        const std::size_t nameStart = path.size();
        path += EntryText(search, entry);
        ends.resize(depth + 1);
        ends[depth] = path.size();
        if (entry < from) {
            continue;
        }
        if (fold) {
            FoldInto(folded, path);
        }
        const std::string& text = fold ? folded : path;
        // Only a hit that ends in this entry's name (or at its start) is this entry's.
        for (std::size_t at =
                 text.find(needle, nameStart > needle.size() ? nameStart - needle.size() : 0);
             at != std::string::npos; at = text.find(needle, at + 1)) {
            if ((flags & kWholeWords) == 0 || IsWholeWord(text, at, needle.size())) {
                const std::size_t inName = std::max(at, nameStart);
                hit = {{entry, inName - nameStart}};
                hitLength = at + needle.size() - inName;
                break;
            }
        }
        if (hit && !backwards && hit->first == entry) {
            break;
        }
    }
    if (!hit) {
        return std::nullopt;
    }
    const std::size_t at = search.starts[hit->first] + hit->second;
    search.lastHit = at;
    return HitMessage(search, hit->first, at, hitLength);
}

}  // namespace

SearchText BuildSearchText(const torrent::TorrentInfo& info) {
    SearchText search;
    Builder builder(search);
    builder.Meta("name", info.name);
    const std::vector<std::string> trackers = ShownTrackers(info);
    builder.MetaList("tracker", trackers);
    builder.Meta("v1", info.infoHashV1);
    builder.Meta("v2", info.infoHashV2);
    builder.Meta("comment", info.comment);
    builder.Meta("createdBy", info.createdBy);
    for (std::size_t i = 0; i < info.custom.size(); ++i) {
        builder.Meta("custom." + std::to_string(i), info.custom[i].second);
    }
    builder.Meta("source", info.source);
    builder.MetaList("webSeed", info.webSeeds);
    builder.MetaList("httpSeed", info.httpSeeds);
    builder.MetaList("node", info.nodes);
    builder.MetaList("similar", info.similar);
    builder.MetaList("collection", info.collections);
    const std::string magnet = torrent::MagnetLink(info);
    builder.Meta("magnet", magnet);
    AddTreeNames(builder, info);
    builder.Finish();
    return search;
}

std::optional<std::string> FindNext(SearchText& search, std::string_view needle, int flags) {
    if (needle.empty() || search.starts.empty()) {
        return std::nullopt;
    }
    if (needle.find_first_of("/\\") != std::string_view::npos) {
        return FindInPaths(search, std::string(needle), flags);
    }
    std::string foldedNeedle;
    std::string_view haystack = search.text;
    if ((flags & kMatchCase) == 0) {
        if (search.folded.size() != search.text.size()) {
            FoldInto(search.folded, search.text);
        }
        FoldInto(foldedNeedle, needle);
        needle = foldedNeedle;
        haystack = search.folded;
    }
    const bool backwards = (flags & kBackwards) != 0;
    const bool fromLast = (flags & kFindFirst) == 0 && search.lastHit.has_value();
    if (backwards && fromLast && *search.lastHit == 0) {
        return std::nullopt;
    }
    std::size_t at = backwards ? (fromLast ? *search.lastHit - 1 : std::string_view::npos)
                               : (fromLast ? *search.lastHit + 1 : 0);
    while (true) {
        at = backwards ? haystack.rfind(needle, at) : haystack.find(needle, at);
        if (at == std::string_view::npos) {
            return std::nullopt;
        }
        const std::size_t entry = EntryAt(search, at);
        const std::size_t begin = search.starts[entry];
        const std::string_view text =
            haystack.substr(begin, EntryText(search, entry).size());  // as searched: maybe folded
        const bool inOneEntry = at + needle.size() <= begin + text.size();
        if (inOneEntry &&
            ((flags & kWholeWords) == 0 || IsWholeWord(text, at - begin, needle.size()))) {
            search.lastHit = at;
            return HitMessage(search, entry, at, needle.size());
        }
        if (backwards && at == 0) {
            return std::nullopt;
        }
        at = backwards ? at - 1 : at + 1;
    }
}

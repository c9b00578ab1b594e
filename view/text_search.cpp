#include "view/text_search.h"

#include <algorithm>
#include <charconv>
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

// The page's tracker list, as the page shows its texts.
std::vector<std::string> ShownTrackers(const torrent::TorrentInfo& info) {
    std::vector<std::string> shown;
    torrent::ForEachTracker(info, [&](std::string_view address, std::size_t) {
        shown.push_back(SanitizeUtf8(address));  // the announce address may not be UTF-8
    });
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

std::string_view EntryText(const SearchText& search, std::size_t entry) {
    const std::size_t end =
        entry + 1 < search.starts.size() ? search.starts[entry + 1] : search.text.size();
    return std::string_view(search.text).substr(search.starts[entry], end - search.starts[entry]);
}

// Knuth, Morris and Pratt's matcher: each byte of a text is stepped over a bounded number of
// times on average, whatever the needle, so a find costs what the text it searches costs.
class Matcher {
  public:
    explicit Matcher(std::string needle) : needle_(std::move(needle)), fallback_(needle_.size()) {
        for (std::size_t i = 1, k = 0; i < needle_.size(); ++i) {
            while (k > 0 && needle_[i] != needle_[k]) {
                k = fallback_[k - 1];
            }
            k += needle_[i] == needle_[k] ? 1 : 0;
            fallback_[i] = k;
        }
    }

    std::size_t size() const { return needle_.size(); }

    // The state after one more byte: how much of the needle the text now ends with. A state of
    // size() is a whole match ending at that byte.
    std::size_t Step(std::size_t state, char c) const {
        if (state == needle_.size()) {
            state = fallback_[state - 1];
        }
        while (state > 0 && needle_[state] != c) {
            state = fallback_[state - 1];
        }
        return needle_[state] == c ? state + 1 : state;
    }

  private:
    std::string needle_;
    std::vector<std::size_t> fallback_;
};

// Folders are made only for what they hold: a folder is a node with a child after it.
bool IsFolderEntry(const SearchText& search, std::size_t node) {
    return node + 1 < search.depths.size() && search.depths[node + 1] == search.depths[node] + 1;
}

// Separators match each other in a path: a name holding "\" is found as a path would be.
char PathByte(char c) {
    return c == '\\' ? '/' : c;
}

struct Candidate {
    std::size_t visit;
    std::size_t end;  // where the match ends in the entry's text
    std::size_t entry;
    std::size_t start;   // the marked part: where it begins in the entry's own text
    std::size_t length;  // and its length there, never 0
};

// Walks every entry in the page's order and hands each match to `take`, which answers whether
// to stop. A path search carries, for each open folder, the matcher's state after its path
// and separator, and each folder's place in the path for the whole-word rule.
template <typename Take>
void ForEachMatch(const SearchText& search, std::string_view haystack, const Matcher& plain,
                  const Matcher* path, bool wholeWords, Take take) {
    const std::size_t metaCount = search.metaKeys.size();
    const std::size_t visits = metaCount + search.order.size();
    const std::size_t m = plain.size();
    std::vector<std::size_t> states{0}, pathEnds, folders;  // by depth
    const auto entryText = [&](std::size_t entry) {
        return haystack.substr(search.starts[entry], EntryText(search, entry).size());
    };
    for (std::size_t visit = 0; visit < visits; ++visit) {
        const std::size_t entry =
            visit < metaCount ? visit : metaCount + search.order[visit - metaCount];
        const std::string_view text = entryText(entry);
        if (visit < metaCount || path == nullptr) {
            for (std::size_t i = 0, state = 0; i < text.size(); ++i) {
                state = plain.Step(state, text[i]);
                const std::size_t start = i + 1 - m;
                if (state == m &&
                    (!wholeWords || ((start == 0 || !IsWordByte(text[start - 1])) &&
                                     (i + 1 == text.size() || !IsWordByte(text[i + 1]))))) {
                    if (take(Candidate{visit, i + 1, entry, start, m})) {
                        return;
                    }
                }
            }
            continue;
        }
        // A path: the folders above, each with its separator, then this entry's name, and a
        // folder's own separator after it.
        const std::size_t depth =
            std::min<std::size_t>(search.depths[entry - metaCount], states.size() - 1);
        states.resize(depth + 1);
        pathEnds.resize(depth);
        folders.resize(depth);
        const std::size_t before = depth == 0 ? 0 : pathEnds[depth - 1];
        const auto byteAt = [&](std::size_t offset) {  // a byte of the path above this entry
            const std::size_t level = static_cast<std::size_t>(
                std::upper_bound(pathEnds.begin(), pathEnds.end(), offset) - pathEnds.begin());
            const std::size_t folderStart = level == 0 ? 0 : pathEnds[level - 1];
            return offset + 1 == pathEnds[level] ? '/'
                                                 : entryText(folders[level])[offset - folderStart];
        };
        const bool folder = IsFolderEntry(search, entry - metaCount);
        const std::size_t streamSize = text.size() + (folder ? 1 : 0);
        const std::size_t n = path->size();
        std::size_t state = states[depth];
        for (std::size_t i = 0; i < streamSize; ++i) {
            state = path->Step(state, i < text.size() ? PathByte(text[i]) : '/');
            if (state != n) {
                continue;
            }
            const std::size_t end = i + 1;
            const std::size_t markStart = end > n ? end - n : 0;
            const std::size_t markEnd = std::min(end, text.size());
            if (markEnd <= markStart) {
                continue;  // nothing of this entry's name to mark
            }
            if (wholeWords) {
                const bool startsInName = end >= n;
                const char previous = startsInName           ? (end == n ? '/' : text[end - n - 1])
                                      : before + end < n + 1 ? '/'
                                                             : byteAt(before + end - n - 1);
                const char next = end < text.size() ? text[end] : '/';
                if (IsWordByte(previous) || IsWordByte(next)) {
                    continue;
                }
            }
            if (take(Candidate{visit, end, entry, markStart, markEnd - markStart})) {
                return;
            }
        }
        if (folder) {
            states.push_back(state);
            pathEnds.push_back(before + text.size() + 1);
            folders.push_back(entry);
        }
    }
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
    search.order.resize(search.depths.size());
    for (std::uint32_t i = 0; i < search.order.size(); ++i) {
        search.order[i] = i;
    }
    return search;
}

bool SetPageOrder(SearchText& search, std::string_view numbers) {
    const std::size_t count = search.depths.size();
    std::vector<std::uint32_t> order;
    order.reserve(count);
    std::vector<bool> seen(count);
    std::size_t previousDepth = 0;
    while (!numbers.empty()) {
        const std::string_view token = numbers.substr(0, numbers.find(' '));
        numbers.remove_prefix(std::min(token.size() + 1, numbers.size()));
        std::size_t number = 0;
        const auto read = std::from_chars(token.data(), token.data() + token.size(), number);
        // Depth first: each node at most one level below the one before, the first at the top.
        if (read.ec != std::errc() || read.ptr != token.data() + token.size() || number < 1 ||
            number > count || seen[number - 1] ||
            search.depths[number - 1] > (order.empty() ? 0 : previousDepth + 1)) {
            return false;
        }
        seen[number - 1] = true;
        order.push_back(static_cast<std::uint32_t>(number - 1));
        previousDepth = search.depths[number - 1];
    }
    if (order.size() != count) {
        return false;
    }
    search.order = std::move(order);
    search.lastHit.reset();
    return true;
}

std::optional<std::string> FindNext(SearchText& search, std::string_view needle, int flags) {
    if (needle.empty() || search.starts.empty()) {
        return std::nullopt;
    }
    std::string folded(needle);
    std::string_view haystack = search.text;
    if ((flags & kMatchCase) == 0) {
        if (search.folded.size() != search.text.size()) {
            FoldInto(search.folded, search.text);
        }
        FoldInto(folded, needle);
        haystack = search.folded;
    }
    const Matcher plain(folded);
    std::optional<Matcher> path;
    if (folded.find_first_of("/\\") != std::string::npos) {
        std::transform(folded.begin(), folded.end(), folded.begin(), PathByte);
        path.emplace(folded);
    }
    const bool backwards = (flags & kBackwards) != 0;
    const std::optional<SearchText::Hit> from =
        (flags & kFindFirst) == 0 ? search.lastHit : std::nullopt;
    const auto after = [&](const Candidate& c) {
        return !from || c.visit > from->visit || (c.visit == from->visit && c.end > from->end);
    };
    const auto before = [&](const Candidate& c) {
        return !from || c.visit < from->visit || (c.visit == from->visit && c.end < from->end);
    };
    std::optional<Candidate> hit;
    // Backwards, the last match before the last hit: the walk goes on until it passes it.
    ForEachMatch(search, haystack, plain, path ? &*path : nullptr, (flags & kWholeWords) != 0,
                 [&](const Candidate& candidate) {
                     if (backwards && !before(candidate)) {
                         return true;
                     }
                     if (backwards || after(candidate)) {
                         hit = candidate;
                     }
                     return !backwards && hit.has_value();
                 });
    if (!hit) {
        return std::nullopt;
    }
    search.lastHit = SearchText::Hit{hit->visit, hit->end};
    const std::size_t at = search.starts[hit->entry] + hit->start;
    return HitMessage(search, hit->entry, at, hit->length);
}

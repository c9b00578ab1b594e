#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "torrent/torrent_info.h"

// The texts a find in the Lister can land on, in the order the page shows them: the metadata
// values, then every name of the file tree, collapsed folders and undrawn rows included. Found
// in the host, so that the file manager's find has its answer at once, and shown by the page.
struct SearchText {
    std::string text;                   // every entry's UTF-8 text, one after another
    std::vector<std::uint32_t> starts;  // where each entry begins; each ends where the next begins
    // The page's names of the first entries, the metadata values ("name", "tracker.2"); every
    // entry after them is a tree node, numbered from 1 in the document's depth-first order.
    std::vector<std::string> metaKeys;
    std::vector<std::uint32_t> depths;  // each tree entry's level below the top, from 0
    std::string folded;  // `text` in lower case, made by the first find that ignores case
    // The tree entries (0 for node 1) in the order the page shows them: depth first still, each
    // folder's children sorted its own way. The document's order until the page tells.
    std::vector<std::uint32_t> order;
    std::uint64_t orderVersion = 0;  // the page's order it has, as WebViewState numbers them
    // The last hit: its place among the entries in the page's order, and where it ends in the
    // entry's text (a folder's text going on with a separator); the next find goes on from it.
    struct Hit {
        std::size_t visit = 0;
        std::size_t end = 0;
    };
    std::optional<Hit> lastHit;
};

SearchText BuildSearchText(const torrent::TorrentInfo& info);

// Takes the page's order of the tree's nodes, their numbers separated by blanks ("3 1 2"), when
// it is one the tree can have; false (the order kept) otherwise.
bool SetPageOrder(SearchText& search, std::string_view numbers);

// The Lister's search flags.
inline constexpr int kFindFirst = 1;
inline constexpr int kMatchCase = 2;
inline constexpr int kWholeWords = 4;
inline constexpr int kBackwards = 8;

// Finds `needle` (UTF-8) from the start (kFindFirst; the end, backwards) or from the last hit,
// within one entry at a time, in the page's order. A needle with a separator ("/" or "\", which
// match each other) is also looked for in each tree entry's path from the top, and shown in the
// entry where it ends. Returns the message that shows the hit on the page,
// {"find":{"meta":"comment","start":3,"length":4}} or {"find":{"node":17,...}} with start and
// length in UTF-16 units of the entry, or nothing when there is no further hit. Linear in the
// text searched, whatever the needle.
std::optional<std::string> FindNext(SearchText& search, std::string_view needle, int flags);

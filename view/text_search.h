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
    std::optional<std::size_t> lastHit;  // where the last hit began, for the next find
};

SearchText BuildSearchText(const torrent::TorrentInfo& info);

// The Lister's search flags.
inline constexpr int kFindFirst = 1;
inline constexpr int kMatchCase = 2;
inline constexpr int kWholeWords = 4;
inline constexpr int kBackwards = 8;

// Finds `needle` (UTF-8) from the start (kFindFirst; the end, backwards) or from the last hit,
// within one entry at a time; a needle with a separator ("/" or "\\") is looked for in each tree
// entry's path from the top and shown in the entry where it ends. Returns the message that shows
// the hit on the page,
// {"find":{"meta":"comment","start":3,"length":4}} or {"find":{"node":17,...}} with start and
// length in UTF-16 units of the entry, or nothing when there is no further hit.
std::optional<std::string> FindNext(SearchText& search, std::string_view needle, int flags);

#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "fields/torrent_facts.h"

namespace fields {

// One ContentGetValueW call, decided: what to write at FieldValue (at most `maxlen` bytes) and
// the type to answer. UTF-16 texts end in a NUL unit; a text too long for the place is cut
// between code points, except the magnet link, which is given without trackers or not at all.
struct ValueRequest {
    int field = 0;
    int unit = 0;  // the unit's index, or for "File names" the byte offset into the text
    void* value = nullptr;
    int maxlen = 0;
    int flags = 0;
    const std::atomic<bool>* stop = nullptr;  // set by ContentStopGetValue
};
int AnswerField(const TorrentFacts& facts, const ValueRequest& request);

// "Content on disk" is slow past this many files: with CONTENT_DELAYIFSLOW it is put off.
inline constexpr std::size_t kSlowContentFiles = 100;

// Block k of a full text, asked for at byte offset k(maxlen - 1) as the host asks for every full
// text: as many UTF-16 units as fit in `maxlen` bytes with their NUL, each block starting one
// unit before the last one's end. A block never splits a surrogate pair: it starts at a pair's
// first half and ends before a pair it cannot hold, so that blocks overlap by a character at
// most and never drop one. ft_fieldempty past the end.
int FullTextBlock(const std::u16string& text, int offset, void* value, int maxlen);

}  // namespace fields

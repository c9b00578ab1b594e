#pragma once

#include <string>

#include "torrent/torrent_info.h"

namespace torrent {

// The torrent document: one compact JSON object with every member, in a fixed order. Every
// string is repaired into UTF-8 and escaped on its way in.
std::string toJson(const TorrentInfo& info);

// At least the size of toJson's text, escapes and repairs counted, found without writing it.
std::size_t DocumentSizeBound(const TorrentInfo& info);

}  // namespace torrent

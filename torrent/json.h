#pragma once

#include <string>
#include <string_view>

#include "torrent/torrent_info.h"

// JSON escapes for text that is already valid UTF-8: quote, backslash and the bytes below 0x20;
// everything else, "/" and 0x7F included, passes unchanged.
std::string JsonEscape(std::string_view bytes);

// A quoted JSON string of arbitrary bytes: repaired into UTF-8 first, then escaped.
std::string JsonString(std::string_view bytes);
void AppendJsonString(std::string& out, std::string_view bytes);

// Appends one tree node and everything below it.
void WriteTreeJson(std::string& out, const torrent::TreeNode& node);

namespace torrent {

// The torrent document: one compact JSON object with every member, in a fixed order.
std::string toJson(const TorrentInfo& info);

}  // namespace torrent

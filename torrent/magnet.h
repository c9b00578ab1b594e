#pragma once

#include <string>
#include <string_view>

#include "torrent/torrent_info.h"

namespace torrent {

// The torrent's magnet link: "xt=urn:btih:" with the version 1 info hash and "xt=urn:btmh:1220"
// (the SHA-256 multihash prefix) with the version 2 one, each present only when the torrent has
// that hash; "dn=" its name; one "tr=" for each distinct tracker in tier order (the announce URL
// when there are no tiers); one "ws=" for each web seed. Values are percent-encoded; only RFC
// 3986's unreserved characters stay as they are.
std::string MagnetLink(const TorrentInfo& info, bool withTrackers = true);
// The same link appended to `out`: it needs no JSON escape, so a document takes it as it is.
// Without trackers, the link names only the hashes, the name and the web seeds.
void AppendMagnetLink(std::string& out, const TorrentInfo& info, bool withTrackers = true);
// Whether a tracker address looks like it carries a passkey, a private tracker's secret: the
// word "passkey", or a run of 32 or more letters and digits between "/", "?" or "&" and the
// next of them or the end.
bool HoldsPasskey(std::string_view url);
// Whether the magnet link hands on such a secret: a private torrent with such a tracker.
bool MagnetHoldsPasskey(const TorrentInfo& info);

// At least as many bytes as the link takes, for a document's size before it is written.
std::size_t MagnetLinkSizeBound(const TorrentInfo& info);

}  // namespace torrent

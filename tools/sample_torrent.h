#pragma once

#include <string>

// A small multi-file torrent to look at: trackers in two tiers, a comment, a custom key and a
// few folders of typical files. Deterministic, so that its info hash never changes.
std::string SampleTorrent();

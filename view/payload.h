#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "torrent/load.h"
#include "view/view_records.h"

// Bit of the host's show flags that says it is in dark mode.
inline constexpr std::uint32_t kHostDarkModeFlag = 0x80;

// What became of a file handed to the view: the payload is refused for the same reasons as the
// torrent it is made from.
using PayloadResult = torrent::LoadStatus;

// Prepares the three documents of a view for a file: the torrent document from the file, and
// the theme style sheet and configuration document from the configuration folder. Unless the
// result is Ready, no field of `state` has been touched. For a file too large to show,
// `exceeded` (when given) learns which limit it passed. Never throws.
PayloadResult LoadTorrentPayload(WebViewState& state, const std::filesystem::path& path,
                                 std::uint32_t flags, torrent::Limit* exceeded = nullptr) noexcept;

// The configuration folder, style sheet and configuration document alone, for the host's dark
// mode in `state.dark`.
void FillConfigPayload(WebViewState& state);
// The same from a configuration folder known already.
void FillConfigPayload(WebViewState& state, std::filesystem::path folder);

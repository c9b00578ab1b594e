#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "plugin/view_records.h"

// Bit of the host's show flags that says it is in dark mode.
inline constexpr std::uint32_t kHostDarkModeFlag = 0x80;

// Metainfo files larger than this are refused; it bounds memory to the file plus its tree.
inline constexpr std::uint64_t kMaxTorrentFileBytes = 64 * 1024 * 1024 - 1;

// The whole file, or empty when it cannot be opened, is empty, or is larger than the limit.
std::string ReadFileBytes(const std::filesystem::path& path);

// Prepares the three documents of a view for a file. On false (unreadable, or not a torrent)
// no field of `state` has been touched. Never throws.
bool LoadTorrentPayload(WebViewState& state, const std::filesystem::path& path,
                        std::uint32_t flags) noexcept;

// Why LoadTorrentPayload refuses a file, in plain words; empty when it would accept it.
std::string DescribeRefusal(const std::filesystem::path& path);

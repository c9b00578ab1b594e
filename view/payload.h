#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "platform/file_read.h"
#include "torrent/torrent_info.h"
#include "view/view_records.h"

// Bit of the host's show flags that says it is in dark mode.
inline constexpr std::uint32_t kHostDarkModeFlag = 0x80;

// Metainfo files larger than this are refused; it bounds memory to the file plus its tree.
inline constexpr std::uint64_t kMaxTorrentFileBytes = 64 * 1024 * 1024 - 1;

// What became of a file handed to the view.
enum class PayloadResult {
    Ready,       // the view's documents are the file's now
    CannotRead,  // missing, a folder, locked for writing, or the read failed
    Empty,
    TooLarge,        // above kMaxTorrentFileBytes
    NotATorrent,     // not a bencoded dictionary holding a dictionary under "info"
    TooLargeToShow,  // asks for more than the file's size allows (torrent::Limit says what)
};

// A torrent read from a file: its content, which the record's tree reads, and the record with
// its info hashes.
struct LoadedTorrent {
    platform::FileContent content;
    torrent::TorrentInfo info;
};

// The stamp of a file read with `size` bytes.
FileStamp StampOf(const std::filesystem::path& path, std::uint64_t size);

// Reads, decodes and hashes a file; timed as the first stages of a payload preparation.
PayloadResult LoadTorrent(const std::filesystem::path& path, LoadedTorrent& torrent);

// Why a file was refused, in plain words ("is not a torrent"); empty for Ready.
std::string_view RefusalReason(PayloadResult result);

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

#pragma once

#include <windows.h>

#include <filesystem>

// The thumbnail view's picture of a torrent: its card drawn with GDI inside width × height, or
// null for a file that is no torrent or is refused. The bitmap is the caller's.
HBITMAP TorrentThumbnail(const std::filesystem::path& file, int width, int height);

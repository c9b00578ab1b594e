#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "torrent/torrent_info.h"

namespace verify {

// Whether one element of a torrent's path may name something on disk below the content root:
// not empty, "." or "..", without "/", "\\", ":" or NUL, and with Windows rules also no reserved
// device name (CON, NUL, COM1 ...) and no trailing dot or blank, which Windows would drop.
bool IsSafePathElement(std::string_view element, bool windowsRules);

// Where a torrent's content lies beside it: "<folder of the torrent>/<name>". Nothing when the
// name is no safe path element ("..", an absolute path, "a/b"), for it would name a place outside
// that folder, whose files belong to no torrent.
std::optional<std::filesystem::path> ContentBeside(const std::filesystem::path& torrentPath,
                                                   std::string_view name);

// One file of the content, as the torrent lists it: its path below the content root with "/"
// between elements (a single file's own name), its size, whether every element is safe, and
// whether it is a link, which is listed but no content.
struct ContentFile {
    std::string path;
    std::int64_t size = 0;
    bool safe = true;
    bool link = false;
};

// Where a torrent's content is and what it holds. A single-file torrent's root is the file
// itself; a multi-file torrent's, its folder. Pad files are left out.
struct ContentLayout {
    std::filesystem::path root;
    bool singleFile = false;
    std::vector<ContentFile> files;  // in the order of the torrent's tree
};

// The layout of `info`'s content at `root`, or, when `root` is empty, beside the torrent file:
// "<folder of the torrent>/<name>", the name the page shows.
ContentLayout LayoutOf(const torrent::TorrentInfo& info, const std::filesystem::path& torrentPath,
                       const std::filesystem::path& root = {});

// Where a file of the layout lies on disk.
std::filesystem::path PathOnDisk(const ContentLayout& layout, const ContentFile& file);

}  // namespace verify

#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "torrent/torrent_info.h"

// A torrent seen as an archive: its files and folders as entries, named as a client writes them
// to disk below the torrent's folder.
namespace archive {

struct Entry {
    std::string name;      // UTF-8, "\" between elements; an unsafe element renamed
    std::string treePath;  // the torrent's own path below its content root, "/" between elements,
                           // as the check names it; a single file's own name
    std::int64_t size = 0;
    bool folder = false;
    bool hidden = false;
    bool link = false;
    bool safe = true;  // every element may name something below the content root as it is
};

// The element itself when Windows can hold it as a file name, else a name that it can: "_" for
// each character Windows refuses, and "_" before an empty name, "." or "..", or a device name,
// and after a trailing dot or blank.
std::string SafeElement(std::string_view element);

// The entries in the order of the torrent's tree, each folder before what it holds; a multi-file
// torrent's own folder first. Walked one at a time from the decoded tree, which must outlive it.
class EntryWalker {
  public:
    explicit EntryWalker(const torrent::TorrentInfo& info);
    // The next entry; false after the last.
    bool Next(Entry& entry);

  private:
    struct Open {
        std::uint32_t next;
        std::size_t nameLength;
        std::size_t treeLength;
        bool safe;
    };
    const torrent::TorrentInfo& info_;
    bool started_ = false;
    std::vector<Open> open_;
    std::string name_;
    std::string tree_;
};

// A local time as a packed DOS date and time (two-second steps), kept within 1980 to 2107.
std::uint32_t DosTime(const std::tm& local);

}  // namespace archive

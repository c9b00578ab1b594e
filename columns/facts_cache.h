#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "fields/torrent_facts.h"
#include "platform/file_write.h"

// The facts of the last few torrents asked about, keyed by path, size and last-write time: the
// file manager asks field by field, from several threads at once, and each file is read and
// decoded once for all its fields. Only the values are kept, never the decoded torrent.
class FactsCache {
  public:
    // The facts of the file as it is now; null when it cannot be read or is no torrent.
    std::shared_ptr<const fields::TorrentFacts> Get(const std::filesystem::path& path);
    void Clear();

  private:
    static constexpr std::size_t kEntries = 8;
    // How long a file's values are taken as they are without looking at it again.
    static constexpr std::uint64_t kTrustedMilliseconds = 1000;
    struct Entry {
        std::filesystem::path path;
        platform::FileStamp stamp;
        std::uint64_t checkedAt = 0;  // GetTickCount64 when its stamp was last compared
        std::shared_ptr<const fields::TorrentFacts> facts;  // null for a refused file
    };
    std::mutex mutex_;
    std::vector<Entry> entries_;  // the most recently used last
};

// The slow fields in progress, so that ContentStopGetValue can stop the one for a file.
class StopFlags {
  public:
    std::shared_ptr<std::atomic<bool>> Start(const std::filesystem::path& path);
    void Finish(const std::shared_ptr<std::atomic<bool>>& flag);
    void Stop(const std::filesystem::path& path);
    void StopAll();

  private:
    std::mutex mutex_;
    std::vector<std::pair<std::filesystem::path, std::shared_ptr<std::atomic<bool>>>> running_;
};

#include "columns/facts_cache.h"

#include <windows.h>

#include <algorithm>

std::shared_ptr<const fields::TorrentFacts> FactsCache::Get(const std::filesystem::path& path) {
    const std::uint64_t now = GetTickCount64();
    // The fields of one file are asked one after another: a file looked at within the last
    // moment is not looked at again for each.
    {
        std::lock_guard lock(mutex_);
        const auto found = std::find_if(entries_.begin(), entries_.end(),
                                        [&](const Entry& e) { return e.path == path; });
        if (found != entries_.end() && now - found->checkedAt < kTrustedMilliseconds) {
            std::rotate(found, found + 1, entries_.end());
            return entries_.back().facts;
        }
    }
    const std::optional<platform::FileStamp> stamp = platform::StampOf(path);
    if (!stamp) {
        return nullptr;
    }
    {
        std::lock_guard lock(mutex_);
        const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
            return e.path == path && e.stamp == *stamp;
        });
        if (found != entries_.end()) {
            found->checkedAt = now;
            std::rotate(found, found + 1, entries_.end());
            return entries_.back().facts;
        }
    }
    // Read without the lock: other files' fields go on meanwhile. Two threads asking for the
    // same new file may both read it; the second result replaces the first.
    std::shared_ptr<const fields::TorrentFacts> facts;
    torrent::LoadedTorrent torrent;
    if (torrent::LoadTorrent(path, torrent) == torrent::LoadStatus::Ready) {
        facts = std::make_shared<const fields::TorrentFacts>(fields::FactsOf(torrent, path));
    }
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [&](const Entry& e) { return e.path == path; });
    if (entries_.size() == kEntries) {
        entries_.erase(entries_.begin());
    }
    entries_.push_back({path, *stamp, GetTickCount64(), facts});
    return facts;
}

void FactsCache::Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}

std::shared_ptr<std::atomic<bool>> StopFlags::Start(const std::filesystem::path& path) {
    auto flag = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard lock(mutex_);
    running_.emplace_back(path, flag);
    return flag;
}

void StopFlags::Finish(const std::shared_ptr<std::atomic<bool>>& flag) {
    std::lock_guard lock(mutex_);
    std::erase_if(running_, [&](const auto& entry) { return entry.second == flag; });
}

void StopFlags::Stop(const std::filesystem::path& path) {
    std::lock_guard lock(mutex_);
    for (const auto& [running, flag] : running_) {
        if (running == path) {
            flag->store(true);
        }
    }
}

void StopFlags::StopAll() {
    std::lock_guard lock(mutex_);
    for (const auto& entry : running_) {
        entry.second->store(true);
    }
}

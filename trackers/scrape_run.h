#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "torrent/torrent_info.h"
#include "trackers/scrape_rules.h"

namespace trackers {

enum class Status { Ok, Error, Timeout, Unsupported, Skipped };
std::string_view StatusWord(Status status);  // "ok", "error", "timeout", "unsupported", "skipped"

struct TrackerAnswer {
    std::string url;
    int tier = 0;
    Status status = Status::Timeout;
    Figures figures;      // when ok
    std::string message;  // why not: an error's cause, or why a tracker was skipped
};

// Each distinct tracker address of a torrent, in tier order (the announce address when it has
// no tiers), not yet asked.
std::vector<TrackerAnswer> TrackersOf(const torrent::TorrentInfo& info);

// The hashes a tracker knows the torrent by: the SHA-1 info hash, and the SHA-256 one cut to
// 20 bytes, as many as the torrent has.
std::vector<InfoHash> ScrapeHashes(const torrent::TorrentInfo& info);

struct ScrapeLimits {
    int trackerMs = 8000;  // each tracker is given up after this
    int runMs = 10000;     // and the whole run ends by then, whatever a lookup does
};

// Asks the trackers as "Marrowpeek/<version>", 32 at a time on threads of the run's own, each
// until the trackers' time is up; then ends every exchange still under way and waits for its
// threads until the run's end (a name lookup, or a request the system will not let go, is left
// behind: it then times out).
// Trackers no thread reached in the time are skipped ("time limit"), those under way time out.
// `answered` is called on the calling thread with each tracker's place and answer as it comes.
// Returns every tracker's answer.
std::vector<TrackerAnswer> ScrapeAll(
    std::vector<TrackerAnswer> trackers, const std::vector<InfoHash>& hashes,
    const ScrapeLimits& limits, const std::atomic<bool>& cancel,
    const std::function<void(std::size_t, const TrackerAnswer&)>& answered = {});

// The largest figures over the trackers that answered, none when none did.
std::optional<Figures> Headline(const std::vector<TrackerAnswer>& answers);

}  // namespace trackers

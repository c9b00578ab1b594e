#include "trackers/scrape_run.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <unordered_set>

#include "platform/hex.h"
#include "platform/net.h"

namespace trackers {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kMaxAnswerBytes = 1 << 20;
const std::string kUserAgent = "Marrowpeek/" MARROWPEEK_VERSION;

// What the threads and the run share; the run may leave before a thread is done.
struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::optional<TrackerAnswer>> answers;
};

std::uint32_t NewTransaction() {
    thread_local std::mt19937 random{std::random_device{}()};
    return static_cast<std::uint32_t>(random());
}

// UDP connection ids are good for a minute (BEP 15): one per tracker address and port.
struct ConnectionCache {
    std::mutex mutex;
    std::map<std::pair<std::vector<std::uint8_t>, std::uint16_t>,
             std::pair<std::uint64_t, Clock::time_point>>
        ids;
};
ConnectionCache& Connections() {
    static auto* cache = new ConnectionCache;  // left alive for threads that outlive the run
    return *cache;
}

TrackerAnswer Failed(TrackerAnswer answer, Status status, std::string message = {}) {
    answer.status = status;
    answer.message = std::move(message);
    return answer;
}

TrackerAnswer WithFigures(TrackerAnswer answer, const HttpAnswer& read) {
    if (!read.figures) {
        return Failed(std::move(answer), Status::Error, read.error);
    }
    answer.status = Status::Ok;
    answer.figures = *read.figures;
    return answer;
}

// The first address of a host, and whether it may be asked.
std::optional<platform::NetAddress> Where(const TrackerAddress& address, bool& local) {
    const auto found = platform::ResolveHost(address.host, address.port);
    if (found.empty()) {
        return std::nullopt;
    }
    local = IsLocalAddress(found.front().bytes);
    return found.front();
}

TrackerAnswer AskUdp(TrackerAnswer answer, const TrackerAddress& address,
                     const std::vector<InfoHash>& hashes, Clock::time_point deadline) {
    bool local = false;
    const auto at = Where(address, local);
    if (!at) {
        return Failed(std::move(answer), Status::Error, "no such host");
    }
    if (local && !MayAskLocal(address)) {
        return Failed(std::move(answer), Status::Skipped);
    }
    platform::UdpSocket socket(*at);
    // A request, sent again after 2 s and 4 s, until the tracker's deadline.
    const auto exchange =
        [&](const std::function<std::vector<std::uint8_t>(std::uint32_t)>& make,
            const std::function<bool(const std::vector<std::uint8_t>&, std::uint32_t)>& take) {
            for (int wait = 2000;; wait *= 2) {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                        .count();
                if (left <= 0) {
                    return false;
                }
                const std::uint32_t transaction = NewTransaction();
                socket.Send(make(transaction));
                const auto until =
                    Clock::now() + std::chrono::milliseconds(std::min<long long>(wait, left));
                while (Clock::now() < until) {
                    const auto got = socket.Receive(static_cast<int>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now())
                            .count() +
                        1));
                    if (got && take(*got, transaction)) {
                        return true;
                    }
                }
            }
        };
    const auto key = std::make_pair(at->bytes, at->port);
    std::optional<std::uint64_t> connection;
    {
        ConnectionCache& cache = Connections();
        std::lock_guard lock(cache.mutex);
        if (const auto found = cache.ids.find(key);
            found != cache.ids.end() &&
            Clock::now() - found->second.second < std::chrono::minutes(1)) {
            connection = found->second.first;
        }
    }
    if (!connection) {
        const bool connected = exchange([](std::uint32_t t) { return UdpConnectRequest(t); },
                                        [&](const std::vector<std::uint8_t>& got, std::uint32_t t) {
                                            connection = ReadUdpConnect(got, t);
                                            return connection.has_value();
                                        });
        if (!connected) {
            return Failed(std::move(answer), Status::Timeout);
        }
        ConnectionCache& cache = Connections();
        std::lock_guard lock(cache.mutex);
        cache.ids[key] = {*connection, Clock::now()};
    }
    HttpAnswer read;
    const bool scraped =
        exchange([&](std::uint32_t t) { return UdpScrapeRequest(*connection, t, hashes); },
                 [&](const std::vector<std::uint8_t>& got, std::uint32_t t) {
                     read = ReadUdpScrape(got, t, hashes.size());
                     return read.figures.has_value() || !read.error.empty();
                 });
    return scraped ? WithFigures(std::move(answer), read)
                   : Failed(std::move(answer), Status::Timeout);
}

// `mayAskLocal`: what the announce address allows (a scrape address derived from it, and
// redirects, say nothing of their own).
TrackerAnswer AskHttp(TrackerAnswer answer, std::string url, bool mayAskLocal,
                      const std::vector<InfoHash>& hashes, Clock::time_point deadline) {
    url = HttpScrapeRequest(url, hashes);
    for (int redirects = 0;; ++redirects) {
        const auto address = ParseTrackerAddress(url);
        if (!address || (address->scheme != TrackerAddress::Scheme::Http &&
                         address->scheme != TrackerAddress::Scheme::Https)) {
            return Failed(std::move(answer), Status::Error, "redirected elsewhere than the web");
        }
        bool local = false;
        const auto at = Where(*address, local);
        if (!at) {
            return Failed(std::move(answer), Status::Error, "no such host");
        }
        if (local && !(mayAskLocal && redirects == 0)) {
            return Failed(std::move(answer), Status::Skipped);
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return Failed(std::move(answer), Status::Timeout);
        }
        // Ended a little before the deadline, so that the thread is done when the run is.
        const platform::HttpResult got =
            platform::HttpGet(url, *at, kUserAgent, kMaxAnswerBytes,
                              static_cast<int>(std::max<long long>(left - 250, 1)));
        if (got.status >= 300 && got.status < 400 && !got.location.empty() && redirects < 2) {
            url = got.location;
            continue;
        }
        if (got.status == 0) {
            return got.timedOut ? Failed(std::move(answer), Status::Timeout)
                                : Failed(std::move(answer), Status::Error, got.error);
        }
        if (got.status != 200) {
            const HttpAnswer read = ReadHttpScrape(got.body, hashes);
            return Failed(std::move(answer), Status::Error,
                          read.error == "not a scrape answer" ? "HTTP " + std::to_string(got.status)
                                                              : read.error);
        }
        return WithFigures(std::move(answer), ReadHttpScrape(got.body, hashes));
    }
}

// How a tracker is asked: at its address, and on the web at the scrape address beside its
// announce address. Nothing for one that cannot be asked.
struct Route {
    TrackerAddress address;
    std::string scrape;  // not for UDP
};
std::optional<Route> RouteOf(const std::string& url) {
    auto address = ParseTrackerAddress(url);
    if (!address || address->scheme == TrackerAddress::Scheme::Other) {
        return std::nullopt;
    }
    if (address->scheme == TrackerAddress::Scheme::Udp) {
        return Route{std::move(*address), {}};
    }
    auto scrape = ScrapeUrl(url);
    if (!scrape) {
        return std::nullopt;
    }
    return Route{std::move(*address), std::move(*scrape)};
}

TrackerAnswer Ask(TrackerAnswer answer, const Route& route, const std::vector<InfoHash>& hashes,
                  Clock::time_point deadline) {
    if (route.address.scheme == TrackerAddress::Scheme::Udp) {
        return AskUdp(std::move(answer), route.address, hashes, deadline);
    }
    return AskHttp(std::move(answer), route.scrape, MayAskLocal(route.address), hashes, deadline);
}

}  // namespace

std::string_view StatusWord(Status status) {
    switch (status) {
        case Status::Ok:
            return "ok";
        case Status::Error:
            return "error";
        case Status::Timeout:
            return "timeout";
        case Status::Unsupported:
            return "unsupported";
        case Status::Skipped:
            break;
    }
    return "skipped";
}

std::vector<TrackerAnswer> TrackersOf(const torrent::TorrentInfo& info) {
    std::vector<TrackerAnswer> trackers;
    torrent::ForEachTracker(info, [&](std::string_view url, std::size_t tier) {
        trackers.push_back({std::string(url), static_cast<int>(tier), Status::Timeout, {}, {}});
    });
    return trackers;
}

std::vector<InfoHash> ScrapeHashes(const torrent::TorrentInfo& info) {
    std::vector<InfoHash> hashes;
    for (const std::string* hex : {&info.infoHashV1, &info.infoHashV2}) {
        if (hex->size() < 40) {
            continue;
        }
        InfoHash hash{};
        for (std::size_t i = 0; i < hash.size(); ++i) {
            hash[i] = static_cast<std::uint8_t>(platform::HexDigitValue((*hex)[2 * i]) * 16 +
                                                platform::HexDigitValue((*hex)[2 * i + 1]));
        }
        hashes.push_back(hash);
    }
    return hashes;
}

std::vector<TrackerAnswer> ScrapeAll(
    std::vector<TrackerAnswer> trackers, const std::vector<InfoHash>& hashes,
    const ScrapeLimits& limits, const std::atomic<bool>& cancel,
    const std::function<void(std::size_t, const TrackerAnswer&)>& answered) {
    const auto start = Clock::now();
    const auto runEnd = start + std::chrono::milliseconds(limits.runMs);
    const auto trackerEnd =
        start + std::chrono::milliseconds(std::min(limits.trackerMs, limits.runMs));
    auto shared = std::make_shared<Shared>();
    shared->answers.resize(trackers.size());
    for (std::size_t i = 0; i < trackers.size(); ++i) {
        // A tracker that cannot be asked needs no thread.
        auto route = RouteOf(trackers[i].url);
        if (!route) {
            shared->answers[i] = Failed(trackers[i], Status::Unsupported);
            continue;
        }
        std::thread([shared, i, tracker = trackers[i], route = std::move(*route), hashes,
                     trackerEnd] {
            TrackerAnswer answer;
            try {
                answer = Ask(tracker, route, hashes, trackerEnd);
            } catch (...) {
                answer = Failed(tracker, Status::Error, "out of memory");
            }
            std::lock_guard lock(shared->mutex);
            shared->answers[i] = std::move(answer);
            shared->changed.notify_all();
        }).detach();
    }
    std::vector<bool> told(trackers.size());
    std::unique_lock lock(shared->mutex);
    for (std::size_t left = trackers.size(); left > 0 && !cancel;) {
        shared->changed.wait_until(lock,
                                   std::min(runEnd, Clock::now() + std::chrono::milliseconds(100)));
        for (std::size_t i = 0; i < trackers.size(); ++i) {
            const bool late = Clock::now() >= trackerEnd;
            if (told[i] || (!shared->answers[i] && !late)) {
                continue;
            }
            trackers[i] =
                shared->answers[i] ? *shared->answers[i] : Failed(trackers[i], Status::Timeout);
            told[i] = true;
            --left;
            lock.unlock();
            if (answered) {
                answered(i, trackers[i]);
            }
            lock.lock();
        }
    }
    // Threads past their deadline end on their own in a moment; a run waits for them, up to its
    // own end, so that none is still using the network when the caller goes on (or exits).
    shared->changed.wait_until(lock, runEnd, [&] {
        return std::all_of(shared->answers.begin(), shared->answers.end(),
                           [](const auto& answer) { return answer.has_value(); });
    });
    return trackers;
}

std::optional<Figures> Headline(const std::vector<TrackerAnswer>& answers) {
    std::optional<Figures> headline;
    for (const TrackerAnswer& answer : answers) {
        if (answer.status == Status::Ok) {
            headline = headline ? Largest(*headline, answer.figures) : answer.figures;
        }
    }
    return headline;
}

}  // namespace trackers

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
constexpr std::size_t kAskers = 32;  // trackers asked at once
const std::string kUserAgent = "Marrowpeek/" MARROWPEEK_VERSION;

// How a tracker is asked: at its address, and on the web at the scrape address beside its
// announce address. Nothing for one that cannot be asked.
struct Route {
    TrackerAddress address;
    std::string scrape;  // not for UDP
};
// What the run and its askers share. An asker that the system keeps in an exchange past its end
// (a name lookup, a request the system will not let go) is left behind with it, and must find
// all it reads still there.
struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<TrackerAnswer> trackers;
    std::vector<std::optional<Route>> routes;
    std::vector<InfoHash> hashes;
    Clock::time_point trackerEnd;
    Clock::time_point lastStart;
    std::vector<std::size_t> waiting;                          // trackers to ask, in order
    std::size_t taken = 0;                                     // of them, begun by an asker
    std::size_t finished = 0;                                  // of them, answered
    std::vector<std::pair<std::size_t, TrackerAnswer>> fresh;  // answers not yet told
    bool over = false;                                         // the run is over: take no more
    std::vector<platform::Interrupt> interrupts;               // one an asker
    std::size_t askersLeft = 0;
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

// Where a host may be asked: its first address, unless that is reserved (never asked) or local
// and the announce address does not allow it. A skipped answer says why.
std::optional<platform::NetAddress> Where(const TrackerAddress& address, bool mayAskLocal,
                                          TrackerAnswer& answer, platform::Interrupt& interrupt) {
    const auto found = platform::ResolveHost(address.host, address.port, &interrupt);
    if (found.empty()) {
        answer = Failed(std::move(answer), Status::Error, "no such host");
        return std::nullopt;
    }
    if (IsReservedAddress(found.front().bytes)) {
        answer = Failed(std::move(answer), Status::Skipped, "reserved address");
        return std::nullopt;
    }
    if (IsLocalAddress(found.front().bytes) && !mayAskLocal) {
        answer = Failed(std::move(answer), Status::Skipped, "local address");
        return std::nullopt;
    }
    return found.front();
}

TrackerAnswer AskUdp(TrackerAnswer answer, const TrackerAddress& address,
                     const std::vector<InfoHash>& hashes, Clock::time_point deadline,
                     platform::Interrupt& interrupt) {
    const auto at = Where(address, MayAskLocal(address), answer, interrupt);
    if (!at) {
        return answer;
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
                // Waits of a tenth of a second at most, so that an interrupt is heard.
                while (Clock::now() < until && !interrupt.triggered()) {
                    const auto got = socket.Receive(static_cast<int>(std::min<long long>(
                        100,
                        std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now())
                                .count() +
                            1)));
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
                      const std::vector<InfoHash>& hashes, Clock::time_point deadline,
                      platform::Interrupt& interrupt) {
    url = HttpScrapeRequest(url, hashes);
    for (int redirects = 0;; ++redirects) {
        const auto address = ParseTrackerAddress(url);
        if (!address || (address->scheme != TrackerAddress::Scheme::Http &&
                         address->scheme != TrackerAddress::Scheme::Https)) {
            return Failed(std::move(answer), Status::Error, "redirected elsewhere than the web");
        }
        const auto at = Where(*address, mayAskLocal && redirects == 0, answer, interrupt);
        if (!at) {
            return answer;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return Failed(std::move(answer), Status::Timeout);
        }
        // Ended a little before the deadline, so that the thread is done when the run is.
        const platform::HttpResult got =
            platform::HttpGet(url, *at, kUserAgent, kMaxAnswerBytes,
                              static_cast<int>(std::max<long long>(left - 250, 1)), &interrupt);
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
                  Clock::time_point deadline, platform::Interrupt& interrupt) {
    if (route.address.scheme == TrackerAddress::Scheme::Udp) {
        return AskUdp(std::move(answer), route.address, hashes, deadline, interrupt);
    }
    return AskHttp(std::move(answer), route.scrape, MayAskLocal(route.address), hashes, deadline,
                   interrupt);
}

// One asker: the next tracker in turn until none is left, the time is up or it is interrupted.
void AskInTurn(Shared& shared, platform::Interrupt& interrupt) {
    for (;;) {
        std::size_t i = 0;
        TrackerAnswer tracker;
        {
            std::lock_guard lock(shared.mutex);
            if (shared.over || shared.taken == shared.waiting.size() ||
                Clock::now() >= shared.lastStart) {
                break;
            }
            i = shared.waiting[shared.taken++];
            tracker = shared.trackers[i];  // the run writes the list: the asker keeps its own
        }
        TrackerAnswer answer;
        try {
            answer = Ask(tracker, *shared.routes[i], shared.hashes, shared.trackerEnd, interrupt);
        } catch (...) {
            answer = Failed(tracker, Status::Error, "out of memory");
        }
        if (interrupt.triggered() && answer.status != Status::Ok) {
            answer = Failed(tracker, Status::Timeout);
        }
        std::lock_guard lock(shared.mutex);
        shared.fresh.emplace_back(i, std::move(answer));
        ++shared.finished;
        shared.changed.notify_all();
        if (interrupt.triggered()) {
            break;
        }
    }
    std::lock_guard lock(shared.mutex);
    --shared.askersLeft;
    shared.changed.notify_all();
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
    // A tracker is begun only while it has a fair time left to answer; later ones are not asked.
    const auto lastStart =
        trackerEnd -
        std::min(std::chrono::milliseconds(1000),
                 std::chrono::milliseconds(std::min(limits.trackerMs, limits.runMs) / 2));
    auto shared = std::make_shared<Shared>();
    shared->trackers = std::move(trackers);
    shared->hashes = hashes;
    shared->trackerEnd = trackerEnd;
    shared->lastStart = lastStart;
    std::vector<TrackerAnswer>& list = shared->trackers;
    std::size_t left = list.size();
    std::vector<bool> told(list.size());
    const auto tell = [&](std::size_t i, TrackerAnswer answer) {
        list[i] = std::move(answer);
        told[i] = true;
        --left;
        if (answered) {
            answered(i, list[i]);
        }
    };
    shared->routes.resize(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        shared->routes[i] = RouteOf(list[i].url);
        if (shared->routes[i]) {
            shared->waiting.push_back(i);
        } else {
            tell(i, Failed(list[i], Status::Unsupported));  // needs no asker
        }
    }
    // A bounded pool of askers, whatever the torrent lists: each takes the next tracker until
    // none is left or the time is up.
    shared->interrupts =
        std::vector<platform::Interrupt>(std::min(shared->waiting.size(), kAskers));
    for (std::size_t k = 0; k < shared->interrupts.size(); ++k) {
        {
            std::lock_guard lock(shared->mutex);
            ++shared->askersLeft;
        }
        try {
            std::thread([shared, k] { AskInTurn(*shared, shared->interrupts[k]); }).detach();
        } catch (...) {
            std::lock_guard lock(shared->mutex);
            --shared->askersLeft;
            break;  // fewer askers ask all the same; none at all leaves every tracker not asked
        }
    }
    // Answers are told on this thread as they come, outside the lock.
    const auto tellFresh = [&](std::unique_lock<std::mutex>& lock) {
        std::vector<std::pair<std::size_t, TrackerAnswer>> fresh;
        fresh.swap(shared->fresh);
        lock.unlock();
        for (auto& [i, answer] : fresh) {
            tell(i, std::move(answer));
        }
        lock.lock();
    };
    std::unique_lock lock(shared->mutex);
    const auto askersDone = [&] {
        return shared->finished == shared->taken && Clock::now() >= lastStart;
    };
    while (left > shared->fresh.size() && !askersDone() && !cancel && Clock::now() < trackerEnd &&
           shared->askersLeft > 0) {
        shared->changed.wait_until(
            lock, std::min(trackerEnd, Clock::now() + std::chrono::milliseconds(100)));
        tellFresh(lock);
    }
    shared->over = true;
    const std::size_t taken = shared->taken;
    lock.unlock();
    // Trackers no asker reached in the time were not asked at all.
    for (std::size_t next = taken; next < shared->waiting.size(); ++next) {
        const std::size_t i = shared->waiting[next];
        tell(i, Failed(list[i], Status::Skipped, cancel ? "stopped" : "time limit"));
    }
    // Exchanges still under way are ended now, and their askers waited for until the run's end.
    for (platform::Interrupt& interrupt : shared->interrupts) {
        interrupt.Trigger();
    }
    lock.lock();
    shared->changed.wait_until(lock,
                               std::max(runEnd, Clock::now() + std::chrono::milliseconds(500)),
                               [&] { return shared->askersLeft == 0; });
    tellFresh(lock);
    lock.unlock();
    // Those the system holds on to are given up as timed out.
    for (std::size_t next = 0; next < taken; ++next) {
        const std::size_t i = shared->waiting[next];
        if (!told[i]) {
            tell(i, Failed(list[i], Status::Timeout));
        }
    }
    return list;
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

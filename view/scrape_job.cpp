#include "view/scrape_job.h"

#include <thread>

#include "platform/json_text.h"
#include "torrent/load.h"
#include "trackers/scrape_report.h"
#include "trackers/scrape_run.h"

namespace {

std::string AnswerMessage(std::size_t index, const trackers::TrackerAnswer& answer) {
    std::string out = "{\"trackerAnswer\":{\"index\":";
    platform::AppendJsonInteger(out, static_cast<std::int64_t>(index));
    out += ',';
    trackers::AppendAnswerJson(out, answer);
    return out + "}}";
}

}  // namespace

std::shared_ptr<ScrapeJob> ScrapeJob::Start(const std::filesystem::path& torrentPath,
                                            std::function<void(std::string)> deliver) {
    auto job = std::make_shared<ScrapeJob>();
    std::thread([job, torrentPath, deliver = std::move(deliver)] {
        try {
            torrent::LoadedTorrent torrent;
            if (torrent::LoadTorrent(torrentPath, torrent) != torrent::LoadStatus::Ready) {
                deliver("{\"trackersDone\":{}}");
                return;
            }
            const auto answers = trackers::ScrapeAll(
                trackers::TrackersOf(torrent.info), trackers::ScrapeHashes(torrent.info), {},
                job->cancel_, [&](std::size_t index, const trackers::TrackerAnswer& answer) {
                    deliver(AnswerMessage(index, answer));
                });
            std::string done = "{\"trackersDone\":{";
            if (const auto headline = trackers::Headline(answers)) {
                trackers::AppendFiguresJson(done, *headline);
            }
            deliver(done + "}}");
        } catch (...) {
            deliver("{\"trackersDone\":{}}");
        }
    }).detach();
    return job;
}

// Property: any input decodes, extracts and becomes a document without crashing or leaking, and
// the document of an accepted file is always valid JSON (UTF-8 repaired, every byte escaped).
// The same bytes are planned and checked as a torrent whose content is missing (plans, piece
// layers, statuses), one file of it checked alone, listed as the packer lists it (every name one
// Windows can hold), drawn as a thumbnail's card, and read as a tracker's scrape answer.

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "archive/detect.h"
#include "archive/entries.h"
#include "torrent/info_hash.h"
#include "torrent/json.h"
#include "torrent/load.h"
#include "torrent/torrent_info.h"
#include "trackers/scrape_rules.h"
#include "verify/content_check.h"
#include "view/thumbnail_card.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    torrent::TorrentInfo info = torrent::extract(bytes, size);
    if (info.ok && info.infoEnd > info.infoStart && info.infoEnd <= size) {
        info.infoHashV1 = HashHex(L"SHA1", bytes + info.infoStart, info.infoEnd - info.infoStart);
    }
    const std::string document = torrent::toJson(info);
    if (!nlohmann::json::accept(document)) {
        std::abort();
    }
    archive::BeginsLikeTorrent(std::string_view(bytes, size));
    if (info.ok) {
        archive::EntryWalker walker(info);
        for (archive::Entry entry; walker.Next(entry);) {
            for (std::size_t start = 0; start <= entry.name.size();) {
                const std::size_t end = std::min(entry.name.find('\\', start), entry.name.size());
                const std::string element = entry.name.substr(start, end - start);
                if (archive::SafeElement(element) != element) {
                    std::abort();
                }
                start = end + 1;
            }
        }
        CardOf(info, ":root{--bg:#123;}");
    }
    if (info.ok) {
        torrent::LoadedTorrent torrent;
        torrent.content.status = platform::FileReadStatus::Ok;
        torrent.content.bytes = std::string_view(bytes, size);
        torrent.info = std::move(info);
        std::string whyNot;
        if (const auto plan = verify::PlanCheck(torrent, whyNot)) {
            const std::atomic<bool> cancel{false};
            verify::CheckContent(*plan, "/nonexistent/marrowpeek-fuzz", cancel, {}, 1);
            const verify::FileScope one{static_cast<std::uint32_t>(plan->files.size() / 2), {}};
            verify::CheckContent(*plan, "/nonexistent/marrowpeek-fuzz", cancel, {}, 1, one);
        }
    }
    trackers::ReadHttpScrape(std::string_view(bytes, size), {trackers::InfoHash{}});
    return 0;
}

#include "torrent/load.h"

#include "platform/memory.h"
#include "platform/perf_trace.h"
#include "torrent/info_hash.h"

namespace torrent {
namespace {

void AddInfoHashes(torrent::TorrentInfo& info, std::string_view content) {
    if (info.infoEnd <= info.infoStart || info.infoEnd > content.size()) {
        return;
    }
    PerfTimer timer("infohash");
    const char* span = content.data() + info.infoStart;
    const std::size_t length = info.infoEnd - info.infoStart;
    if (info.hasV1Data) {
        info.infoHashV1 = HashHex(L"SHA1", span, length);
    }
    if (info.isV2) {
        info.infoHashV2 = HashHex(L"SHA256", span, length);
    }
}

LoadStatus ReadResult(const platform::FileContent& read) {
    switch (read.status) {
        case platform::FileReadStatus::Ok:
            return LoadStatus::Ready;
        case platform::FileReadStatus::Empty:
            return LoadStatus::Empty;
        case platform::FileReadStatus::TooLarge:
            return LoadStatus::TooLarge;
        case platform::FileReadStatus::CannotOpen:
            break;
    }
    return LoadStatus::CannotRead;
}

}  // namespace

LoadStatus LoadTorrent(const std::filesystem::path& path, LoadedTorrent& torrent) {
    PerfTimer timer("ReadFileBytes");
    torrent.content = platform::ReadWholeFile(path, kMaxTorrentFileBytes);
    timer.End();
    if (const LoadStatus result = ReadResult(torrent.content); result != LoadStatus::Ready) {
        return result;
    }
    const std::string_view bytes = torrent.content.bytes;
    timer.Restart("torrent::extract");
    torrent.info = torrent::extract(bytes.data(), bytes.size());
    timer.End();
    if (!torrent.info.ok) {
        return torrent.info.exceeded == torrent::Limit::None ? LoadStatus::NotATorrent
                                                             : LoadStatus::TooLargeToShow;
    }
    platform::ReleaseFreedMemory();
    AddInfoHashes(torrent.info, bytes);
    return LoadStatus::Ready;
}

std::string_view RefusalReason(LoadStatus result) {
    switch (result) {
        case LoadStatus::Ready:
            break;
        case LoadStatus::CannotRead:
            return "cannot be read";
        case LoadStatus::Empty:
            return "is empty";
        case LoadStatus::TooLarge:
            return "is larger than 64 MiB";
        case LoadStatus::NotATorrent:
            return "is not a torrent";
        case LoadStatus::TooLargeToShow:
            return "is too large to show";
    }
    return {};
}

}  // namespace torrent

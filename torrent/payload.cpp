#include "torrent/payload.h"

#include "platform/clock.h"
#include "platform/file_read.h"
#include "plugin/perf_trace.h"
#include "settings/config_payload.h"
#include "torrent/info_hash.h"
#include "torrent/json.h"
#include "torrent/torrent_info.h"

namespace {

void AddInfoHashes(torrent::TorrentInfo& info, const std::string& content) {
    if (info.infoEnd <= info.infoStart || info.infoEnd > content.size()) {
        return;
    }
    PerfTimer timer("infohash");
    const char* span = content.data() + info.infoStart;
    const std::size_t length = info.infoEnd - info.infoStart;
    info.infoHashV1 = HashHex(L"SHA1", span, length);
    if (info.isV2) {
        info.infoHashV2 = HashHex(L"SHA256", span, length);
    }
}

bool PreparePayload(WebViewState& state, const std::filesystem::path& path, std::uint32_t flags) {
    const std::int64_t totalStart = platform::PerformanceCounter();
    PerfTimer timer("ReadFileBytes");
    const std::string content = ReadFileBytes(path);
    timer.End();
    if (content.empty()) {
        return false;
    }
    timer.Restart("torrent::extract");
    torrent::TorrentInfo info = torrent::extract(content.data(), content.size());
    timer.End();
    if (!info.ok) {
        return false;
    }
    AddInfoHashes(info, content);

    // Built aside and swapped in at the end, so that a failure (out of memory) on the way
    // leaves the view's state as it was.
    WebViewState prepared;
    prepared.dark = (flags & kHostDarkModeFlag) != 0;
    timer.Restart("torrent::toJson");
    prepared.dataJson = torrent::toJson(info);
    timer.Restart("FillConfigPayload");
    FillConfigPayload(prepared);
    timer.End();
    state.dark = prepared.dark;
    state.dataJson.swap(prepared.dataJson);
    state.themeCss.swap(prepared.themeCss);
    state.configJson.swap(prepared.configJson);
    state.configDir.swap(prepared.configDir);
    PerfLog("LoadTorrentPayload total",
            PerfMilliseconds(totalStart, platform::PerformanceCounter()));
    return true;
}

}  // namespace

std::string ReadFileBytes(const std::filesystem::path& path) {
    platform::FileRead read = platform::ReadWholeFile(path, kMaxTorrentFileBytes);
    return read.status == platform::FileReadStatus::Ok ? std::move(read.bytes) : std::string();
}

bool LoadTorrentPayload(WebViewState& state, const std::filesystem::path& path,
                        std::uint32_t flags) noexcept {
    try {
        return PreparePayload(state, path, flags);
    } catch (...) {
        // Out of memory on a huge document: refused like an unreadable file.
        return false;
    }
}

std::string DescribeRefusal(const std::filesystem::path& path) {
    const platform::FileRead read = platform::ReadWholeFile(path, kMaxTorrentFileBytes);
    switch (read.status) {
        case platform::FileReadStatus::CannotOpen:
            return "cannot be read";
        case platform::FileReadStatus::Empty:
            return "is empty";
        case platform::FileReadStatus::TooLarge:
            return "is larger than 64 MiB";
        case platform::FileReadStatus::Ok:
            break;
    }
    if (read.bytes.empty()) {
        return "cannot be read";
    }
    if (!torrent::extract(read.bytes.data(), read.bytes.size()).ok) {
        return "is not a torrent";
    }
    return {};
}

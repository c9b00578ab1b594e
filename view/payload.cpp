#include "view/payload.h"

#include "platform/clock.h"
#include "platform/file_write.h"
#include "platform/memory.h"
#include "platform/perf_trace.h"
#include "settings/config_document.h"
#include "settings/config_files.h"
#include "torrent/info_hash.h"
#include "torrent/json.h"

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

PayloadResult ReadResult(const platform::FileContent& read) {
    switch (read.status) {
        case platform::FileReadStatus::Ok:
            return PayloadResult::Ready;
        case platform::FileReadStatus::Empty:
            return PayloadResult::Empty;
        case platform::FileReadStatus::TooLarge:
            return PayloadResult::TooLarge;
        case platform::FileReadStatus::CannotOpen:
            break;
    }
    return PayloadResult::CannotRead;
}

// The document a file may make: with the file and its record, within ten times the file's size
// and 64 MiB. Control bytes and bad UTF-8 grow up to sixfold in it, and a name is written twice
// and once more in the magnet link.
bool DocumentFits(const torrent::TorrentInfo& info, std::size_t fileBytes) {
    constexpr std::size_t kAlways = 56u << 20;
    return torrent::DocumentSizeBound(info) <= 8 * fileBytes + kAlways;
}

PayloadResult PreparePayload(WebViewState& state, const std::filesystem::path& path,
                             std::uint32_t flags, torrent::Limit* exceeded) {
    const std::int64_t totalStart = platform::PerformanceCounter();
    LoadedTorrent torrent;
    if (const PayloadResult result = LoadTorrent(path, torrent); result != PayloadResult::Ready) {
        if (exceeded != nullptr) {
            *exceeded = torrent.info.exceeded;
        }
        return result;
    }
    if (!DocumentFits(torrent.info, torrent.content.bytes.size())) {
        if (exceeded != nullptr) {
            *exceeded = torrent::Limit::DocumentSize;
        }
        return PayloadResult::TooLargeToShow;
    }
    // Built aside and swapped in at the end, so that a failure (out of memory) on the way
    // leaves the view's state as it was.
    WebViewState prepared;
    prepared.dark = (flags & kHostDarkModeFlag) != 0;
    PerfTimer timer("torrent::toJson");
    prepared.dataJson = torrent::toJson(torrent.info);
    timer.End();
    prepared.torrentPath = path;
    prepared.torrentStamp = StampOf(path, torrent.content.bytes.size());
    timer.Restart("FillConfigPayload");
    FillConfigPayload(prepared);
    timer.End();
    state.dark = prepared.dark;
    state.dataJson.swap(prepared.dataJson);
    state.themeCss.swap(prepared.themeCss);
    state.configJson.swap(prepared.configJson);
    state.configDir.swap(prepared.configDir);
    state.torrentPath.swap(prepared.torrentPath);
    state.torrentStamp = prepared.torrentStamp;
    state.search.reset();
    state.pageOrder.clear();
    PerfLog("LoadTorrentPayload total",
            PerfMilliseconds(totalStart, platform::PerformanceCounter()));
    return PayloadResult::Ready;
}

}  // namespace

FileStamp StampOf(const std::filesystem::path& path, std::uint64_t size) {
    return {size, platform::LastWriteTime(path)};
}

PayloadResult LoadTorrent(const std::filesystem::path& path, LoadedTorrent& torrent) {
    PerfTimer timer("ReadFileBytes");
    torrent.content = platform::ReadWholeFile(path, kMaxTorrentFileBytes);
    timer.End();
    if (const PayloadResult result = ReadResult(torrent.content); result != PayloadResult::Ready) {
        return result;
    }
    const std::string_view bytes = torrent.content.bytes;
    timer.Restart("torrent::extract");
    torrent.info = torrent::extract(bytes.data(), bytes.size());
    timer.End();
    if (!torrent.info.ok) {
        return torrent.info.exceeded == torrent::Limit::None ? PayloadResult::NotATorrent
                                                             : PayloadResult::TooLargeToShow;
    }
    platform::ReleaseFreedMemory();
    AddInfoHashes(torrent.info, bytes);
    return PayloadResult::Ready;
}

std::string_view RefusalReason(PayloadResult result) {
    switch (result) {
        case PayloadResult::Ready:
            break;
        case PayloadResult::CannotRead:
            return "cannot be read";
        case PayloadResult::Empty:
            return "is empty";
        case PayloadResult::TooLarge:
            return "is larger than 64 MiB";
        case PayloadResult::NotATorrent:
            return "is not a torrent";
        case PayloadResult::TooLargeToShow:
            return "is too large to show";
    }
    return {};
}

PayloadResult LoadTorrentPayload(WebViewState& state, const std::filesystem::path& path,
                                 std::uint32_t flags, torrent::Limit* exceeded) noexcept {
    try {
        return PreparePayload(state, path, flags, exceeded);
    } catch (...) {
        // Only memory can run out on the way: the document did not fit.
        if (exceeded != nullptr) {
            *exceeded = torrent::Limit::Memory;
        }
        return PayloadResult::TooLargeToShow;
    }
}

void FillConfigPayload(WebViewState& state) {
    FillConfigPayload(state, ConfigFolder());
}

void FillConfigPayload(WebViewState& state, std::filesystem::path folder) {
    const Settings& settings = LoadSettings(folder);
    const std::vector<Theme>& themes = LoadThemes(folder);
    const Theme* theme = ResolveTheme(themes, settings.theme, state.dark);
    std::string css = BuildThemeCss(theme);
    std::string json =
        BuildConfigJson(themes, settings, theme ? theme->name : "", state.dark, PerfEnabled());
    // Built first and swapped in, so that running out of memory leaves the state whole.
    state.configDir.swap(folder);
    state.themeCss.swap(css);
    state.configJson.swap(json);
}

#include "view/payload.h"

#include "platform/clock.h"
#include "platform/file_write.h"
#include "platform/perf_trace.h"
#include "settings/config_document.h"
#include "settings/config_files.h"
#include "torrent/json.h"

namespace {

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
    // Stamped before it is read: a change while it is read then keeps the find from an index of
    // other names than the page shows.
    const platform::FileStamp stamp = platform::StampOf(path).value_or(platform::FileStamp{});
    torrent::LoadedTorrent torrent;
    if (const PayloadResult result = torrent::LoadTorrent(path, torrent);
        result != PayloadResult::Ready) {
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
    prepared.torrentStamp = stamp;
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

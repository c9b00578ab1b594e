#include "view/lister_find.h"

#include "view/payload.h"

std::shared_ptr<SearchText> BuildSearchTextFor(const std::filesystem::path& path,
                                               platform::FileStamp stamp) {
    torrent::LoadedTorrent torrent;
    if (torrent::LoadTorrent(path, torrent) != PayloadResult::Ready ||
        platform::StampOf(path) != stamp) {
        return nullptr;
    }
    return std::make_shared<SearchText>(BuildSearchText(torrent.info));
}

std::optional<std::string> FindInOrder(SearchText& search, std::string_view pageOrder,
                                       std::uint64_t pageOrderVersion, std::string_view needle,
                                       int flags) {
    if (search.orderVersion != pageOrderVersion) {
        search.orderVersion = pageOrderVersion;
        SetPageOrder(search, pageOrder);
    }
    return FindNext(search, needle, flags);
}

std::optional<std::string> FindInTorrent(WebViewState& state, std::string_view needle, int flags) {
    if (!state.search) {
        state.search = BuildSearchTextFor(state.torrentPath, state.torrentStamp);
        if (!state.search) {
            return std::nullopt;
        }
    }
    return FindInOrder(*state.search, state.pageOrder, state.pageOrderVersion, needle, flags);
}

// Property: any text the page could post is read in bounds and handled without a crash or a
// leak: the member extractor for any key, a whole message for a view (its settings written to a
// folder of its own), and the Lister's find over a torrent's names.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "view/page_messages.h"
#include "view/text_search.h"

namespace {

const std::filesystem::path& ScratchFolder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / "marrowpeek-fuzz-messages";
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* key : {"set", "value", "perf", "label", "ms", "copy", "key", "keys", ""}) {
        ExtractJsonString(text, key);
    }
    WebViewState state;
    state.configDir = ScratchFolder();
    HandlePageMessage(state, text, true);

    // The same bytes as names to find in: every flag, from the start and on from a hit.
    torrent::TorrentInfo info;
    info.name = std::string(text.substr(0, size / 2));
    info.comment = std::string(text.substr(size / 2));
    SearchText search = BuildSearchText(info);
    const std::string_view needle = text.substr(size / 3, 3);
    for (int flags = 0; flags < 16; ++flags) {
        FindNext(search, needle, flags);
    }
    return 0;
}

// Property: any text the page could post is read in bounds and handled without a crash or a
// leak: the message reader, a whole message for a view (its settings written to a folder of its
// own), and the Lister's find over a torrent's names and paths in any order the page names.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/utf8.h"
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
    if (const auto message = ReadPageMessage(text)) {
        message->Kind();
        message->Text("copy");
    }
    WebViewState state;
    state.configDir = ScratchFolder();
    HandlePageMessage(state, text, true);

    // The same bytes as names to find in, a folder holding a folder and a file: every flag, from
    // the start and on from a hit, plain and as a path.
    torrent::TorrentInfo info;
    info.name = std::string(text.substr(0, size / 2));
    info.comment = std::string(text.substr(size / 2));
    const std::string names[] = {SanitizeUtf8(text.substr(0, size / 4)),
                                 SanitizeUtf8(text.substr(size / 4, size / 4)),
                                 SanitizeUtf8(text.substr(size / 2))};
    info.tree.SetRoot("", true);
    const std::uint32_t folder = info.tree.Add(0, names[0], true, 0);
    info.tree.Add(info.tree.Add(folder, names[1], true, 0), names[2], false, 1);
    info.tree.Add(folder, names[2], false, 1);
    info.tree.Finish();
    SearchText search = BuildSearchText(info);
    SetPageOrder(search, size % 2 == 0 ? "1 4 2 3" : text.substr(0, 12));
    const std::string needles[] = {std::string(text.substr(size / 3, 3)),
                                   std::string(text.substr(size / 5, 2)) + "/"};
    for (const std::string& needle : needles) {
        for (int flags = 0; flags < 16; ++flags) {
            FindNext(search, needle, flags);
        }
    }
    return 0;
}

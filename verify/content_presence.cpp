#include "verify/content_presence.h"

#include "platform/file_read.h"

namespace verify {

std::optional<Presence> ContentPresence(const ContentLayout& layout,
                                        const std::atomic<bool>* stop) {
    // A multi-file torrent without its folder is missing whole: one look instead of one a file,
    // each of which may scan the folder around it for another case of the name.
    if (!layout.singleFile && !platform::IsFolder(layout.root)) {
        return Presence::Missing;
    }
    std::size_t whole = 0, content = 0;
    bool any = false;
    for (const ContentFile& file : layout.files) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            return std::nullopt;
        }
        if (file.link) {
            continue;
        }
        ++content;
        const auto size =
            file.safe ? platform::RegularFileSize(PathOnDisk(layout, file)) : std::nullopt;
        any = any || size.has_value();
        whole += size && *size == static_cast<std::uint64_t>(file.size) ? 1 : 0;
    }
    return whole == content ? Presence::Complete : any ? Presence::Incomplete : Presence::Missing;
}

}  // namespace verify

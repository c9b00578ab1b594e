#pragma once

#include <atomic>
#include <optional>

#include "verify/content_layout.h"

namespace verify {

// Whether a torrent's content lies where its layout says, from sizes alone.
enum class Presence {
    Complete,    // every file is there with its size
    Incomplete,  // some are, or some have another size
    Missing,     // none is there
};

// Looks at each file's size, never at its content; an unsafe file counts as not there. Polls
// `stop` between files and gives nothing once it is set.
std::optional<Presence> ContentPresence(const ContentLayout& layout,
                                        const std::atomic<bool>* stop = nullptr);

}  // namespace verify

#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "torrent/torrent_info.h"

// What the thumbnail view shows of a torrent: a card with its name, size, file count, version,
// a private mark and a bar of its content's kinds, in the viewer's colours.

// The kind of a file by its extension, as the page's file tree names it ("video", "audio" ...,
// "unknown").
std::string_view KindOfName(std::string_view name);

struct CardColours {
    std::uint32_t background = 0xFFFFFF;  // 0xRRGGBB
    std::uint32_t text = 0x1A1A1A;
    std::uint32_t muted = 0x666666;
    std::uint32_t line = 0xE3E3E3;
    std::uint32_t accent = 0x1A66D1;
};

struct CardKind {
    std::string_view kind;
    std::uint32_t colour = 0;
    std::int64_t bytes = 0;
};

struct ThumbnailCard {
    std::string title;
    std::string facts;            // "1.2 GB · 34 files"
    std::string version;          // "hybrid", with " · private" when it is
    std::vector<CardKind> kinds;  // by bytes, largest first; none without content
    CardColours colours;
};

// The card of a torrent in the colours of a theme style sheet (BuildThemeCss); what a theme
// does not set keeps the page's own colour.
ThumbnailCard CardOf(const torrent::TorrentInfo& info, std::string_view themeCss);

// The card's size inside width × height: four by three, as large as fits, never padded out.
struct CardSize {
    int width = 0;
    int height = 0;
};
CardSize FitCard(int width, int height);

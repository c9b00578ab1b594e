#include "view/thumbnail_card.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/text.h"
#include "platform/utf8.h"
#include "settings/themes.h"

namespace {

struct KindRule {
    std::string_view kind;
    std::string_view colourKey;
    std::uint32_t colour;  // the page's own, when the theme sets none
    std::string_view extensions;
};

// The page's table (page/tree.js), in its order: a later row wins ("iso" is a disc).
constexpr std::array<KindRule, 12> kKinds = {{
    {"video", "icon-video", 0x3B82F6, " mkv mp4 avi mov wmv flv webm m4v mpg mpeg ts m2ts vob "},
    {"audio", "icon-audio", 0x16A34A, " mp3 flac wav aac ogg m4a opus wma cue "},
    {"image", "icon-image", 0xDB2777, " jpg jpeg png gif webp bmp tif tiff svg heic avif "},
    {"archive", "icon-archive", 0xB45309, " zip rar 7z tar gz bz2 xz iso cab "},
    {"doc", "icon-doc", 0x2563EB, " doc docx xls xlsx ppt pptx odt ods odp rtf epub mobi "},
    {"pdf", "icon-pdf", 0xDC2626, " pdf "},
    {"text", "icon-text", 0x64748B, " txt nfo diz md log csv ini cfg conf "},
    {"subtitle", "icon-subtitle", 0x7C3AED, " srt ass ssa sub vtt idx "},
    {"code", "icon-code", 0x0891B2,
     " html htm css js json xml yml yaml py cpp c h hpp cs java sh bat ps1 php rb go rs "},
    {"app", "icon-app", 0x475569, " exe msi apk appx dll "},
    {"disc", "icon-disc", 0x9333EA, " iso bin img mdf nrg "},
    {"unknown", "muted", 0x666666, ""},
}};

std::size_t KindIndex(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size() || name.size() - dot > 8) {
        return kKinds.size() - 1;
    }
    std::string extension = " ";
    for (const char c : name.substr(dot + 1)) {
        extension += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    extension += ' ';
    for (std::size_t i = kKinds.size() - 1; i-- > 0;) {
        if (kKinds[i].extensions.find(extension) != std::string_view::npos) {
            return i;
        }
    }
    return kKinds.size() - 1;
}

}  // namespace

std::string_view KindOfName(std::string_view name) {
    return kKinds[KindIndex(name)].kind;
}

ThumbnailCard CardOf(const torrent::TorrentInfo& info, std::string_view themeCss) {
    ThumbnailCard card;
    const auto colour = [&](std::string_view key, std::uint32_t fallback) {
        return ThemeColour(themeCss, key).value_or(fallback);
    };
    card.colours = {colour("bg", 0xFFFFFF), colour("fg", 0x1A1A1A), colour("muted", 0x666666),
                    colour("line", 0xE3E3E3), colour("accent", 0x1A66D1)};
    card.title = SanitizeUtf8(info.name);
    card.facts = platform::SizeText(info.totalSize) + " \u00B7 " +
                 platform::GroupedCount(info.fileCount) +
                 (info.fileCount == 1 ? " file" : " files");
    card.version = torrent::VersionWord(info);
    if (info.isPrivate) {
        card.version += " \u00B7 private";
    }
    std::array<std::int64_t, kKinds.size()> bytes{};
    const torrent::FileTree& tree = info.tree;
    for (const torrent::TreeNode& node : tree.nodes()) {
        if (!node.dir && node.link == 0 && node.size > 0) {
            bytes[KindIndex(tree.Name(node))] += node.size;
        }
    }
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        if (bytes[i] > 0) {
            card.kinds.push_back(
                {kKinds[i].kind, colour(kKinds[i].colourKey, kKinds[i].colour), bytes[i]});
        }
    }
    std::stable_sort(card.kinds.begin(), card.kinds.end(),
                     [](const CardKind& a, const CardKind& b) { return a.bytes > b.bytes; });
    return card;
}

CardSize FitCard(int width, int height) {
    if (width <= 0 || height <= 0) {
        return {};
    }
    const std::int64_t fromWidth = std::int64_t{width} * 3 / 4;
    if (fromWidth <= height) {
        return {width, static_cast<int>(std::max<std::int64_t>(fromWidth, 1))};
    }
    return {static_cast<int>(std::max<std::int64_t>(std::int64_t{height} * 4 / 3, 1)), height};
}

#include "plugin/thumbnail.h"

#include <algorithm>
#include <string>

#include "platform/text.h"
#include "settings/config_files.h"
#include "settings/settings.h"
#include "settings/themes.h"
#include "torrent/load.h"
#include "view/thumbnail_card.h"

namespace {

COLORREF Gdi(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// The thumbnail view gives no dark-mode flag: the system's app setting decides "auto".
bool SystemIsDark() {
    DWORD light = 1;
    DWORD size = sizeof(light);
    return RegGetValueW(HKEY_CURRENT_USER,
                        L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                        L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &light,
                        &size) == ERROR_SUCCESS &&
           light == 0;
}

// Read from the files, not the viewer's caches, which belong to the host's UI thread.
std::string ThemeCss() {
    const std::filesystem::path folder = ConfigFolder();
    const std::vector<Theme> themes = ThemesFromText(ReadTextFile(folder / kThemesFileName));
    return BuildThemeCss(ResolveTheme(themes, ReadSettings(folder).theme, SystemIsDark()));
}

void Fill(HDC dc, const RECT& area, std::uint32_t colour) {
    const HBRUSH brush = CreateSolidBrush(Gdi(colour));
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

void Text(HDC dc, const std::string& utf8, RECT area, int height, int weight, std::uint32_t colour,
          UINT format) {
    const HFONT font = CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                   DEFAULT_PITCH | FF_SWISS, L"Segoe UI");
    const HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, Gdi(colour));
    std::wstring wide = platform::PathFromUtf8(utf8).wstring();
    DrawTextW(dc, wide.data(), static_cast<int>(wide.size()), &area,
              format | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);
    DeleteObject(font);
}

void Draw(HDC dc, const ThumbnailCard& card, int width, int height) {
    const CardColours& colours = card.colours;
    Fill(dc, {0, 0, width, height}, colours.line);
    Fill(dc, {1, 1, std::max(1, width - 1), std::max(1, height - 1)}, colours.background);
    SetBkMode(dc, TRANSPARENT);
    const int margin = std::max(2, width / 16);
    const int line = std::max(6, height / 9);
    RECT title{margin, margin, width - margin, margin + 2 * line + line / 2};
    Text(dc, card.title, title, line, FW_SEMIBOLD, colours.text, DT_WORDBREAK | DT_EDITCONTROL);
    RECT facts{margin, title.bottom + line / 3, width - margin, title.bottom + line / 3 + line};
    Text(dc, card.facts, facts, line * 4 / 5, FW_NORMAL, colours.text, DT_SINGLELINE);
    RECT version{margin, facts.bottom + line / 4, width - margin, facts.bottom + line / 4 + line};
    Text(dc, card.version, version, line * 4 / 5, FW_NORMAL, colours.accent, DT_SINGLELINE);
    // The bar of the content's kinds along the foot, each as wide as its share of the bytes.
    const int barHeight = std::max(2, height / 10);
    const RECT bar{margin, height - margin - barHeight, width - margin, height - margin};
    Fill(dc, bar, colours.line);
    std::int64_t total = 0;
    for (const CardKind& kind : card.kinds) {
        total += kind.bytes;
    }
    const int span = static_cast<int>(bar.right - bar.left);
    std::int64_t before = 0;
    for (const CardKind& kind : card.kinds) {
        const auto left = static_cast<int>(before * span / total);
        before += kind.bytes;
        const auto right = static_cast<int>(before * span / total);
        // Every kind present shows, however small its share.
        Fill(dc, {bar.left + left, bar.top, bar.left + std::max(right, left + 1), bar.bottom},
             kind.colour);
    }
}

}  // namespace

HBITMAP TorrentThumbnail(const std::filesystem::path& file, int width, int height) {
    const CardSize size = FitCard(width, height);
    if (size.width <= 0) {
        return nullptr;
    }
    torrent::LoadedTorrent torrent;
    if (torrent::LoadTorrent(file, torrent) != torrent::LoadStatus::Ready) {
        return nullptr;
    }
    const ThumbnailCard card = CardOf(torrent.info, ThemeCss());
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size.width, size.height);
    ReleaseDC(nullptr, screen);
    if (dc == nullptr || bitmap == nullptr) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
        if (dc != nullptr) {
            DeleteDC(dc);
        }
        return nullptr;
    }
    const HGDIOBJ old = SelectObject(dc, bitmap);
    Draw(dc, card, size.width, size.height);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

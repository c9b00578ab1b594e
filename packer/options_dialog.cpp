#include "packer/options_dialog.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "archive/pack_options.h"
#include "packer/dialog_ids.h"
#include "platform/text.h"
#include "settings/config_files.h"
#include "settings/create_settings.h"

namespace {

// The versions offered, the default first, as the settings file names them.
constexpr std::array<std::string_view, 3> kVersions = {"hybrid", "v1", "v2"};

std::wstring Wide(std::string_view utf8) {
    return platform::PathFromUtf8(utf8).wstring();
}

std::string TextOf(HWND dialog, int control) {
    const HWND item = GetDlgItem(dialog, control);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return platform::PathToUtf8(std::filesystem::path(text));
}

// A drop-down list of `labels` showing the one at `selected`; the first when it is none of them.
void FillChoices(HWND dialog, int control, const std::vector<std::string>& labels,
                 std::size_t selected) {
    for (const std::string& label : labels) {
        SendDlgItemMessageW(dialog, control, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(Wide(label).c_str()));
    }
    SendDlgItemMessageW(dialog, control, CB_SETCURSEL, selected < labels.size() ? selected : 0, 0);
}

// The place of the choice shown among `count`; the first when there is none.
std::size_t Chosen(HWND dialog, int control, std::size_t count) {
    const auto at = SendDlgItemMessageW(dialog, control, CB_GETCURSEL, 0, 0);
    return at > 0 && static_cast<std::size_t>(at) < count ? static_cast<std::size_t>(at) : 0;
}

template <typename Range, typename Value>
std::size_t PlaceOf(const Range& range, const Value& value) {
    return static_cast<std::size_t>(std::find(range.begin(), range.end(), value) - range.begin());
}

void Fill(HWND dialog, const CreateSettings& settings) {
    SetWindowTextW(dialog, L"Marrowpeek " MARROWPEEK_VERSION_W L": torrent options");
    FillChoices(dialog, IDC_VERSION, {kVersions.begin(), kVersions.end()},
                PlaceOf(kVersions, settings.version));
    std::vector<std::string> lengths;
    for (const std::int64_t length : archive::kPieceLengthChoices) {
        lengths.push_back(archive::PieceLengthLabel(length));
    }
    FillChoices(dialog, IDC_PIECE_SIZE, lengths,
                PlaceOf(archive::kPieceLengthChoices, settings.pieceLength));
    SetDlgItemTextW(dialog, IDC_TRACKERS, Wide(archive::LinesFromTiers(settings.trackers)).c_str());
    SetDlgItemTextW(dialog, IDC_WEB_SEEDS,
                    Wide(archive::LinesFromItems(settings.webSeeds)).c_str());
    SetDlgItemTextW(dialog, IDC_SOURCE, Wide(settings.source).c_str());
    SetDlgItemTextW(dialog, IDC_COMMENT, Wide(settings.comment).c_str());
    CheckDlgButton(dialog, IDC_PRIVATE, settings.isPrivate ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_HIDDEN, settings.includeHidden ? BST_CHECKED : BST_UNCHECKED);
}

CreateSettings Read(HWND dialog) {
    CreateSettings settings;
    settings.version = kVersions[Chosen(dialog, IDC_VERSION, kVersions.size())];
    settings.pieceLength = archive::kPieceLengthChoices[Chosen(
        dialog, IDC_PIECE_SIZE, archive::kPieceLengthChoices.size())];
    settings.trackers = archive::TiersFromLines(TextOf(dialog, IDC_TRACKERS));
    settings.webSeeds = archive::ItemsFromLines(TextOf(dialog, IDC_WEB_SEEDS));
    settings.source = TextOf(dialog, IDC_SOURCE);
    settings.comment = TextOf(dialog, IDC_COMMENT);
    settings.isPrivate = IsDlgButtonChecked(dialog, IDC_PRIVATE) == BST_CHECKED;
    settings.includeHidden = IsDlgButtonChecked(dialog, IDC_HIDDEN) == BST_CHECKED;
    return settings;
}

INT_PTR CALLBACK OptionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    try {
        if (message == WM_INITDIALOG) {
            Fill(dialog, ReadCreateSettings(ConfigFolder()));
            return TRUE;
        }
        if (message != WM_COMMAND) {
            return FALSE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        if (LOWORD(wParam) == IDOK) {
            std::string whyNot;
            if (WriteCreateSettings(ConfigFolder(), Read(dialog), whyNot)) {
                EndDialog(dialog, IDOK);
            } else {
                // The dialog stays open with what was typed, so that nothing is lost.
                MessageBoxW(dialog, Wide("Not saved: " + whyNot + ".").c_str(), L"Marrowpeek",
                            MB_OK | MB_ICONWARNING);
            }
            return TRUE;
        }
    } catch (...) {
        // An allocation failure leaves the dialog as it is.
    }
    return FALSE;
}

}  // namespace

void ShowPackOptions(HWND parent, HINSTANCE instance) {
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PACK_OPTIONS), parent, OptionsProc, 0);
}

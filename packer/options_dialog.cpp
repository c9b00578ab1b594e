#include "packer/options_dialog.h"

#include <string>

#include "archive/pack_options.h"
#include "packer/dialog_ids.h"
#include "platform/text.h"
#include "settings/config_files.h"
#include "settings/create_settings.h"

namespace {

constexpr const wchar_t* kVersions[] = {L"hybrid", L"v1", L"v2"};

std::wstring Wide(const std::string& utf8) {
    return platform::PathFromUtf8(utf8).wstring();
}

std::string TextOf(HWND dialog, int control) {
    const HWND item = GetDlgItem(dialog, control);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return platform::PathToUtf8(std::filesystem::path(text));
}

void Fill(HWND dialog, const CreateSettings& settings) {
    SetWindowTextW(dialog, L"Marrowpeek " MARROWPEEK_VERSION_W L": torrent options");
    const HWND version = GetDlgItem(dialog, IDC_VERSION);
    for (const wchar_t* name : kVersions) {
        const auto at = SendMessageW(version, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        if (Wide(settings.version) == name) {
            SendMessageW(version, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
        }
    }
    const HWND pieces = GetDlgItem(dialog, IDC_PIECE_SIZE);
    for (std::size_t i = 0; i < archive::kPieceLengthChoices.size(); ++i) {
        const std::wstring label = Wide(archive::PieceLengthLabel(archive::kPieceLengthChoices[i]));
        SendMessageW(pieces, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
        if (archive::kPieceLengthChoices[i] == settings.pieceLength) {
            SendMessageW(pieces, CB_SETCURSEL, i, 0);
        }
    }
    if (SendMessageW(pieces, CB_GETCURSEL, 0, 0) == CB_ERR) {
        SendMessageW(pieces, CB_SETCURSEL, 0, 0);
    }
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
    const auto version = SendDlgItemMessageW(dialog, IDC_VERSION, CB_GETCURSEL, 0, 0);
    settings.version = version == 1 ? "v1" : version == 2 ? "v2" : "hybrid";
    const auto piece = SendDlgItemMessageW(dialog, IDC_PIECE_SIZE, CB_GETCURSEL, 0, 0);
    settings.pieceLength =
        piece > 0 && static_cast<std::size_t>(piece) < archive::kPieceLengthChoices.size()
            ? archive::kPieceLengthChoices[static_cast<std::size_t>(piece)]
            : 0;
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

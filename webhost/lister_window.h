#pragma once

#include <windows.h>

#include <string_view>

#include "view/key_routing.h"

// The Lister window a view sits in, and what the view tells it.

// The Lister's notice that the plug-in took the focus (the low word of wParam is 0).
inline constexpr WORD kListerFocusCommand = 0xFFF8;

// Quick View hosts the Lister window as a child of the file manager's panel.
bool IsQuickView(HWND lister);

// Posts a key event the control reported, as the message of its kind with its lParam.
void PostReportedKey(HWND lister, KeyEventKind kind, UINT virtualKey, LPARAM lParam);

// Posts a press and release of a key the page relayed.
void PostKeyPress(HWND lister, UINT virtualKey);

// Tells the Lister window that `view` has the focus, so that Quick View's header follows it.
void PostFocusNotice(HWND lister, HWND view);

// Puts text on the clipboard as Unicode text; false when the clipboard stayed with another
// program.
bool SetClipboardText(HWND owner, std::wstring_view text);

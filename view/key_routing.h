#pragma once

#include <optional>
#include <string_view>

// Which keys the file manager's Lister window binds, and which the page keeps. The web view's
// window belongs to another process, so the Lister window sees no key unless the host passes it
// on. Keys come two ways: those the control reports before the page (function keys, Escape,
// anything with Ctrl or Alt) and the plain keys the page relays.

// Windows virtual-key codes.
inline constexpr unsigned kKeyTab = 0x09;
inline constexpr unsigned kKeyEscape = 0x1B;
inline constexpr unsigned kKeyAlt = 0x12;
inline constexpr unsigned kKeyF2 = 0x71;
inline constexpr unsigned kKeyF3 = 0x72;
inline constexpr unsigned kKeyF5 = 0x74;
inline constexpr unsigned kKeyF7 = 0x76;
inline constexpr unsigned kKeyF10 = 0x79;

// The kinds of a reported key event, with the control's values.
enum class KeyEventKind { KeyDown = 0, KeyUp = 1, SystemKeyDown = 2, SystemKeyUp = 3 };

struct ReportedKey {
    unsigned virtualKey = 0;
    KeyEventKind kind = KeyEventKind::KeyDown;
    bool control = false;  // Ctrl held
};

struct KeyContext {
    // The Lister window is a child window: Quick View, where Tab moves to the other panel and
    // nothing closes.
    bool quickView = false;
    // The page has a field focused or its settings panel open: Escape, Ctrl+A and Ctrl+C are
    // its own.
    bool pageWantsKeys = false;
};

// What becomes of a reported key: left to the page, or taken (the page never sees it) and posted
// to the Lister window as a key message of `postAs`, with the event's lParam or with 0.
struct KeyDecision {
    bool taken = false;
    KeyEventKind postAs = KeyEventKind::KeyDown;
    bool withLParam = true;
};

KeyDecision RouteReportedKey(const ReportedKey& key, const KeyContext& context);

// The virtual key the page relays by name ("n", "7", "Tab"), to post as a key press to the
// Lister window; nothing for a name the Lister does not bind here.
std::optional<unsigned> RelayedKey(std::string_view name, const KeyContext& context);

#include "view/key_routing.h"

namespace {

bool IsKeyDown(KeyEventKind kind) {
    return kind == KeyEventKind::KeyDown || kind == KeyEventKind::SystemKeyDown;
}

// The Lister's Ctrl shortcuts: copy and select all (which a focused field keeps), print, and
// Quick View's Ctrl+Q.
bool IsListerControlKey(unsigned key, bool pageWantsKeys) {
    if (key == 'A' || key == 'C') {
        return !pageWantsKeys;
    }
    return key == 'P' || key == 'Q';
}

}  // namespace

KeyDecision RouteReportedKey(const ReportedKey& key, const KeyContext& context) {
    const bool system =
        key.kind == KeyEventKind::SystemKeyDown || key.kind == KeyEventKind::SystemKeyUp;
    if (key.virtualKey == kKeyEscape) {
        // Only the press closes the Lister; in Quick View, or while the page closes its own
        // panel or field first, Escape stays with the page.
        if (context.quickView || context.pageWantsKeys || !IsKeyDown(key.kind)) {
            return {};
        }
        return {true, KeyEventKind::KeyDown, false};
    }
    const KeyDecision passOn{true, key.kind, true};
    switch (key.virtualKey) {
        case kKeyF2:
        case kKeyF3:
        case kKeyF5:
        case kKeyF7:
        case kKeyF10:
        case kKeyAlt:
            return passOn;
        case kKeyTab:
            return context.quickView ? passOn : KeyDecision{};
        default:
            break;
    }
    // Alt combinations are the Lister's menu and window keys.
    if (system || (key.control && IsListerControlKey(key.virtualKey, context.pageWantsKeys))) {
        return passOn;
    }
    return {};
}

std::optional<unsigned> RelayedKey(std::string_view name, const KeyContext& context) {
    if (name == "Tab") {
        return context.quickView ? std::optional<unsigned>(kKeyTab) : std::nullopt;
    }
    if (name.size() != 1) {
        return std::nullopt;
    }
    constexpr std::string_view kListerKeys = "np1234567asvwflc";
    const char c = name.front();
    if (kListerKeys.find(c) == std::string_view::npos) {
        return std::nullopt;
    }
    // Letters' virtual keys are their capitals; digits' are the digits.
    return static_cast<unsigned>(c >= 'a' ? c - 'a' + 'A' : c);
}

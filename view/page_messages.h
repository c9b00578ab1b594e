#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "view/check_job.h"
#include "view/view_records.h"

// A message the page posted: a JSON object whose members are strings, numbers, booleans or null.
// The first member's name is its kind ({"copy":"text"} is a copy answer).
struct PageMessage {
    std::vector<std::pair<std::string, std::optional<std::string>>> members;  // strings only

    std::string_view Kind() const;
    // The member's string, as JSON reads it (the last of one name counts); null when it is
    // absent or not a string.
    const std::string* Text(std::string_view name) const;
};

// Reads a message as JSON does; nothing for a text that is not one JSON object of such members.
std::optional<PageMessage> ReadPageMessage(std::string_view text);

// "[Marrowpeek] frontend <label>: <ms> ms\n", "unknown" and "?" standing in for empty parts.
std::string FrontendTimingLine(std::string_view label, std::string_view milliseconds);

struct SettingChange {
    // False when the file was left as it was: it could not be read whole, the value could not
    // be stored, or the write failed.
    bool saved = true;
    // After a theme change: the message that hands the page its new style sheet.
    std::optional<std::string> styleSheet;
};

// Persists one setting changed on the page: reads the file afresh, applies the change and
// rewrites it whole. For "theme" the view's style sheet is rebuilt. An empty key does nothing.
SettingChange PersistSetting(WebViewState& state, std::string_view key, std::string_view value);

// What the page hears when a change of `key` could not be saved: {"settingNotSaved":"key"}.
std::string SettingNotSavedMessage(std::string_view key);

struct PageMessageOutcome {
    // A timing line for the debugger output.
    std::optional<std::string> debugLine;
    // Messages to post back to the page, in order.
    std::vector<std::string> replies;
    // A plain key the page passed on for the Lister window, by name ("n", "Tab").
    std::optional<std::string> relayedKey;
    // Whether the page now keeps Escape, Ctrl+A and Ctrl+C for a field or its panel.
    std::optional<bool> pageWantsKeys;
    // The page answered a copy command; with its selection or the focused row's path when the
    // answer was text.
    bool copyAnswered = false;
    std::optional<std::string> copiedText;
    // The page asks for a content check, its end, or a folder to check.
    std::optional<CheckJob::Request> check;
    // The page asks its trackers ("ask") or stops asking ("cancel").
    std::optional<std::string> trackers;
};

// Acts on one message the page posted as a string (UTF-8): a timing report becomes a timing line
// when tracing is on; a setting change is persisted for the view, and the page's order of the
// tree kept for its find; a relayed key, a change of who keeps the keys and copied text are
// handed to the host.
PageMessageOutcome HandlePageMessage(WebViewState& state, std::string_view text, bool tracing);

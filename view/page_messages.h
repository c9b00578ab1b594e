#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "view/view_records.h"

// The string value of the first quoted occurrence of `key` in a message (the \n, \r and \t
// escapes decoded, any other escaped character taken as itself); empty when there is none or it
// is not closed. Not a JSON parser: the page's messages are flat objects of strings.
std::string ExtractJsonString(std::string_view text, std::string_view key);

// "[Marrowpeek] frontend <label>: <ms> ms\n", "unknown" and "?" standing in for empty parts.
std::string FrontendTimingLine(std::string_view label, std::string_view milliseconds);

// Persists one setting changed on the page: reads the file afresh, applies the change and
// rewrites it whole. For "theme" the view's style sheet is rebuilt and the message to post to
// the page ({"css":"..."}) is returned. An empty key does nothing.
std::optional<std::string> PersistSetting(WebViewState& state, std::string_view key,
                                          std::string_view value);

struct PageMessageOutcome {
    // A timing line for the debugger output.
    std::optional<std::string> debugLine;
    // A message to post back to the page (the new style sheet after a theme change).
    std::optional<std::string> reply;
};

// Acts on one message the page posted as a string (UTF-8): a timing report becomes a timing line
// when tracing is on; a setting change is persisted for the view.
PageMessageOutcome HandlePageMessage(WebViewState& state, std::string_view text, bool tracing);

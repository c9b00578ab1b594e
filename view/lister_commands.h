#pragma once

#include <optional>
#include <string>

#include "view/view_records.h"

// The Lister's commands (ListSendCommand) and what the page is told for each.
inline constexpr int kCommandCopy = 1;
inline constexpr int kCommandNewParams = 2;
inline constexpr int kCommandSelectAll = 3;

// The answers the Lister expects from the plug-in's functions.
inline constexpr int kListerOk = 0;
inline constexpr int kListerError = 1;

struct CommandOutcome {
    int result = kListerError;
    // What to post to the page: {"command":"copy"}, {"command":"selectAll"} or {"dark":true}.
    std::optional<std::string> message;
    // The page will answer with the text to put on the clipboard.
    bool awaitsCopy = false;
    // The host's dark mode changed; the view's documents are rebuilt for it already.
    bool darkChanged = false;
};

// Decides a command for a view. For new show flags, a change of the dark-mode bit rebuilds the
// view's style sheet and configuration document, so that a reload serves the new colours too.
CommandOutcome HandleListerCommand(WebViewState& state, int command, int parameter);

#pragma once

#include <optional>
#include <string>

#include "platform/clock.h"

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

// A copy command waiting for the page's answer. Any answer ends the wait, and one that comes
// seconds late is not the user's copy any more: neither reaches the clipboard.
class CopyRequest {
  public:
    void Arm() { armedAt_ = platform::PerformanceCounter(); }
    void Disarm() { armedAt_.reset(); }
    // Whether the answer arriving now goes to the clipboard; the request ends either way.
    bool Answer() {
        const std::int64_t limit = platform::PerformanceFrequency() * kAnswerSeconds;
        const bool fresh = armedAt_ && platform::PerformanceCounter() - *armedAt_ <= limit;
        armedAt_.reset();
        return fresh;
    }

  private:
    static constexpr std::int64_t kAnswerSeconds = 3;
    std::optional<std::int64_t> armedAt_;
};

// Decides a command for a view. For new show flags, a change of the dark-mode bit rebuilds the
// view's style sheet and configuration document, so that a reload serves the new colours too.
CommandOutcome HandleListerCommand(WebViewState& state, int command, int parameter);

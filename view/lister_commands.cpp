#include "view/lister_commands.h"

#include "view/payload.h"

CommandOutcome HandleListerCommand(WebViewState& state, int command, int parameter) {
    CommandOutcome outcome;
    switch (command) {
        case kCommandCopy:
            outcome = {kListerOk, "{\"command\":\"copy\"}", true, false};
            break;
        case kCommandSelectAll:
            outcome = {kListerOk, "{\"command\":\"selectAll\"}", false, false};
            break;
        case kCommandNewParams: {
            outcome.result = kListerOk;
            const bool dark = (static_cast<unsigned>(parameter) & kHostDarkModeFlag) != 0;
            if (dark != state.dark) {
                state.dark = dark;
                FillConfigPayload(state, state.configDir);
                outcome.message = dark ? "{\"dark\":true}" : "{\"dark\":false}";
                outcome.darkChanged = true;
            }
            break;
        }
        default:
            break;
    }
    return outcome;
}

#include "webhost/view_commands.h"

#include <string>
#include <string_view>

#include "view/lister_commands.h"
#include "view/lister_find.h"
#include "webhost/lister_window.h"
#include "webhost/viewer_window.h"
#include "webhost/web_view_host.h"
#include "webview2/wide_text.h"

namespace {

// A view without a page shows only its label, whose text is all there is to copy.
int CommandWithoutPage(const ViewerWindow& view, int command, const CommandOutcome& outcome) {
    if (command != kCommandCopy) {
        return command == kCommandNewParams ? outcome.result : kListerError;
    }
    if (view.loadingLabel == nullptr) {
        return kListerError;
    }
    wchar_t text[512] = {};
    GetWindowTextW(view.loadingLabel, text, static_cast<int>(std::size(text)));
    return SetClipboardText(view.hwnd, text) ? kListerOk : kListerError;
}

// A view whose page has not shown yet has nothing to copy: its label only says so.
bool StillLoading(const ViewerWindow& view) {
    wchar_t text[std::size(kLoadingText) + 1] = {};
    return view.loadingLabel != nullptr && IsWindowVisible(view.loadingLabel) &&
           GetWindowTextW(view.loadingLabel, text, static_cast<int>(std::size(text))) > 0 &&
           std::wstring_view(text) == kLoadingText;
}

}  // namespace

int SendCommandToView(HWND pluginWindow, int command, int parameter) {
    ViewerWindow* view = ViewOfWindow(pluginWindow);
    if (view == nullptr || !view->web) {
        return kListerError;
    }
    if (command == kCommandCopy && StillLoading(*view)) {
        return kListerError;
    }
    const CommandOutcome outcome = HandleListerCommand(*view->web, command, parameter);
    if (outcome.darkChanged) {
        ApplyThemeBackground(view);
    }
    if (!view->webView) {
        return CommandWithoutPage(*view, command, outcome);
    }
    if (outcome.message) {
        if (outcome.awaitsCopy) {
            view->copyRequest.Arm();
        }
        view->webView->PostWebMessageAsJson(WideFromUtf8(*outcome.message).c_str());
    }
    return outcome.result;
}

int FindInView(HWND pluginWindow, const wchar_t* text, int flags) {
    ViewerWindow* view = ViewOfWindow(pluginWindow);
    if (view == nullptr || !view->web || !view->webView || text == nullptr) {
        return kListerError;
    }
    const std::optional<std::string> hit = FindInTorrent(*view->web, Utf8FromWide(text), flags);
    if (!hit) {
        return kListerError;
    }
    view->webView->PostWebMessageAsJson(WideFromUtf8(*hit).c_str());
    return kListerOk;
}

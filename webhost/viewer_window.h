#pragma once

#include <windows.h>

#include <deque>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/windows/this_module.h"
#include "view/check_job.h"
#include "view/lister_commands.h"
#include "view/scrape_job.h"
#include "view/view_records.h"
#include "webview2/com_ptr.h"
#include "webview2/webview2.h"

// Messages other threads leave for a view's page, and the window to wake when one comes.
struct PageMailbox {
    std::mutex mutex;
    std::deque<std::string> messages;
    HWND window = nullptr;
};

// Sent to a view's window when its mailbox has messages.
inline constexpr UINT kMailboxMessage = WM_APP + 0x51;

// One view the host opened: its window, its loading label, what it serves and its WebView2
// control. Reachable from its window through the window's user-data slot; owns its
// WebViewState and its references.
//
// The controller and web view sit here rather than in WebViewState so that the portable record,
// which the payload preparation fills on every platform, never depends on COM.
struct ViewerWindow {
    HWND hwnd = nullptr;          // the plug-in window, or the parking window
    HWND loadingLabel = nullptr;  // null for a view that came back from parking
    std::unique_ptr<WebViewState> web;
    ComPtr<ICoreWebView2Environment> environment;
    ComPtr<ICoreWebView2Controller> controller;
    ComPtr<ICoreWebView2> webView;
    // The page keeps Escape, Ctrl+A and Ctrl+C while a field has the focus or its panel is open.
    bool pageWantsKeys = false;
    // A copy command waits for the page's text.
    CopyRequest copyRequest;
    // The content check the page asked for, and the messages the page's jobs leave for it: their
    // threads put them here and wake the window, which hands them over.
    std::shared_ptr<CheckJob> checkJob;
    std::shared_ptr<ScrapeJob> scrapeJob;  // the page's asking of the trackers
    std::shared_ptr<PageMailbox> mailbox = std::make_shared<PageMailbox>();

    // Handlers hold this instead of the view itself: it is cleared when the view is freed, so a
    // completion that arrives later finds nothing instead of freed memory.
    std::shared_ptr<ViewerWindow*> link = std::make_shared<ViewerWindow*>(this);

    ViewerWindow() = default;
    ViewerWindow(const ViewerWindow&) = delete;
    ViewerWindow& operator=(const ViewerWindow&) = delete;
    ~ViewerWindow() { *link = nullptr; }
};

using ViewLink = std::shared_ptr<ViewerWindow*>;

// The view a link still points to, or null once it is gone.
inline ViewerWindow* LinkedView(const ViewLink& link) {
    return link ? *link : nullptr;
}

// What a view's label says until its page shows.
inline constexpr wchar_t kLoadingText[] = L"Loading torrent...";

// The class of plug-in and parking windows, registered with this library's module.
inline constexpr wchar_t kViewerClassName[] = L"Marrowpeek_WLX_Window";

// The view attached to a window (plug-in window or parking window), or null. The host may hand
// over any window: only one of this library's own class has a view in its first slot.
inline ViewerWindow* ViewOfWindow(HWND window) {
    wchar_t className[std::size(kViewerClassName) + 1] = {};
    if (window == nullptr || GetClassNameW(window, className, std::size(className)) == 0 ||
        std::wstring_view(className) != kViewerClassName ||
        reinterpret_cast<HMODULE>(GetClassLongPtrW(window, GCLP_HMODULE)) !=
            platform::ThisModule()) {
        return nullptr;
    }
    return reinterpret_cast<ViewerWindow*>(GetWindowLongPtrW(window, 0));
}

inline void AttachView(HWND window, ViewerWindow* view) {
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(view));
}

#pragma once

#include <windows.h>

#include <memory>

#include "view/view_records.h"
#include "webview2/com_ptr.h"
#include "webview2/webview2.h"

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

// The view attached to a window (plug-in window or parking window), or null.
inline ViewerWindow* ViewOfWindow(HWND window) {
    return window != nullptr ? reinterpret_cast<ViewerWindow*>(GetWindowLongPtrW(window, 0))
                             : nullptr;
}

inline void AttachView(HWND window, ViewerWindow* view) {
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(view));
}

#pragma once

#include "webhost/viewer_window.h"

// Gives a new view a controller: from the process's environment, or after the environment
// request that it joins. Failures show as text in the view's label.
void StartWebView(ViewerWindow* view);

// Asks the environment for a controller hosted in the view's window.
void CreateControllerFor(ViewerWindow* view, ICoreWebView2Environment* environment);

// Gives the controller the theme's background, shown until the page paints: no white flash
// in a dark theme.
void ApplyThemeBackground(ViewerWindow* view);

// Readies a view for a page that starts afresh (a navigation, or a reused view's reload): the
// theme's background, and none of the old page's key or copy state.
void PrepareForPage(ViewerWindow* view);

// Navigates the view's web view to the start page, prepared for it; nothing while it has
// none. False when the web view refused the navigation, which then never completes.
bool NavigateToStartPage(ViewerWindow* view);

// A closing view stops waiting for the environment.
void ForgetPendingView(ViewerWindow* view);

// Releases the cached environment and the waiting list, when the library is unloaded.
void ReleaseWebViewHost();

// The label texts of the failures.
inline constexpr wchar_t kRuntimeMissingText[] = L"WebView2 Runtime not installed.";
inline constexpr wchar_t kEnvironmentFailedText[] =
    L"WebView2 Runtime not installed.\nInstall the Microsoft Edge WebView2 Runtime to view "
    L"torrents.";
inline constexpr wchar_t kControllerFailedText[] = L"WebView2 failed to start.";

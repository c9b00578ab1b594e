#pragma once

// Finds an installed WebView2 runtime (or the one the caller, an environment variable or a policy
// names) and asks its client library to create an environment. Usable by any host: it depends on
// nothing but Windows and the interface declarations.

#include "webview2/webview2.h"

// Returns a failure when the request could not be started, and then never calls the handler.
// Otherwise the handler is called later, on this thread's message loop, with the outcome.
extern "C" HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder, IUnknown* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler);

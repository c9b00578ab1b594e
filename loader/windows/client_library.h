#pragma once

#include <string>

#include "loader/loader_options.h"
#include "webview2/webview2.h"

namespace loader {

// Loads the runtime's client library and hands it the request; its answer is the result.
HRESULT CallClientLibrary(const std::wstring& path, RuntimeKind kind, PCWSTR userDataFolder,
                          IUnknown* environmentOptions,
                          ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

}  // namespace loader

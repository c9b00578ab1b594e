#pragma once

// The control surface of the test runtime, a stand-in for the WebView2 runtime's client library
// (EmbeddedBrowserWebView.dll) built only for the tests. Each loaded copy of the library has its
// own state; a test reaches a copy through its exported TestRuntimeControl.

#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// One call of the library's entry, as the loader made it.
struct EnvironmentCall {
    std::optional<std::wstring> userDataFolder;
};

// What a resource request handler attached to the request.
struct ResourceReply {
    int status = 0;
    std::wstring reason;
    std::wstring headers;
    std::string body;
};

class TestRuntime {
  public:
    // The next `times` creations fail with `result`: at once (the call returns it) or in the
    // completion.
    virtual void FailEnvironment(HRESULT result, bool inCompletion, int times) = 0;
    virtual void FailController(HRESULT result, bool inCompletion, int times) = 0;
    // What Navigate answers from now on (S_OK by default).
    virtual void AnswerNavigate(HRESULT result) = 0;

    // Completions normally arrive through the calling thread's message loop; held ones wait for
    // ReleaseCompletions, which posts them.
    virtual void HoldCompletions(bool hold) = 0;
    virtual void ReleaseCompletions() = 0;

    virtual std::vector<EnvironmentCall> EnvironmentCalls() = 0;
    // Every call made on controllers and web views, one line each, such as
    // "c1 Navigate https://a.invalid/index.html" (UTF-8; controllers count from 1).
    virtual std::vector<std::string> Journal() = 0;

    // Events of controller `controller` (from 1), raised to its subscribed handlers at once.
    virtual ResourceReply RaiseResourceRequest(int controller, const std::wstring& uri) = 0;
    // A message posted with postMessage: `text` is its string form when it was posted as a
    // string. Returns whether a handler was there.
    virtual bool RaiseWebMessage(int controller, const std::optional<std::wstring>& text) = 0;
    // Returns whether a handler marked the key handled.
    virtual bool RaiseAcceleratorKey(int controller, INT32 kind, UINT virtualKey, INT32 lParam) = 0;
    virtual void RaiseGotFocus(int controller) = 0;
    virtual void CompleteNavigation(int controller) = 0;

  protected:
    ~TestRuntime() = default;
};

using TestRuntimeControlFunction = TestRuntime* (*)();

// How the journal writes a window handle.
inline std::string HandleText(HWND window) {
    char text[32];
    std::snprintf(text, sizeof text, "%llx",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    return text;
}

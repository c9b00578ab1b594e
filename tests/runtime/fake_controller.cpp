#include <string>

#include "tests/runtime/fake_event_args.h"
#include "tests/runtime/fake_webview.h"

HRESULT FakeEnvironment::CreateCoreWebView2Controller(
    HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
    RuntimeState& state = State();
    const int number = static_cast<int>(state.controllers.size()) + 1;
    Record("CreateCoreWebView2Controller c" + std::to_string(number) + " parent " +
           HandleText(parentWindow));
    if (handler == nullptr) {
        return E_POINTER;
    }
    if (const HRESULT failure = state.controllerFailure.Take(false); FAILED(failure)) {
        return failure;
    }
    ComPtr<FakeController> controller;
    if (const HRESULT failure = state.controllerFailure.Take(true); FAILED(failure)) {
        Complete([failure, caller = ComPtr(handler)] { caller->Invoke(failure, nullptr); });
        return S_OK;
    }
    controller = ComPtr<FakeController>::Attach(new FakeController(number, parentWindow));
    state.controllers.push_back(controller);
    Complete([controller, caller = ComPtr(handler)] { caller->Invoke(S_OK, controller.Get()); });
    return S_OK;
}

HRESULT FakeEnvironment::CreateWebResourceResponse(IStream* content, int statusCode,
                                                   LPCWSTR reasonPhrase, LPCWSTR headers,
                                                   ICoreWebView2WebResourceResponse** response) {
    if (response == nullptr) {
        return E_POINTER;
    }
    *response = new FakeResponse(content, statusCode, reasonPhrase ? reasonPhrase : L"",
                                 headers ? headers : L"");
    return S_OK;
}

HRESULT FakeEnvironment::get_BrowserVersionString(LPWSTR* versionInfo) {
    return CopyOut(L"86.0.616.0 test", versionInfo);
}

FakeController::FakeController(int number, HWND parent)
    : number_(number),
      parent_(parent),
      webView_(ComPtr<FakeWebView>::Attach(new FakeWebView(number, State().offerWebView22))) {
    if (parent != nullptr) {
        GetClientRect(parent, &bounds_);
    }
}

void FakeController::Drop() {
    keyHandlers_.Clear();
    if (webView_) {
        webView_->Drop();
    }
}

bool FakeController::Note(const std::string& call) {
    Record("c" + std::to_string(number_) + " " + call);
    return !closed_;
}

ResourceReply FakeController::RaiseResourceRequest(const std::wstring& uri) {
    auto args = MakeResourceArgs(uri);
    if (closed_) {
        return {};
    }
    for (const auto& handler : webView_->resourceHandlers.Snapshot()) {
        handler->Invoke(webView_.Get(), args.Get());
    }
    auto response = AttachedResponse(args.Get());
    if (!response) {
        return {};
    }
    if (auto* ours = dynamic_cast<FakeResponse*>(response.Get())) {
        return ours->Reply();
    }
    ResourceReply foreign;
    foreign.answered = true;
    response->get_StatusCode(&foreign.status);
    return foreign;
}

bool FakeController::RaiseWebMessage(const std::wstring& json,
                                     const std::optional<std::wstring>& text) {
    auto args = MakeMessageArgs(json, text);
    const auto handlers = webView_->messageHandlers.Snapshot();
    if (closed_ || handlers.empty()) {
        return false;
    }
    for (const auto& handler : handlers) {
        handler->Invoke(webView_.Get(), args.Get());
    }
    return true;
}

bool FakeController::RaiseAcceleratorKey(INT32 kind, UINT virtualKey, INT lParam) {
    auto args = MakeKeyArgs(kind, virtualKey, lParam);
    if (closed_) {
        return false;
    }
    for (const auto& handler : keyHandlers_.Snapshot()) {
        handler->Invoke(this, args.Get());
    }
    BOOL handled = FALSE;
    args->get_Handled(&handled);
    return handled != FALSE;
}

void FakeController::CompleteNavigation(bool success) {
    auto args = MakeNavigationArgs(success);
    if (closed_) {
        return;
    }
    for (const auto& handler : webView_->navigationHandlers.Snapshot()) {
        handler->Invoke(webView_.Get(), args.Get());
    }
}

HRESULT FakeController::get_IsVisible(BOOL* isVisible) {
    if (isVisible == nullptr) {
        return E_POINTER;
    }
    *isVisible = visible_;
    return closed_ ? kClosedResult : S_OK;
}

HRESULT FakeController::put_IsVisible(BOOL isVisible) {
    if (!Note("put_IsVisible " + std::to_string(isVisible ? 1 : 0))) {
        return kClosedResult;
    }
    visible_ = isVisible;
    return S_OK;
}

HRESULT FakeController::get_Bounds(RECT* bounds) {
    if (bounds == nullptr) {
        return E_POINTER;
    }
    *bounds = bounds_;
    return closed_ ? kClosedResult : S_OK;
}

HRESULT FakeController::put_Bounds(RECT bounds) {
    if (!Note("put_Bounds " + std::to_string(bounds.left) + " " + std::to_string(bounds.top) + " " +
              std::to_string(bounds.right) + " " + std::to_string(bounds.bottom))) {
        return kClosedResult;
    }
    bounds_ = bounds;
    return S_OK;
}

HRESULT FakeController::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    return Note("MoveFocus " + std::to_string(reason)) ? S_OK : kClosedResult;
}

HRESULT FakeController::add_AcceleratorKeyPressed(
    ICoreWebView2AcceleratorKeyPressedEventHandler* handler, EventRegistrationToken* token) {
    if (!Note("add_AcceleratorKeyPressed")) {
        return kClosedResult;
    }
    if (handler == nullptr || token == nullptr) {
        return E_POINTER;
    }
    keyHandlers_.Add(handler, token);
    return S_OK;
}

HRESULT FakeController::remove_AcceleratorKeyPressed(EventRegistrationToken token) {
    Note("remove_AcceleratorKeyPressed");
    keyHandlers_.Remove(token);
    return S_OK;
}

HRESULT FakeController::get_ParentWindow(HWND* parentWindow) {
    if (parentWindow == nullptr) {
        return E_POINTER;
    }
    *parentWindow = parent_;
    return closed_ ? kClosedResult : S_OK;
}

HRESULT FakeController::put_ParentWindow(HWND parentWindow) {
    if (!Note("put_ParentWindow " + HandleText(parentWindow))) {
        return kClosedResult;
    }
    parent_ = parentWindow;
    return S_OK;
}

HRESULT FakeController::NotifyParentWindowPositionChanged() {
    return Note("NotifyParentWindowPositionChanged") ? S_OK : kClosedResult;
}

HRESULT FakeController::Close() {
    if (!Note("Close")) {
        return kClosedResult;
    }
    closed_ = true;
    webView_->Close();
    // Closing ends every subscription, as in the real runtime.
    Drop();
    return S_OK;
}

HRESULT FakeController::get_CoreWebView2(ICoreWebView2** coreWebView2) {
    if (coreWebView2 == nullptr) {
        return E_POINTER;
    }
    if (closed_) {
        *coreWebView2 = nullptr;
        return kClosedResult;
    }
    *coreWebView2 = ComPtr<ICoreWebView2>(webView_.Get()).Detach();
    return S_OK;
}

#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/runtime/runtime_state.h"
#include "webhost/com_object.h"
#include "webhost/webview2.h"

// Event subscriptions of one kind, in the order they were added.
template <typename Handler>
class HandlerList {
  public:
    void Add(Handler* handler, EventRegistrationToken* token) {
        static INT64 nextToken = 1;
        const INT64 value = nextToken++;
        handlers_.emplace(value, ComPtr<Handler>(handler));
        if (token != nullptr) {
            token->value = value;
        }
    }
    void Remove(EventRegistrationToken token) { handlers_.erase(token.value); }
    void Clear() { handlers_.clear(); }
    // A copy, so that a handler may unsubscribe while it runs.
    std::vector<ComPtr<Handler>> Snapshot() const {
        std::vector<ComPtr<Handler>> list;
        for (const auto& entry : handlers_) {
            list.push_back(entry.second);
        }
        return list;
    }

  private:
    std::map<INT64, ComPtr<Handler>> handlers_;
};

class FakeEnvironment : public ComObject<ICoreWebView2Environment> {
  public:
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow,
        ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(
        IStream* content, int statusCode, LPCWSTR reasonPhrase, LPCWSTR headers,
        ICoreWebView2WebResourceResponse** response) override;
    HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* versionInfo) override;
    HRESULT STDMETHODCALLTYPE add_NewBrowserVersionAvailable(
        ICoreWebView2NewBrowserVersionAvailableEventHandler*, EventRegistrationToken*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_NewBrowserVersionAvailable(EventRegistrationToken) override {
        return E_NOTIMPL;
    }
};

class FakeWebView;

class FakeController : public ComObject<ICoreWebView2Controller> {
  public:
    FakeController(int number, HWND parent);

    ResourceReply RaiseResourceRequest(const std::wstring& uri);
    bool RaiseWebMessage(const std::wstring& json, const std::optional<std::wstring>& text);
    bool RaiseAcceleratorKey(INT32 kind, UINT virtualKey, INT lParam);
    void CompleteNavigation(bool success);
    // Breaks the cycles between controller, web view and handlers.
    void Drop();

    HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* isVisible) override;
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) override;
    HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) override;
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override;
    HRESULT STDMETHODCALLTYPE get_ZoomFactor(double*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ZoomFactor(double) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler*,
                                                    EventRegistrationToken*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventRegistrationToken) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT, double) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override;
    HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler*,
                                                     EventRegistrationToken*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventRegistrationToken) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE add_GotFocus(ICoreWebView2FocusChangedEventHandler*,
                                           EventRegistrationToken*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE add_LostFocus(ICoreWebView2FocusChangedEventHandler*,
                                            EventRegistrationToken*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* handler,
                              EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parentWindow) override;
    HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parentWindow) override;
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) override;

  private:
    // Records the call; false once the controller is closed.
    bool Note(const std::string& call);

    int number_;
    HWND parent_;
    RECT bounds_{};
    BOOL visible_ = TRUE;
    bool closed_ = false;
    ComPtr<FakeWebView> webView_;
    HandlerList<ICoreWebView2AcceleratorKeyPressedEventHandler> keyHandlers_;
};

#pragma once

#include <atomic>

#include "tests/runtime/fake_objects.h"

// A web view that records what it is asked and raises the four events the plug-in subscribes.
// It answers for ICoreWebView2_22 only when the runtime offers it.
class FakeWebView : public ICoreWebView2_22 {
  public:
    FakeWebView(int controllerNumber, bool offers22);
    FakeWebView(const FakeWebView&) = delete;
    FakeWebView& operator=(const FakeWebView&) = delete;

    void Close() { closed_ = true; }
    void Drop();

    HandlerList<ICoreWebView2WebResourceRequestedEventHandler> resourceHandlers;
    HandlerList<ICoreWebView2NavigationCompletedEventHandler> navigationHandlers;
    HandlerList<ICoreWebView2WebMessageReceivedEventHandler> messageHandlers;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;

#define FAKE_UNUSED(name, ...)                             \
    HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override { \
        return E_NOTIMPL;                                  \
    }
#define FAKE_UNUSED_EVENT(event, handler)                       \
    FAKE_UNUSED(add_##event, handler*, EventRegistrationToken*) \
    FAKE_UNUSED(remove_##event, EventRegistrationToken)

    FAKE_UNUSED(get_Settings, ICoreWebView2Settings**)
    FAKE_UNUSED(get_Source, LPWSTR*)
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override;
    FAKE_UNUSED(NavigateToString, LPCWSTR)
    FAKE_UNUSED_EVENT(NavigationStarting, ICoreWebView2NavigationStartingEventHandler)
    FAKE_UNUSED_EVENT(ContentLoading, ICoreWebView2ContentLoadingEventHandler)
    FAKE_UNUSED_EVENT(SourceChanged, ICoreWebView2SourceChangedEventHandler)
    FAKE_UNUSED_EVENT(HistoryChanged, ICoreWebView2HistoryChangedEventHandler)
    HRESULT STDMETHODCALLTYPE
    add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* handler,
                            EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventRegistrationToken token) override;
    FAKE_UNUSED_EVENT(FrameNavigationStarting, ICoreWebView2NavigationStartingEventHandler)
    FAKE_UNUSED_EVENT(FrameNavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
    FAKE_UNUSED_EVENT(ScriptDialogOpening, ICoreWebView2ScriptDialogOpeningEventHandler)
    FAKE_UNUSED_EVENT(PermissionRequested, ICoreWebView2PermissionRequestedEventHandler)
    FAKE_UNUSED_EVENT(ProcessFailed, ICoreWebView2ProcessFailedEventHandler)
    FAKE_UNUSED(AddScriptToExecuteOnDocumentCreated, LPCWSTR,
                ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler*)
    FAKE_UNUSED(RemoveScriptToExecuteOnDocumentCreated, LPCWSTR)
    FAKE_UNUSED(ExecuteScript, LPCWSTR, ICoreWebView2ExecuteScriptCompletedHandler*)
    FAKE_UNUSED(CapturePreview, COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT, IStream*,
                ICoreWebView2CapturePreviewCompletedHandler*)
    FAKE_UNUSED(Reload)
    HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR json) override;
    FAKE_UNUSED(PostWebMessageAsString, LPCWSTR)
    HRESULT STDMETHODCALLTYPE
    add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken token) override;
    FAKE_UNUSED(CallDevToolsProtocolMethod, LPCWSTR, LPCWSTR,
                ICoreWebView2CallDevToolsProtocolMethodCompletedHandler*)
    FAKE_UNUSED(get_BrowserProcessId, UINT32*)
    FAKE_UNUSED(get_CanGoBack, BOOL*)
    FAKE_UNUSED(get_CanGoForward, BOOL*)
    FAKE_UNUSED(GoBack)
    FAKE_UNUSED(GoForward)
    FAKE_UNUSED(GetDevToolsProtocolEventReceiver, LPCWSTR,
                ICoreWebView2DevToolsProtocolEventReceiver**)
    FAKE_UNUSED(Stop)
    FAKE_UNUSED_EVENT(NewWindowRequested, ICoreWebView2NewWindowRequestedEventHandler)
    FAKE_UNUSED_EVENT(DocumentTitleChanged, ICoreWebView2DocumentTitleChangedEventHandler)
    FAKE_UNUSED(get_DocumentTitle, LPWSTR*)
    FAKE_UNUSED(AddHostObjectToScript, LPCWSTR, VARIANT*)
    FAKE_UNUSED(RemoveHostObjectFromScript, LPCWSTR)
    FAKE_UNUSED(OpenDevToolsWindow)
    FAKE_UNUSED_EVENT(ContainsFullScreenElementChanged,
                      ICoreWebView2ContainsFullScreenElementChangedEventHandler)
    FAKE_UNUSED(get_ContainsFullScreenElement, BOOL*)
    HRESULT STDMETHODCALLTYPE
    add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* handler,
                             EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_WebResourceRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    AddWebResourceRequestedFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override;
    FAKE_UNUSED(RemoveWebResourceRequestedFilter, LPCWSTR, COREWEBVIEW2_WEB_RESOURCE_CONTEXT)
    FAKE_UNUSED_EVENT(WindowCloseRequested, ICoreWebView2WindowCloseRequestedEventHandler)

#define FAKE_UNUSED_SLOT(n) FAKE_UNUSED(UnusedSlot##n)
    MARROWPEEK_FOR_EACH_UNUSED_WEBVIEW_SLOT(FAKE_UNUSED_SLOT)
#undef FAKE_UNUSED_SLOT

    HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilterWithRequestSourceKinds(
        LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
        COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds) override;
    FAKE_UNUSED(RemoveWebResourceRequestedFilterWithRequestSourceKinds, LPCWSTR,
                COREWEBVIEW2_WEB_RESOURCE_CONTEXT, COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS)

#undef FAKE_UNUSED_EVENT
#undef FAKE_UNUSED

  private:
    virtual ~FakeWebView() = default;
    bool Note(const std::string& call);

    std::atomic<ULONG> references_{1};
    int controllerNumber_;
    bool offers22_;
    bool closed_ = false;
};

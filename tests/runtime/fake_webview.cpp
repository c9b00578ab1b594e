#include "tests/runtime/fake_webview.h"

#include <string>

FakeWebView::FakeWebView(int controllerNumber, bool offers22)
    : controllerNumber_(controllerNumber), offers22_(offers22) {}

void FakeWebView::Drop() {
    resourceHandlers.Clear();
    navigationHandlers.Clear();
    messageHandlers.Clear();
}

HRESULT FakeWebView::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (iid == __uuidof(IUnknown) || iid == __uuidof(ICoreWebView2) ||
        (offers22_ && iid == __uuidof(ICoreWebView2_22))) {
        *object = static_cast<ICoreWebView2_22*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG FakeWebView::Release() {
    const ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

bool FakeWebView::Note(const std::string& call) {
    Record("c" + std::to_string(controllerNumber_) + " " + call);
    return !closed_;
}

HRESULT FakeWebView::Navigate(LPCWSTR uri) {
    return Note("Navigate " + Utf8(uri)) ? S_OK : kClosedResult;
}

HRESULT FakeWebView::PostWebMessageAsJson(LPCWSTR json) {
    return Note("PostWebMessageAsJson " + Utf8(json)) ? S_OK : kClosedResult;
}

HRESULT FakeWebView::AddWebResourceRequestedFilter(LPCWSTR uri,
                                                   COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
    return Note("AddWebResourceRequestedFilter " + Utf8(uri) + " " + std::to_string(context))
               ? S_OK
               : kClosedResult;
}

HRESULT FakeWebView::AddWebResourceRequestedFilterWithRequestSourceKinds(
    LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
    COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS kinds) {
    return Note("AddWebResourceRequestedFilterWithRequestSourceKinds " + Utf8(uri) + " " +
                std::to_string(context) + " " + std::to_string(kinds))
               ? S_OK
               : kClosedResult;
}

#define FAKE_EVENT(event, list, handlerType)                                                \
    HRESULT FakeWebView::add_##event(handlerType* handler, EventRegistrationToken* token) { \
        if (!Note("add_" #event)) {                                                         \
            return kClosedResult;                                                           \
        }                                                                                   \
        if (handler == nullptr || token == nullptr) {                                       \
            return E_POINTER;                                                               \
        }                                                                                   \
        list.Add(handler, token);                                                           \
        return S_OK;                                                                        \
    }                                                                                       \
    HRESULT FakeWebView::remove_##event(EventRegistrationToken token) {                     \
        Note("remove_" #event);                                                             \
        list.Remove(token);                                                                 \
        return S_OK;                                                                        \
    }

FAKE_EVENT(NavigationCompleted, navigationHandlers, ICoreWebView2NavigationCompletedEventHandler)
FAKE_EVENT(WebMessageReceived, messageHandlers, ICoreWebView2WebMessageReceivedEventHandler)
FAKE_EVENT(WebResourceRequested, resourceHandlers, ICoreWebView2WebResourceRequestedEventHandler)

#undef FAKE_EVENT

#include "webhost/view_event_handlers.h"

#include <shlwapi.h>

#include <array>
#include <string>

#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/perf_trace.h"
#include "platform/windows/this_module.h"
#include "view/key_routing.h"
#include "view/page_messages.h"
#include "view/resource_routing.h"
#include "webhost/lister_window.h"
#include "webhost/page_jobs.h"
#include "webview2/wide_text.h"

namespace {

std::array<std::string*, kPageFiles.size()>& PageFileCache() {
    static std::array<std::string*, kPageFiles.size()> cache{};
    return cache;
}

// A page file from this module's resources, copied once; while the resource cannot be found
// every request tries again and is answered with an empty file.
const std::string& PageFileBody(std::size_t file) {
    std::string*& cache = PageFileCache()[file];
    if (cache != nullptr) {
        return *cache;
    }
    static const std::string empty;
    // The page is a resource of this library, never of the host.
    const HMODULE module = platform::ThisModule();
    const HRSRC resource =
        FindResourceW(module, MAKEINTRESOURCEW(kFirstPageResource + static_cast<int>(file)),
                      MAKEINTRESOURCEW(10));
    const HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        return empty;
    }
    cache = new std::string(static_cast<const char*>(bytes), SizeofResource(module, resource));
    return *cache;
}

std::wstring TakeCoTaskText(LPWSTR text) {
    std::wstring copy = text != nullptr ? text : L"";
    CoTaskMemFree(text);
    return copy;
}

}  // namespace

void ReleasePageFiles() {
    for (std::string*& cache : PageFileCache()) {
        delete cache;
        cache = nullptr;
    }
}

HRESULT OnWebResourceRequested(const ViewLink& link,
                               ICoreWebView2WebResourceRequestedEventArgs* args) {
    ViewerWindow* view = LinkedView(link);
    if (view == nullptr || !view->web || !view->environment || args == nullptr) {
        return S_OK;
    }
    ComPtr<ICoreWebView2WebResourceRequest> request;
    LPWSTR uri = nullptr;
    if (FAILED(args->get_Request(request.Put())) || !request || FAILED(request->get_Uri(&uri))) {
        return S_OK;
    }
    const std::string address = Utf8FromWide(TakeCoTaskText(uri));
    const ResourceRoute route = RouteRequest(address);
    // The page resource is looked up only for the page row: a missing resource is retried per
    // page request, not per document request.
    static const std::string noPage;
    const std::string& body =
        RouteBody(route.resource, *view->web,
                  route.resource == PageResource::Page ? PageFileBody(route.pageFile) : noPage);
    static const BYTE nothing = 0;
    const auto* bytes = body.empty() ? &nothing : reinterpret_cast<const BYTE*>(body.data());
    auto stream = ComPtr<IStream>::Attach(SHCreateMemStream(bytes, static_cast<UINT>(body.size())));
    if (!stream) {
        return S_OK;
    }
    const std::wstring headers = WideFromUtf8(ResponseHeaders(route.contentType));
    ComPtr<ICoreWebView2WebResourceResponse> response;
    if (SUCCEEDED(view->environment->CreateWebResourceResponse(stream.Get(), 200, L"OK",
                                                               headers.c_str(), response.Put()))) {
        args->put_Response(response.Get());
    }
    return S_OK;
}

HRESULT OnWebMessageReceived(const ViewLink& link, ICoreWebView2WebMessageReceivedEventArgs* args) {
    ViewerWindow* view = LinkedView(link);
    if (view == nullptr || !view->web || args == nullptr) {
        return S_OK;
    }
    LPWSTR text = nullptr;
    if (FAILED(args->TryGetWebMessageAsString(&text)) || text == nullptr) {
        CoTaskMemFree(text);
        return S_OK;
    }
    const std::string message = Utf8FromWide(TakeCoTaskText(text));
    const PageMessageOutcome outcome = HandlePageMessage(*view->web, message, PerfEnabled());
    if (outcome.debugLine) {
        platform::WriteDebugOutput(outcome.debugLine->c_str());
    }
    for (const std::string& reply : outcome.replies) {
        if (view->webView) {
            view->webView->PostWebMessageAsJson(WideFromUtf8(reply).c_str());
        }
    }
    if (outcome.pageWantsKeys) {
        view->pageWantsKeys = *outcome.pageWantsKeys;
    }
    const HWND lister = GetParent(view->hwnd);
    if (outcome.relayedKey && lister != nullptr) {
        if (const auto key =
                RelayedKey(*outcome.relayedKey, {IsQuickView(lister), view->pageWantsKeys})) {
            PostKeyPress(lister, *key);
        }
    }
    if (outcome.check) {
        HandleCheckRequest(view, *outcome.check);
    }
    if (outcome.trackers) {
        HandleTrackersRequest(view, *outcome.trackers);
    }
    // Only a timely text answer to the Lister's copy command reaches the clipboard.
    if (outcome.copyAnswered && view->copyRequest.Answer() && outcome.copiedText) {
        SetClipboardText(view->hwnd, WideFromUtf8(*outcome.copiedText));
    }
    return S_OK;
}

HRESULT OnNavigationCompleted(const ViewLink& link) {
    ViewerWindow* view = LinkedView(link);
    if (view == nullptr) {
        return S_OK;
    }
    if (view->web) {
        PerfLog("NavigationCompleted",
                PerfMilliseconds(view->web->navigationStart, platform::PerformanceCounter()));
    }
    if (view->loadingLabel != nullptr) {
        ShowWindow(view->loadingLabel, SW_HIDE);
    }
    if (view->controller) {
        view->controller->put_IsVisible(TRUE);
    }
    return S_OK;
}

HRESULT OnAcceleratorKeyPressed(const ViewLink& link,
                                ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
    ViewerWindow* view = LinkedView(link);
    if (view == nullptr || args == nullptr) {
        return S_OK;
    }
    COREWEBVIEW2_KEY_EVENT_KIND kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP;
    UINT key = 0;
    if (FAILED(args->get_KeyEventKind(&kind)) || FAILED(args->get_VirtualKey(&key)) ||
        kind < COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN ||
        kind > COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP) {
        return S_OK;
    }
    const HWND lister = GetParent(view->hwnd);
    const ReportedKey reported{key, static_cast<KeyEventKind>(kind), GetKeyState(VK_CONTROL) < 0};
    const KeyDecision decision =
        RouteReportedKey(reported, {IsQuickView(lister), view->pageWantsKeys});
    if (!decision.taken) {
        return S_OK;
    }
    args->put_Handled(TRUE);
    INT lParam = 0;
    if (decision.withLParam) {
        args->get_KeyEventLParam(&lParam);
    }
    if (lister != nullptr) {
        PostReportedKey(lister, decision.postAs, key, lParam);
    }
    return S_OK;
}

HRESULT OnGotFocus(const ViewLink& link) {
    ViewerWindow* view = LinkedView(link);
    if (view == nullptr) {
        return S_OK;
    }
    if (const HWND lister = GetParent(view->hwnd)) {
        PostFocusNotice(lister, view->hwnd);
    }
    return S_OK;
}

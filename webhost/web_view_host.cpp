#include "webhost/web_view_host.h"

#include <optional>
#include <string>
#include <vector>

#include "loader/webview2_loader.h"
#include "platform/clock.h"
#include "platform/perf_trace.h"
#include "platform/shared_request.h"
#include "settings/storage.h"
#include "settings/themes.h"
#include "view/page_origin.h"
#include "webhost/page_jobs.h"
#include "webhost/view_event_handlers.h"
#include "webview2/com_object.h"

namespace {

// Process-wide, touched only on the host's UI thread. Allocated once and released explicitly at
// unload: never by a static destructor, which would run after the runtime may be gone.
struct HostState {
    ComPtr<ICoreWebView2Environment> environment;
    platform::SharedRequest<ViewerWindow> environmentRequest;
    std::optional<std::wstring> userDataFolder;
};

HostState*& HostPointer() {
    static HostState* state = nullptr;
    return state;
}

HostState& Host() {
    HostState*& state = HostPointer();
    if (state == nullptr) {
        state = new HostState;
    }
    return *state;
}

void SetLabel(ViewerWindow* view, const wchar_t* text) {
    if (view->loadingLabel != nullptr) {
        SetWindowTextW(view->loadingLabel, text);
    }
}

double MillisecondsSince(std::int64_t start) {
    return PerfMilliseconds(start, platform::PerformanceCounter());
}

HRESULT OnEnvironmentCreated(std::int64_t requested, HRESULT result,
                             ICoreWebView2Environment* environment) {
    PerfLog("CreateCoreWebView2Environment callback", MillisecondsSince(requested));
    HostState& host = Host();
    const std::vector<ViewerWindow*> waiting = host.environmentRequest.Complete();
    if (SUCCEEDED(result) && environment != nullptr) {
        host.environment = environment;
        for (ViewerWindow* view : waiting) {
            CreateControllerFor(view, environment);
        }
    } else {
        for (ViewerWindow* view : waiting) {
            SetLabel(view, kEnvironmentFailedText);
        }
    }
    return S_OK;
}

void InstallRequestFilter(ICoreWebView2* webView) {
    const std::wstring filter = RequestFilter();
    if (auto newer = ComPtr<ICoreWebView2>(webView).As<ICoreWebView2_22>()) {
        newer->AddWebResourceRequestedFilterWithRequestSourceKinds(
            filter.c_str(), COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL,
            COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT);
    } else {
        webView->AddWebResourceRequestedFilter(filter.c_str(),
                                               COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    }
}

// The browser's own shortcuts (reload, print, zoom, find, developer tools) would take keys the
// Lister binds.
void TurnOffBrowserShortcuts(ICoreWebView2* webView) {
    ComPtr<ICoreWebView2Settings> settings;
    if (FAILED(webView->get_Settings(settings.Put())) || !settings) {
        return;
    }
    settings->put_IsZoomControlEnabled(FALSE);
    if (auto newer = settings.As<ICoreWebView2Settings3>()) {
        newer->put_AreBrowserAcceleratorKeysEnabled(FALSE);
    }
}

void SubscribeEvents(ViewerWindow* view) {
    const ViewLink link = view->link;
    EventRegistrationToken token{};
    view->controller->add_GotFocus(
        MakeCallback<ICoreWebView2FocusChangedEventHandler>([link](ICoreWebView2Controller*,
                                                                   IUnknown*) {
            return OnGotFocus(link);
        }).Get(),
        &token);
    view->controller->add_AcceleratorKeyPressed(
        MakeCallback<ICoreWebView2AcceleratorKeyPressedEventHandler>(
            [link](ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
                return OnAcceleratorKeyPressed(link, args);
            })
            .Get(),
        &token);
    if (!view->webView) {
        return;
    }
    TurnOffBrowserShortcuts(view->webView.Get());
    InstallRequestFilter(view->webView.Get());
    view->webView->add_WebResourceRequested(
        MakeCallback<ICoreWebView2WebResourceRequestedEventHandler>(
            [link](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
                return OnWebResourceRequested(link, args);
            })
            .Get(),
        &token);
    NavigateToStartPage(view);
    view->webView->add_NavigationCompleted(
        MakeCallback<ICoreWebView2NavigationCompletedEventHandler>(
            [link](ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs*) {
                return OnNavigationCompleted(link);
            })
            .Get(),
        &token);
    view->webView->add_WebMessageReceived(
        MakeCallback<ICoreWebView2WebMessageReceivedEventHandler>(
            [link](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
                return OnWebMessageReceived(link, args);
            })
            .Get(),
        &token);
}

HRESULT OnControllerCreated(const ViewLink& link, std::int64_t requested, HRESULT result,
                            ICoreWebView2Controller* controller) {
    PerfLog("CreateCoreWebView2Controller callback", MillisecondsSince(requested));
    ViewerWindow* view = LinkedView(link);
    if (view == nullptr) {
        // The view closed while its controller was on the way: nobody will show this one.
        if (controller != nullptr) {
            controller->Close();
        }
        return S_OK;
    }
    if (FAILED(result) || controller == nullptr) {
        SetLabel(view, kControllerFailedText);
        return S_OK;
    }
    view->controller = controller;
    view->webView.Reset();
    controller->get_CoreWebView2(view->webView.Put());
    RECT client{};
    GetClientRect(view->hwnd, &client);
    controller->put_Bounds(client);
    SubscribeEvents(view);
    return S_OK;
}

}  // namespace

void StartWebView(ViewerWindow* view) {
    HostState& host = Host();
    if (host.environment) {
        PerfLog("WebView2Environment cached", 0.0);
        CreateControllerFor(view, host.environment.Get());
        return;
    }
    const bool accepted = host.environmentRequest.Join(view, [&host] {
        if (!host.userDataFolder) {
            host.userDataFolder = WebViewDataFolder().wstring();
        }
        const std::int64_t requested = platform::PerformanceCounter();
        auto handler = MakeCallback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
            [requested](HRESULT result, ICoreWebView2Environment* environment) {
                return OnEnvironmentCreated(requested, result, environment);
            });
        return SUCCEEDED(CreateCoreWebView2EnvironmentWithOptions(
            nullptr, host.userDataFolder->c_str(), nullptr, handler.Get()));
    });
    if (!accepted) {
        SetLabel(view, kRuntimeMissingText);
    }
}

void CreateControllerFor(ViewerWindow* view, ICoreWebView2Environment* environment) {
    view->environment = environment;
    const std::int64_t requested = platform::PerformanceCounter();
    const ViewLink link = view->link;
    auto handler = MakeCallback<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        [link, requested](HRESULT result, ICoreWebView2Controller* controller) {
            return OnControllerCreated(link, requested, result, controller);
        });
    environment->CreateCoreWebView2Controller(view->hwnd, handler.Get());
}

void ApplyThemeBackground(ViewerWindow* view) {
    if (!view->controller || !view->web) {
        return;
    }
    const std::optional<std::uint32_t> color = ThemeBackground(view->web->themeCss);
    auto controller = view->controller.As<ICoreWebView2Controller2>();
    if (color && controller) {
        controller->put_DefaultBackgroundColor({255, static_cast<BYTE>(*color >> 16),
                                                static_cast<BYTE>(*color >> 8),
                                                static_cast<BYTE>(*color)});
    }
}

void PrepareForPage(ViewerWindow* view) {
    CancelPageJobs(view);
    ApplyThemeBackground(view);
    view->pageWantsKeys = false;
    view->copyRequest.Disarm();
}

bool NavigateToStartPage(ViewerWindow* view) {
    if (view == nullptr || !view->web || !view->webView) {
        return true;
    }
    PrepareForPage(view);
    const std::wstring address = StartPageAddress(view->web->dark);
    view->web->navigationStart = platform::PerformanceCounter();
    return SUCCEEDED(view->webView->Navigate(address.c_str()));
}

void ForgetPendingView(ViewerWindow* view) {
    if (HostState* host = HostPointer()) {
        host->environmentRequest.Forget(view);
    }
}

void ReleaseWebViewHost() {
    HostState*& host = HostPointer();
    delete host;
    host = nullptr;
}

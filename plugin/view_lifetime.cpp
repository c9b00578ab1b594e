#include "plugin/view_lifetime.h"

#include "platform/perf_trace.h"
#include "platform/windows/this_module.h"
#include "plugin/viewer_class.h"
#include "view/payload.h"
#include "webhost/page_jobs.h"
#include "webhost/web_view_host.h"

namespace {

constexpr wchar_t kParkedHostTitle[] = L"Marrowpeek_Parked";

// At most one parked view, and the hidden window that hosts its controller.
ViewerWindow* parkedView = nullptr;
HWND parkedHost = nullptr;

HWND ParkingWindow() {
    if (parkedHost != nullptr && IsWindow(parkedHost)) {
        return parkedHost;
    }
    parkedHost = CreateWindowExW(0, kViewerClassName, kParkedHostTitle, WS_POPUP, 0, 0, 1, 1,
                                 nullptr, nullptr, platform::ThisModule(), nullptr);
    return parkedHost;
}

}  // namespace

void DestroyView(ViewerWindow* view, HWND window) {
    CancelPageJobs(view);
    if (view->controller) {
        view->controller->Close();
    }
    view->webView.Reset();
    view->controller.Reset();
    view->environment.Reset();
    view->web.reset();
    if (window != nullptr) {
        DestroyWindow(window);
    }
    delete view;
}

bool TryParkView(ViewerWindow* view, HWND pluginWindow) {
    if (parkedView != nullptr || !view->controller) {
        return false;
    }
    const HWND host = ParkingWindow();
    if (host == nullptr) {
        return false;
    }
    // A parked controller keeps handlers whose code is in this library.
    platform::PinThisModule();
    CancelPageJobs(view);
    view->controller->put_IsVisible(FALSE);
    view->controller->put_ParentWindow(host);
    view->controller->put_Bounds(RECT{0, 0, 1, 1});
    if (pluginWindow != nullptr) {
        DestroyWindow(pluginWindow);
    }
    view->hwnd = host;
    view->loadingLabel = nullptr;
    AttachView(host, view);
    parkedView = view;
    PerfLog("Controller parked", 0.0);
    return true;
}

bool IsParkingWindow(HWND window) {
    return window != nullptr && window == parkedHost;
}

bool HasParkedView() {
    return parkedView != nullptr && parkedView->controller;
}

HWND ReuseParkedView(HWND lister, const wchar_t* path, int showFlags) {
    ViewerWindow* view = parkedView;
    if (LoadTorrentPayload(*view->web, path, static_cast<std::uint32_t>(showFlags)) !=
        PayloadResult::Ready) {
        return nullptr;
    }
    RECT client{};
    const HWND window = CreatePluginWindow(lister, client);
    if (window == nullptr) {
        return nullptr;
    }
    AttachView(parkedHost, nullptr);
    view->hwnd = window;
    view->loadingLabel = nullptr;
    AttachView(window, view);
    parkedView = nullptr;
    view->controller->put_ParentWindow(window);
    view->controller->put_Bounds(client);
    PrepareForPage(view);
    view->controller->put_IsVisible(TRUE);
    PerfLog("Parked controller reused", 0.0);
    if (view->webView) {
        view->webView->PostWebMessageAsJson(L"{\"reload\":true}");
    }
    return window;
}

void ReleaseViewOfDestroyedWindow(HWND window) {
    ViewerWindow* view = ViewOfWindow(window);
    if (view == nullptr) {
        return;
    }
    AttachView(window, nullptr);
    ForgetPendingView(view);
    if (view == parkedView) {
        parkedView = nullptr;
        parkedHost = nullptr;
    }
    DestroyView(view, nullptr);
}

// The library's entry point and the functions the host calls. Each export is an exception
// firewall: whatever fails inside becomes the export's failure result.

#include <new>

#include "platform/export_firewall.h"
#include "platform/windows/code_page.h"
#include "plugin/lister_api.h"
#include "plugin/thumbnail.h"
#include "plugin/view_lifetime.h"
#include "plugin/viewer_class.h"
#include "view/lister_commands.h"
#include "view/payload.h"
#include "webhost/view_commands.h"
#include "webhost/view_event_handlers.h"
#include "webhost/web_view_host.h"

namespace {

HWND LoadNewView(HWND lister, const wchar_t* path, int showFlags) {
    if (HasParkedView()) {
        return ReuseParkedView(lister, path, showFlags);
    }
    std::unique_ptr<ViewerWindow> view(new (std::nothrow) ViewerWindow);
    if (!view) {
        return nullptr;
    }
    view->web.reset(new (std::nothrow) WebViewState);
    if (!view->web || LoadTorrentPayload(*view->web, path, static_cast<std::uint32_t>(showFlags)) !=
                          PayloadResult::Ready) {
        return nullptr;
    }
    RECT client{};
    const HWND window = CreatePluginWindow(lister, client);
    if (window == nullptr) {
        return nullptr;
    }
    view->hwnd = window;
    AttachView(window, view.get());
    view->loadingLabel = CreateLoadingLabel(window, client);
    ViewerWindow* shown = view.release();
    // The window exists now and belongs to the host: a failure from here on leaves the view in
    // its failed state instead of losing it.
    try {
        StartWebView(shown);
    } catch (...) {
        ForgetPendingView(shown);
        if (shown->loadingLabel != nullptr) {
            SetWindowTextW(shown->loadingLabel, kControllerFailedText);
        }
    }
    return window;
}

int LoadNextFile(HWND pluginWindow, const wchar_t* path, int showFlags) {
    ViewerWindow* view = ViewOfWindow(pluginWindow);
    if (view == nullptr || !view->web) {
        return 1;
    }
    // A refused file leaves the view's documents as they were.
    if (LoadTorrentPayload(*view->web, path, static_cast<std::uint32_t>(showFlags)) !=
        PayloadResult::Ready) {
        return 1;
    }
    if (view->loadingLabel != nullptr) {
        SetWindowTextW(view->loadingLabel, kLoadingText);
        ShowWindow(view->loadingLabel, SW_SHOW);
    }
    if (view->controller) {
        view->controller->put_IsVisible(FALSE);
    }
    bool navigating = false;
    try {
        navigating = NavigateToStartPage(view);
    } catch (...) {
        // Handled below like a refused navigation: no completion will ever show the view.
    }
    if (!navigating) {
        // The web view still shows the previous page: better that than a blank window.
        if (view->controller) {
            view->controller->put_IsVisible(TRUE);
            if (view->loadingLabel != nullptr) {
                ShowWindow(view->loadingLabel, SW_HIDE);
            }
        }
        return 1;
    }
    return 0;
}

void CloseView(HWND pluginWindow) {
    ViewerWindow* view = ViewOfWindow(pluginWindow);
    if (pluginWindow != nullptr) {
        AttachView(pluginWindow, nullptr);
    }
    ForgetPendingView(view);
    if (view == nullptr) {
        if (pluginWindow != nullptr) {
            DestroyWindow(pluginWindow);
        }
        return;
    }
    if (view->web && TryParkView(view, pluginWindow)) {
        return;
    }
    DestroyView(view, pluginWindow);
}

}  // namespace

extern "C" {

HWND WINAPI ListLoadW(HWND lister, const wchar_t* path, int showFlags) {
    if (path == nullptr || IsParkingWindow(lister)) {
        return nullptr;
    }
    return ExportFirewall<HWND>(nullptr, [&] { return LoadNewView(lister, path, showFlags); });
}

int WINAPI ListLoadNextW(HWND, HWND pluginWindow, const wchar_t* path, int showFlags) {
    if (path == nullptr || IsParkingWindow(pluginWindow)) {
        return 1;
    }
    return ExportFirewall(1, [&] { return LoadNextFile(pluginWindow, path, showFlags); });
}

void WINAPI ListCloseWindow(HWND pluginWindow) {
    if (IsParkingWindow(pluginWindow)) {
        return;
    }
    ExportFirewall(0, [&] {
        CloseView(pluginWindow);
        return 0;
    });
}

void WINAPI ListGetDetectString(char* detectString, int maxLength) {
    if (detectString == nullptr || maxLength <= 0) {
        return;
    }
    lstrcpynA(detectString, kDetectString, maxLength);
}

int WINAPI ListSendCommand(HWND pluginWindow, int command, int parameter) {
    if (IsParkingWindow(pluginWindow)) {
        return kListerError;
    }
    return ExportFirewall(kListerError,
                          [&] { return SendCommandToView(pluginWindow, command, parameter); });
}

int WINAPI ListSearchTextW(HWND pluginWindow, wchar_t* text, int flags) {
    if (IsParkingWindow(pluginWindow)) {
        return kListerError;
    }
    return ExportFirewall(kListerError, [&] { return FindInView(pluginWindow, text, flags); });
}

// The host's own find dialog serves: it calls ListSearchTextW with what the user typed.
int WINAPI ListSearchDialog(HWND, int) {
    return kListerError;
}

// The host suggests an INI location; the plug-in keeps its files beside itself instead.
void WINAPI ListSetDefaultParams(void*) {}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        RegisterViewerClass();
    } else if (reason == DLL_PROCESS_DETACH) {
        UnregisterViewerClass();
        // Only a library unloaded by FreeLibrary releases its objects; at process exit the
        // runtime they belong to may already be gone.
        if (reserved == nullptr) {
            ReleaseWebViewHost();
            ReleasePageFiles();
        }
    }
    return TRUE;
}

// The first bytes the host passes are not enough for most torrents: the file is read whole.
HBITMAP WINAPI ListGetPreviewBitmapW(const wchar_t* file, int width, int height, char*, int) {
    return ExportFirewall<HBITMAP>(nullptr, [&]() -> HBITMAP {
        return file == nullptr ? nullptr
                               : TorrentThumbnail(std::filesystem::path(file), width, height);
    });
}

HBITMAP WINAPI ListGetPreviewBitmap(const char* file, int width, int height, char* content,
                                    int contentLength) {
    return ExportFirewall<HBITMAP>(nullptr, [&]() -> HBITMAP {
        const std::wstring wide = platform::WideFromAnsi(file);
        return wide.empty()
                   ? nullptr
                   : ListGetPreviewBitmapW(wide.c_str(), width, height, content, contentLength);
    });
}

}  // extern "C"

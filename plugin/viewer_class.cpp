#include "plugin/viewer_class.h"

#include "platform/windows/this_module.h"
#include "plugin/view_layout.h"
#include "plugin/view_lifetime.h"
#include "webhost/page_jobs.h"
#include "webhost/viewer_window.h"

void RegisterViewerClass() {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(platform::ThisModule(), kViewerClassName, &existing)) {
        return;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ViewerWindowProc;
    windowClass.cbWndExtra = sizeof(ViewerWindow*);
    windowClass.hInstance = platform::ThisModule();
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kViewerClassName;
    RegisterClassExW(&windowClass);
}

void UnregisterViewerClass() {
    UnregisterClassW(kViewerClassName, platform::ThisModule());
}

HWND CreatePluginWindow(HWND lister, RECT& client) {
    GetClientRect(lister, &client);
    return CreateWindowExW(0, kViewerClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0,
                           client.right - client.left, client.bottom - client.top, lister, nullptr,
                           platform::ThisModule(), nullptr);
}

HWND CreateLoadingLabel(HWND pluginWindow, const RECT& client) {
    const LabelBounds bounds =
        LoadingLabelBounds(client.right - client.left, client.bottom - client.top);
    return CreateWindowExW(0, L"STATIC", kLoadingText, WS_CHILD | WS_VISIBLE | SS_CENTER, bounds.x,
                           bounds.y, bounds.width, bounds.height, pluginWindow, nullptr,
                           platform::ThisModule(), nullptr);
}

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: {
            RECT client{};
            GetClientRect(window, &client);
            if (ViewerWindow* view = ViewOfWindow(window)) {
                if (view->controller) {
                    view->controller->put_Bounds(client);
                }
                if (view->loadingLabel != nullptr) {
                    const LabelBounds bounds =
                        LoadingLabelBounds(client.right - client.left, client.bottom - client.top);
                    MoveWindow(view->loadingLabel, bounds.x, bounds.y, bounds.width, bounds.height,
                               TRUE);
                }
            }
            return 0;
        }
        case kMailboxMessage:
            if (ViewerWindow* view = ViewOfWindow(window)) {
                DeliverMailbox(view);
            }
            return 0;
        case WM_NCDESTROY:
            ReleaseViewOfDestroyedWindow(window);
            return DefWindowProcW(window, message, wParam, lParam);
        case WM_SETFOCUS:
            if (ViewerWindow* view = ViewOfWindow(window); view != nullptr && view->controller) {
                view->controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
            }
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

#include "tests/plugin_host.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace {

constexpr wchar_t kListerClass[] = L"MarrowpeekTestLister";

std::vector<std::pair<HWND, ListerMessage>> received;

LRESULT CALLBACK ListerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
        case WM_COMMAND:
            received.push_back({window, {message, wParam, lParam}});
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

template <typename Function>
Function Export(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

std::filesystem::path BuiltPlugin() {
    const wchar_t* value = _wgetenv(L"MARROWPEEK_PLUGIN");
    return value != nullptr ? std::filesystem::path(value) : std::filesystem::path();
}

PluginHost::PluginHost() {
    pluginFolder_ = scratch_.path() / L"plugin";
    std::filesystem::create_directories(pluginFolder_);
    LinkOrCopy(BuiltPlugin(), pluginFolder_ / L"Marrowpeek.dll");
    runtime_ = InstallRuntimeCopy(scratch_.path() / L"runtime");
    runtimeVariable_ = std::make_unique<ScopedVariable>(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER",
                                                        runtime_.folder.c_str());
    WNDCLASSW listerClass{};
    listerClass.lpfnWndProc = ListerProc;
    listerClass.hInstance = GetModuleHandleW(nullptr);
    listerClass.lpszClassName = kListerClass;
    RegisterClassW(&listerClass);
    lister_ = NewLister(800, 600);
}

PluginHost::~PluginHost() {
    PumpMessages();
    if (lister_ != nullptr) {
        DestroyWindow(lister_);
    }
}

void PluginHost::Load() {
    if (library_ != nullptr) {
        return;
    }
    library_ = LoadLibraryW((pluginFolder_ / L"Marrowpeek.dll").c_str());
    listLoad = Export<ListLoadWFunction>(library_, "ListLoadW");
    listLoadNext = Export<ListLoadNextWFunction>(library_, "ListLoadNextW");
    listClose = Export<ListCloseWindowFunction>(library_, "ListCloseWindow");
    listDetect = Export<ListGetDetectStringFunction>(library_, "ListGetDetectString");
    listDefaults = Export<ListSetDefaultParamsFunction>(library_, "ListSetDefaultParams");
    listCommand = Export<ListSendCommandFunction>(library_, "ListSendCommand");
    listSearch = Export<ListSearchTextWFunction>(library_, "ListSearchTextW");
    listSearchDialog = Export<ListSearchDialogFunction>(library_, "ListSearchDialog");
    listPreview = Export<ListGetPreviewBitmapWFunction>(library_, "ListGetPreviewBitmapW");
    listPreviewAnsi = Export<ListGetPreviewBitmapFunction>(library_, "ListGetPreviewBitmap");
}

HWND PluginHost::NewLister(int width, int height, HWND panel) {
    // A frameless window: its client area is exactly the size asked for. Quick View's Lister is
    // a child of the file manager's panel.
    const DWORD style = (panel != nullptr ? WS_CHILD : WS_POPUP) | WS_VISIBLE;
    return CreateWindowExW(0, kListerClass, L"Lister", style, 0, 0, width, height, panel, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

std::filesystem::path PluginHost::WriteFile(std::string_view name, std::string_view bytes) {
    return scratch_.Write(name, bytes);
}

HWND PluginHost::Open(const std::filesystem::path& file, int flags, HWND lister) {
    Load();
    const HWND window = listLoad(lister != nullptr ? lister : lister_, file.c_str(), flags);
    PumpMessages();
    return window;
}

int PluginHost::OpenNext(HWND pluginWindow, const std::filesystem::path& file, int flags) {
    Load();
    const int result = listLoadNext(lister_, pluginWindow, file.c_str(), flags);
    PumpMessages();
    return result;
}

void PluginHost::Close(HWND pluginWindow) {
    Load();
    listClose(pluginWindow);
    PumpMessages();
}

std::vector<ListerMessage> PluginHost::TakeListerMessages(HWND lister) {
    PumpMessages();
    std::vector<ListerMessage> messages;
    for (const auto& [window, message] : received) {
        if (window == (lister != nullptr ? lister : lister_)) {
            messages.push_back(message);
        }
    }
    received.clear();
    return messages;
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) {
        return text;
    }
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

HWND LabelOf(HWND window) {
    return FindWindowExW(window, nullptr, L"STATIC", nullptr);
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::size_t ThreadWindowCount() {
    std::size_t count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM total) {
            ++*reinterpret_cast<std::size_t*>(total);
            EnumChildWindows(
                window,
                [](HWND, LPARAM inner) {
                    ++*reinterpret_cast<std::size_t*>(inner);
                    return TRUE;
                },
                total);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

std::size_t PrivateBytes() {
    // The address space in use: Wine fills no private-usage counter, and a leaked view's heap
    // shows here all the same.
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatusEx(&status);
    return static_cast<std::size_t>(status.ullTotalVirtual - status.ullAvailVirtual);
}

#pragma once

// A stand-in for the file manager: a top-level Lister window, Marrowpeek.dll loaded from a
// fresh folder (so its INI files and web view data land there), its exports resolved, and the
// test runtime found through WEBVIEW2_BROWSER_EXECUTABLE_FOLDER. Each test runs in its own
// process, because the library keeps process-wide state (the environment, the parked view).

#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "plugin/lister_api.h"
#include "tests/scratch_directory.h"
#include "tests/webview_harness.h"

// A message that reached a Lister window: a key message or WM_COMMAND.
struct ListerMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool operator==(const ListerMessage&) const = default;
};

class PluginHost {
  public:
    PluginHost();
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // Loads the library; runs before the first export call so a test can arrange the runtime
    // and the environment first.
    void Load();

    // A top-level Lister window, or Quick View's, a child of `panel`.
    HWND NewLister(int width, int height, HWND panel = nullptr);
    std::filesystem::path WriteFile(std::string_view name, std::string_view bytes);

    HWND Open(const std::filesystem::path& file, int flags = 0, HWND lister = nullptr);
    int OpenNext(HWND pluginWindow, const std::filesystem::path& file, int flags = 0);
    void Close(HWND pluginWindow);

    // What reached a Lister window since the last call, in order.
    std::vector<ListerMessage> TakeListerMessages(HWND lister = nullptr);

    const std::filesystem::path& pluginFolder() const { return pluginFolder_; }
    HWND lister() const { return lister_; }
    TestRuntime& runtime() const { return *runtime_.control; }

    ListLoadWFunction listLoad = nullptr;
    ListLoadNextWFunction listLoadNext = nullptr;
    ListCloseWindowFunction listClose = nullptr;
    ListGetDetectStringFunction listDetect = nullptr;
    ListSetDefaultParamsFunction listDefaults = nullptr;
    ListSendCommandFunction listCommand = nullptr;
    ListSearchTextWFunction listSearch = nullptr;
    ListSearchDialogFunction listSearchDialog = nullptr;
    ListGetPreviewBitmapWFunction listPreview = nullptr;
    ListGetPreviewBitmapFunction listPreviewAnsi = nullptr;

  private:
    ScratchDirectory scratch_;
    std::filesystem::path pluginFolder_;
    RuntimeCopy runtime_;
    std::unique_ptr<ScopedVariable> runtimeVariable_;
    HMODULE library_ = nullptr;
    HWND lister_ = nullptr;
};

// The built Marrowpeek.dll, named by the test's environment.
std::filesystem::path BuiltPlugin();

// The clipboard's Unicode text; empty when there is none.
std::wstring ClipboardText();

// A window's first child of class STATIC (a view's label), and a window's text.
HWND LabelOf(HWND window);
std::wstring TextOf(HWND window);

// Windows of this thread, children included, and the process's private memory.
std::size_t ThreadWindowCount();
std::size_t PrivateBytes();

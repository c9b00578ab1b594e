#include "loader/windows/client_library.h"

#include "loader/runtime_rules.h"
#include "loader/windows/debug_text.h"

namespace loader {
namespace {

// The first argument is a boolean the runtime reads as a 32-bit BOOL or a byte; 1 is right for
// both.
using CreateEnvironmentInternal =
    HRESULT(STDAPICALLTYPE*)(BOOL checkRunningInstance, UINT32 runtimeKind, PCWSTR userDataFolder,
                             IUnknown* environmentOptions,
                             ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

}  // namespace

HRESULT CallClientLibrary(const std::wstring& path, RuntimeKind kind, PCWSTR userDataFolder,
                          IUnknown* environmentOptions,
                          ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    const HMODULE library = LoadLibraryW(path.c_str());
    if (library == nullptr) {
        const HRESULT failure = LastErrorResult();
        WriteDebugText(
            L"WebView2: CoreWebView2Environment failed when trying to LoadLibrary: hr=0x" +
            HexCode(failure) + L" path=" + path + L"\n");
        return failure;
    }
    const auto create = reinterpret_cast<CreateEnvironmentInternal>(reinterpret_cast<void*>(
        GetProcAddress(library, "CreateWebViewEnvironmentWithOptionsInternal")));
    HRESULT result;
    if (create == nullptr) {
        result = LastErrorResult();
        WriteDebugText(
            L"WebView2: CoreWebView2Environment failed when trying to call into "
            L"EmbeddedBrowserWebView.dll. hr=0x" +
            HexCode(result) + L"\n");
    } else {
        result =
            create(TRUE, static_cast<UINT32>(kind), userDataFolder, environmentOptions, handler);
    }
    // A library that can say when it may go keeps itself alive while its objects live; one that
    // cannot must stay for the rest of the process.
    if (GetProcAddress(library, "DllCanUnloadNow") != nullptr) {
        FreeLibrary(library);
    }
    return result;
}

}  // namespace loader

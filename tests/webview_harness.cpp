#include "tests/webview_harness.h"

#include <cstdlib>

namespace {

std::filesystem::path PathFromEnvironment(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value != nullptr ? std::filesystem::path(value) : std::filesystem::path();
}

void DeleteTree(HKEY hive, const wchar_t* parent, const wchar_t* child, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(hive, parent, 0, KEY_ALL_ACCESS | view, &key) == ERROR_SUCCESS) {
        RegDeleteTreeW(key, child);
        RegDeleteKeyExW(key, child, view, 0);
        RegCloseKey(key);
    }
}

}  // namespace

void LinkOrCopy(const std::filesystem::path& from, const std::filesystem::path& to) {
    // A link costs no space: loaded libraries cannot be deleted, so copies would pile up in the
    // temporary folder run after run.
    DeleteFileW(to.c_str());
    if (!CreateHardLinkW(to.c_str(), from.c_str(), nullptr)) {
        CopyFileW(from.c_str(), to.c_str(), FALSE);
    }
}

RuntimeCopy InstallRuntimeCopy(const std::filesystem::path& folder) {
    RuntimeCopy copy;
    copy.folder = folder.wstring();
    const auto library = folder / L"EBWebView" / L"x64" / L"EmbeddedBrowserWebView.dll";
    std::filesystem::create_directories(library.parent_path());
    // A copy, not a link: a library reached through a second name for the same file is the same
    // loaded module, and each copy must keep its own state. Not std::filesystem::copy_file,
    // whose overwrite fails under mingw.
    CopyFileW(PathFromEnvironment(L"MARROWPEEK_TEST_RUNTIME").c_str(), library.c_str(), FALSE);
    copy.libraryPath = library.wstring();
    const HMODULE module = LoadLibraryW(copy.libraryPath.c_str());
    if (module != nullptr) {
        const auto control = reinterpret_cast<TestRuntimeControlFunction>(
            reinterpret_cast<void*>(GetProcAddress(module, "TestRuntimeControl")));
        copy.control = control != nullptr ? control() : nullptr;
    }
    return copy;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

ScopedVariable::ScopedVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
    wchar_t buffer[32768];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
    existed_ = length > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    if (existed_) {
        previous_.assign(buffer, length);
    }
    SetEnvironmentVariableW(name, value);
}

ScopedVariable::~ScopedVariable() {
    SetEnvironmentVariableW(name_.c_str(), existed_ ? previous_.c_str() : nullptr);
}

void WriteRegistryText(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &opened,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(opened);
    }
}

void RemoveRuntimeRegistrations() {
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        DeleteTree(hive, L"Software\\Microsoft", L"EdgeUpdate", KEY_WOW64_32KEY);
        DeleteTree(hive, L"Software\\Policies\\Microsoft\\Edge", L"WebView2", 0);
    }
}

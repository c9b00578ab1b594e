#include "platform/folders.h"

// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

#include <string>

#include "platform/windows/this_module.h"

namespace platform {

std::filesystem::path ModuleFolder() {
    // Long enough for long paths, which a 260-character buffer would cut.
    std::wstring path(32768, L'\0');
    const DWORD length =
        GetModuleFileNameW(ThisModule(), path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return L".";
    }
    path.resize(separator);
    return path;
}

std::optional<std::filesystem::path> LocalAppData() {
    // GetEnvironmentVariableW rather than _wdupenv_s, which the msvcrt import library of this
    // toolchain lacks; both read the process environment block.
    const DWORD needed = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    if (needed == 0) {
        return std::nullopt;
    }
    std::wstring value(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", value.data(), needed);
    if (length == 0 || length >= needed) {
        return std::nullopt;
    }
    value.resize(length);
    return std::filesystem::path(value);
}

bool CanCreateFileIn(const std::filesystem::path& folder) {
    const std::wstring probe = folder.native() + L"\\.wtest";
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

void CreateDirectories(const std::filesystem::path& folder) {
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
}

void CreateOneDirectory(const std::filesystem::path& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
}

std::filesystem::path ExpandEnvironmentReferences(const std::filesystem::path& text) {
    // Enough for any path the file functions take without the long-path prefix.
    constexpr DWORD kCapacity = 1040;
    wchar_t expanded[kCapacity];
    const DWORD count = ExpandEnvironmentStringsW(text.c_str(), expanded, kCapacity);
    if (count >= 1 && count < kCapacity) {
        return std::filesystem::path(expanded);
    }
    return text;
}

}  // namespace platform

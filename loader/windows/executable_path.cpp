#include "loader/windows/executable_path.h"

#include "loader/windows/debug_text.h"

namespace loader {

HRESULT ExecutablePath(std::wstring& path) {
    for (DWORD capacity : {DWORD{MAX_PATH}, DWORD{4096}}) {
        path.assign(capacity, L'\0');
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), capacity);
        if (length == 0) {
            return LastErrorResult();
        }
        if (length < capacity && GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            path.resize(length);
            return S_OK;
        }
    }
    return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
}

}  // namespace loader

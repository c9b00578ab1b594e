#pragma once

#include <windows.h>

#include <string>

#include "loader/runtime_rules.h"

namespace loader {

// One diagnostic line for whoever watches the debugger output; the loader shows nothing else.
inline void WriteDebugText(const std::wstring& text) {
    OutputDebugStringW(text.c_str());
}

// A failure HRESULT for the calling thread's last error. A call that failed without setting one
// still fails: E_FAIL rather than a success code.
inline HRESULT LastErrorResult() {
    const DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HresultFromWin32(error);
}

}  // namespace loader

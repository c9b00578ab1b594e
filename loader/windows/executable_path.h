#pragma once

#include <windows.h>

#include <string>

namespace loader {

// The process's executable path: a 260-character buffer first, 4096 when that one fills up.
HRESULT ExecutablePath(std::wstring& path);

}  // namespace loader

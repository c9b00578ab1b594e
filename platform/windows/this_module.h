#pragma once

#include <windows.h>

namespace platform {

// The module this code is linked into: the plug-in DLL inside the host, never the host, or the
// executable of a tool or test.
HMODULE ThisModule();

}  // namespace platform

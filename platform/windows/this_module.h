#pragma once

#include <windows.h>

namespace platform {

// The module this code is linked into: the plug-in DLL inside the host, never the host, or the
// executable of a tool or test.
HMODULE ThisModule();

// Keeps this module loaded for the rest of the process: code of it that may still run after
// the host lets it go (a parked view's handlers, a job's threads) must not be unmapped.
void PinThisModule();

}  // namespace platform

#pragma once

#include <windows.h>

namespace loader {

// Reports a failed attempt to a trace session listening for the loader's provider, if any.
void WriteFailureEvent(HRESULT result, bool clientDllFound, bool installedRuntime);

}  // namespace loader
